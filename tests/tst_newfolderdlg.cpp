#include "application.h"
#include "newfolder/newfolderdlg.h"

#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

// Shows the dialog modally and runs the action once it is up; a guard closes
// a dialog that the action left open, so a fault fails the test instead of
// hanging it.
int showModal(TNewFolderDlg &dialog, const std::function<void()> &action)
{
    QTimer::singleShot(0, &dialog, action);
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, &dialog, [&dialog] { dialog.done(-1); });
    guard.start(20000);
    return dialog.exec();
}

// Text as the input method delivers it: one commit, Japanese included.
void typeText(QLineEdit *edit, const QString &text)
{
    QInputMethodEvent event;
    event.setCommitString(text);
    QCoreApplication::sendEvent(edit, &event);
}

} // namespace

class TestNewFolderDlg : public QObject
{
    Q_OBJECT
private slots:
    void layout();
    void closing_data();
    void closing();
    void heldNameReplacesPreset_data();
    void heldNameReplacesPreset();
    void placement();
};

void TestNewFolderDlg::layout()
{
    TNewFolderDlg dialog;
    QCOMPARE(dialog.objectName(), QStringLiteral("NewFolderDlg"));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("New Folder"));
    QCOMPARE(dialog.minimumSize(), QSize(313, 164));
    QCOMPARE(dialog.maximumSize(), QSize(313, 164));
    QCOMPARE(dialog.Label1->text(), QStringLiteral("フォルダ名を入力してください"));
    QCOMPARE(dialog.OKBtn->text(), QStringLiteral("OK"));
    QCOMPARE(dialog.CancelBtn->text(), QStringLiteral("キャンセル"));
    QVERIFY(dialog.OKBtn->isDefault());
    QVERIFY(dialog.FolderName.isEmpty());
    for (const char *name : {"OKBtn", "CancelBtn", "Bevel1", "Label1", "Edit1"})
        QVERIFY2(dialog.findChild<QWidget *>(QLatin1String(name)), name);
    // The edit takes input from the input method (the main window's lists do not).
    QInputMethodQueryEvent query(Qt::ImEnabled);
    QCoreApplication::sendEvent(dialog.Edit1, &query);
    QVERIFY(query.value(Qt::ImEnabled).toBool());
}

void TestNewFolderDlg::closing_data()
{
    QTest::addColumn<QByteArray>("held");   // FolderName before the showing
    QTest::addColumn<QByteArray>("preset"); // what the caller puts in the edit
    QTest::addColumn<QString>("typed");     // null: the edit is left as shown; empty: emptied
    QTest::addColumn<QString>("close");     // ok, enter, cancel, esc, closebox
    QTest::addColumn<int>("result");
    QTest::addColumn<QByteArray>("folderName");

    const QByteArray none;
    QTest::newRow("OK with a typed name") << none << QByteArray("Trip") << "Journey" << "ok" << 1 << QByteArray("Journey");
    QTest::newRow("Enter in the edit") << none << QByteArray() << "Journey" << "enter" << 1 << QByteArray("Journey");
    QTest::newRow("OK on the preset") << none << QByteArray("Trip") << QString() << "ok" << 1 << QByteArray("Trip");
    QTest::newRow("Japanese name") << none << QByteArray() << "旅行" << "ok" << 1 << QByteArray("旅行");
    QTest::newRow("blanks kept") << none << QByteArray() << "  旅 行  " << "ok" << 1 << QByteArray("  旅 行  ");
    QTest::newRow("only blanks") << none << QByteArray() << "   " << "enter" << 1 << QByteArray("   ");
    QTest::newRow("emptied edit, first use") << none << QByteArray("Trip") << "" << "ok" << 1 << QByteArray();
    QTest::newRow("emptied edit, name held") << QByteArray("Old") << QByteArray("Trip") << "" << "ok" << 1 << QByteArray("Old");
    QTest::newRow("preset not UTF-8, unchanged")
        << none << QByteArray("Caf\xe9") << QString() << "ok" << 1 << QByteArray("Caf\xe9");
    QTest::newRow("Cancel button") << none << QByteArray("Trip") << "Journey" << "cancel" << 2 << QByteArray();
    QTest::newRow("Esc") << QByteArray("Old") << QByteArray() << "Journey" << "esc" << 2 << QByteArray("Old");
    QTest::newRow("close box") << none << QByteArray() << "Journey" << "closebox" << 2 << QByteArray();
}

void TestNewFolderDlg::closing()
{
    QFETCH(QByteArray, held);
    QFETCH(QByteArray, preset);
    QFETCH(QString, typed);
    QFETCH(QString, close);
    QFETCH(int, result);
    QFETCH(QByteArray, folderName);

    TNewFolderDlg dialog;
    dialog.FolderName = held;
    dialog.setEditName(preset);
    const int answer = showModal(dialog, [&] {
        QLineEdit *edit = dialog.Edit1;
        // The shown text is selected, so typing replaces it.
        if (typed.isEmpty() && !typed.isNull())
            QTest::keyClick(edit, Qt::Key_Backspace);
        else if (!typed.isNull())
            typeText(edit, typed);
        if (close == QLatin1String("ok"))
            QTest::mouseClick(dialog.OKBtn, Qt::LeftButton);
        else if (close == QLatin1String("enter"))
            QTest::keyClick(edit, Qt::Key_Return);
        else if (close == QLatin1String("cancel"))
            QTest::mouseClick(dialog.CancelBtn, Qt::LeftButton);
        else if (close == QLatin1String("esc"))
            QTest::keyClick(edit, Qt::Key_Escape);
        else
            dialog.close();
    });
    QCOMPARE(answer, result);
    QCOMPARE(dialog.FolderName, folderName);
}

void TestNewFolderDlg::heldNameReplacesPreset_data()
{
    QTest::addColumn<QByteArray>("held");
    QTest::addColumn<QByteArray>("preset");
    QTest::addColumn<QString>("shown");
    QTest::newRow("no name held") << QByteArray() << QByteArray("Trip") << "Trip";
    QTest::newRow("held over a preset") << QByteArray("Other") << QByteArray("Trip") << "Other";
    QTest::newRow("held over an empty preset") << QByteArray("旅行") << QByteArray() << "旅行";
}

void TestNewFolderDlg::heldNameReplacesPreset()
{
    QFETCH(QByteArray, held);
    QFETCH(QByteArray, preset);
    QFETCH(QString, shown);

    TNewFolderDlg dialog;
    // Two showings: what each shows, where the focus is and what is selected.
    for (int showing = 0; showing < 2; ++showing) {
        dialog.FolderName = held;
        dialog.setEditName(preset);
        QString text, selected;
        QWidget *focus = nullptr;
        showModal(dialog, [&] {
            text = dialog.Edit1->text();
            selected = dialog.Edit1->selectedText();
            focus = dialog.focusWidget();
            dialog.CancelBtn->setFocus(); // the next showing must bring the focus back
            dialog.reject();
        });
        QCOMPARE(text, shown);
        QCOMPARE(selected, shown);
        QCOMPARE(focus, static_cast<QWidget *>(dialog.Edit1));
    }
}

void TestNewFolderDlg::placement()
{
    // A small owner window in a corner: the dialog centres on the screen, not
    // over its owner.
    QWidget owner;
    owner.setGeometry(0, 0, 200, 150);
    owner.show();
    TNewFolderDlg dialog(&owner);
    dialog.setEditName("Trip");
    const QPoint screenCentre = QGuiApplication::primaryScreen()->geometry().center();
    QPoint firstCentre;
    showModal(dialog, [&] {
        firstCentre = dialog.frameGeometry().center();
        dialog.move(40, 50); // the user moves it
        dialog.reject();
    });
    // Within the width of a window frame.
    QVERIFY2((firstCentre - screenCentre).manhattanLength() <= 8, "centred on the screen at the first showing");

    QPoint second;
    showModal(dialog, [&] {
        second = dialog.pos();
        dialog.reject();
    });
    QCOMPARE(second, QPoint(40, 50));
}

int main(int argc, char **argv)
{
    PelmoraApplication app(argc, argv);
    TestNewFolderDlg test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_newfolderdlg.moc"
