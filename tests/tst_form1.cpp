#include "application.h"
#include "forms.h"
#include "messageboxes.h"
#include "pelmoraMain/form1.h"
#include "pelmoraMain/sortedlistbox.h"
#include "pelmoraMain/sourcelistbox.h"
#include "pelmoraMain/themefilelistbox.h"
#include "platformerror.h"
#include "testsupport.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTest>
#include <QToolButton>

#include <sys/stat.h>
#include <unistd.h>

namespace {

QStringList namesOf(const SortedListBox *list)
{
    QStringList names;
    for (int i = 0; i < list->Count(); ++i)
        names << QFile::decodeName(list->Item(i));
    return names;
}

} // namespace

// The main window on a temporary base folder.
class TestForm1 : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void startUp();
    void controlsAndMenus();
    void themeFileListing();
    void numericOrder();
    void selectByKeyboard();
    void editEnter_data();
    void editEnter();
    void otherKeysReachTheEdit();
    void relativeFolderKeepsNamingTheSamePlace();
    void baseFolderMoveCancelled();
    void baseFolderMoved();
    void sourceFolderChosen();
    void rightPressSelectsTheme();
    void pressBelowLastItem();
    void statusLineIdleAndHints();
    void handlerErrorReachesErrorBox();
    void themeSelectionWithoutSelection();
    void errorFullStop_data();
    void errorFullStop();
    void applicationTitle_data();
    void applicationTitle();
    void helpFile();

private:
    std::unique_ptr<TempTree> tree;
    std::unique_ptr<CurrentDirectory> cwd;
};

void TestForm1::init()
{
    tree = std::make_unique<TempTree>();
    tree->dir("base/Trip");
    tree->dir("base/Holiday");
    tree->dir("base/.hidden");
    tree->dir("base/Locked");
    ::chmod(tree->at("base/Locked").constData(), 0555);
    QVERIFY(::symlink("Trip", tree->at("base/Linked").constData()) == 0);
    tree->file("base/notes.txt");
    for (const char *name : {"Trip001.jpg", "trip002.JPG", "Tripod.txt", "Holiday.jpg", "MisCopy.txt"})
        tree->file(QByteArray("base/Trip/") + name);
    tree->dir("base/Trip/TripSub");
    tree->file("base/Trip/.Trip003.jpg");
    for (const char *name : {"IMG_1.JPG", "img_2.jpg", "memo.txt", ".hidden.jpg"})
        tree->file(QByteArray("card/") + name);
    tree->dir("card/DCIM");
    cwd = std::make_unique<CurrentDirectory>(tree->at("base"));
    Forms::createAll();
}

void TestForm1::cleanup()
{
    Forms::destroyAll();
    cwd.reset();
    tree.reset();
}

void TestForm1::startUp()
{
    QCOMPARE(Form1->BaseFolder, tree->at("base"));
    QCOMPARE(Form1->Edit1->text(), QFile::decodeName(tree->at("base")));
    QCOMPARE(Form1->statusText(), QFile::decodeName(tree->at("base")));
    QVERIFY(Form1->Edit2->text().isEmpty());
    QVERIFY(Form1->Label1->text().isEmpty());
    QVERIFY(Form1->SourceFolder.isEmpty());
    QVERIFY(Form1->ThemeName.isEmpty());
    QVERIFY(!Form1->Rename1->isEnabled());
    // Only plain folders are themes: not hidden, read-only or linked ones, nor files.
    QCOMPARE(namesOf(Form1->ListBox1), (QStringList{"Holiday", "Trip"}));
    QCOMPARE(Form1->ListBox2->Count(), 0);
    QCOMPARE(Form1->ListBox3->Count(), 0);
    QCOMPARE(Form1->ListBox1->ItemIndex(), -1);
    QCOMPARE(Form1->windowTitle(), QStringLiteral("ペルモラ"));
}

void TestForm1::controlsAndMenus()
{
    struct Expect { const char *name; const char *caption; const char *hint; };
    const Expect actions[] = {
        {"N2", "新規フォルダ(&N)", "新しいフォルダを作成します"},
        {"N4", "ソースフォルダ(&I)", "ソースフォルダを指定します"},
        {"Rename1", "名前の変更(&R)", ""},
        {"Exit1", "終了(&X)", "ペルモラを終了します"},
        {"B1", "ベースフォルダ移動(&B)", "ベースフォルダを移動します"},
        {"Contents1", "目次(&C)", ""},
        {"A1", "バージョン情報(&A)", ""},
        {"Rename2", "名前の変更", ""},
    };
    for (const Expect &e : actions) {
        auto *action = Form1->findChild<QAction *>(QLatin1String(e.name));
        QVERIFY2(action, e.name);
        QCOMPARE(action->text(), QString::fromUtf8(e.caption));
        QCOMPARE(action->statusTip(), QString::fromUtf8(e.hint));
    }
    QVERIFY(Form1->findChild<QAction *>("N3")->isSeparator());
    QVERIFY(Form1->findChild<QAction *>("N5")->isSeparator());
    QCOMPARE(Form1->N1->title(), QStringLiteral("ファイル(&F)"));
    QCOMPARE(Form1->A2->title(), QStringLiteral("補助(&A)"));
    QCOMPARE(Form1->Help1->title(), QStringLiteral("ヘルプ(&H)"));
    QCOMPARE(Form1->N1->actions(), (QList<QAction *>{Form1->N2, Form1->N4, Form1->N3, Form1->Rename1, Form1->N5, Form1->Exit1}));
    QCOMPARE(Form1->PopupMenu1->actions(), QList<QAction *>{Form1->Rename2});
    QCOMPARE(Form1->SpeedButton2->text(), QStringLiteral("Add"));
    QCOMPARE(Form1->SpeedButton2->toolTip(), QStringLiteral("データファイルリストに追加します"));
    QCOMPARE(Form1->SpeedButton1->text(), QStringLiteral("SourceFolder"));
    QCOMPARE(Form1->SpeedButton1->toolTip(), QStringLiteral("ソースフォルダを指定します"));
    for (const char *name : {"ListBox1", "ListBox2", "ListBox3", "Edit1", "Edit2", "Panel1", "Panel2", "Panel3",
                             "Panel4", "Label1", "StatusBar1", "CoolBar1", "Bevel1", "MainMenu1", "PopupMenu1"})
        QVERIFY2(Form1->findChild<QObject *>(QLatin1String(name)), name);
    QCOMPARE(Form1->ListBox3->selectionMode(), QAbstractItemView::ExtendedSelection);
    QCOMPARE(Form1->ListBox1->selectionMode(), QAbstractItemView::SingleSelection);
}

void TestForm1::themeFileListing()
{
    Form1->ListBox1->SetItemIndex(Form1->ListBox1->IndexOfExact("Trip"));
    Form1->ListBox1Click();
    QCOMPARE(Form1->ThemeName, QByteArray("Trip"));
    QCOMPARE(namesOf(Form1->ListBox2), (QStringList{"Trip001.jpg", "trip002.JPG", "Tripod.txt"}));
    QVERIFY(Form1->Rename1->isEnabled());
    QCOMPARE(Form1->Rename1->statusTip(), QStringLiteral("フォルダの名前を変更します"));
}

void TestForm1::numericOrder()
{
    for (int i = 995; i <= 1003; ++i)
        tree->file("base/Holiday/Holiday" + QByteArray::number(i) + ".jpg");
    tree->file("base/Holiday/Holiday101.jpg");
    Form1->ListBox1->SetItemIndex(Form1->ListBox1->IndexOfExact("holiday"));
    Form1->ListBox1Click();
    const QStringList names = namesOf(Form1->ListBox2);
    QCOMPARE(names.first(), QStringLiteral("Holiday101.jpg"));
    QCOMPARE(names.indexOf("Holiday999.jpg") + 1, names.indexOf("Holiday1000.jpg"));
    QCOMPARE(names.last(), QStringLiteral("Holiday1003.jpg"));
}

void TestForm1::selectByKeyboard()
{
    Form1->show();
    QVERIFY(QTest::qWaitForWindowExposed(Form1));
    Form1->ListBox1->setFocus();
    Form1->ListBox1->setCurrentIndex(Form1->ListBox1->model()->index(0, 0));
    Form1->ListBox1->clearSelection();
    QVERIFY(Form1->ThemeName.isEmpty()); // setting the index from the program selects no theme
    QTest::keyClick(Form1->ListBox1, Qt::Key_Down);
    QCOMPARE(Form1->ThemeName, QByteArray("Trip"));
    QCOMPARE(Form1->ListBox2->Count(), 3);
    QTest::keyClick(Form1->ListBox1, Qt::Key_Up);
    QCOMPARE(Form1->ThemeName, QByteArray("Holiday"));
    QCOMPARE(Form1->ListBox2->Count(), 0);
}

void TestForm1::editEnter_data()
{
    QTest::addColumn<bool>("baseEdit");
    QTest::addColumn<QByteArray>("typed");      // relative to the temporary tree, "" for empty
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QByteArray>("stored");     // relative to the tree when accepted
    QTest::newRow("base: folder") << true << QByteArray("@card") << true << QByteArray("@card");
    QTest::newRow("base: trailing /") << true << QByteArray("@card/") << true << QByteArray("@card");
    QTest::newRow("base: file") << true << QByteArray("@card/memo.txt") << false << QByteArray();
    QTest::newRow("base: missing") << true << QByteArray("@nothing") << false << QByteArray();
    QTest::newRow("base: empty") << true << QByteArray() << false << QByteArray();
    QTest::newRow("source: folder") << false << QByteArray("@card") << true << QByteArray("@card");
    QTest::newRow("source: trailing /") << false << QByteArray("@card/") << true << QByteArray("@card");
    QTest::newRow("source: relative") << false << QByteArray("Trip") << true << QByteArray("Trip");
    QTest::newRow("source: file") << false << QByteArray("@card/memo.txt") << false << QByteArray();
    QTest::newRow("source: empty") << false << QByteArray() << false << QByteArray();
    QTest::newRow("base: root") << true << QByteArray("/") << true << QByteArray("/");
}

void TestForm1::editEnter()
{
    QFETCH(bool, baseEdit);
    QFETCH(QByteArray, typed);
    QFETCH(bool, accepted);
    QFETCH(QByteArray, stored);
    auto resolve = [&](QByteArray text) { return text.startsWith('@') ? tree->path() + "/" + text.mid(1) : text; };
    typed = resolve(typed);
    stored = resolve(stored);

    // A theme and a source folder are current before the Enter.
    Form1->ListBox1->SetItemIndex(Form1->ListBox1->IndexOfExact("Trip"));
    Form1->ListBox1Click();
    QLineEdit *edit = baseEdit ? Form1->Edit1 : Form1->Edit2;
    const QByteArray baseBefore = Form1->BaseFolder;
    const QByteArray sourceBefore = Form1->SourceFolder;
    edit->setFocus();
    edit->setText(QFile::decodeName(typed));
    QTest::keyClick(edit, Qt::Key_Return);

    if (!accepted) {
        QCOMPARE(edit->text(), QFile::decodeName(baseEdit ? baseBefore : sourceBefore));
        QCOMPARE(Form1->BaseFolder, baseBefore);
        QCOMPARE(Form1->SourceFolder, sourceBefore);
        QCOMPARE(Form1->ThemeName, QByteArray("Trip"));
        QCOMPARE(Form1->ListBox2->Count(), 3);
        return;
    }
    QCOMPARE(edit->text(), QFile::decodeName(stored));
    if (baseEdit) {
        QCOMPARE(Form1->BaseFolder, stored);
        QCOMPARE(Form1->statusText(), QFile::decodeName(stored));
        QVERIFY(Form1->ThemeName.isEmpty());
        QCOMPARE(Form1->ListBox2->Count(), 0);
        QVERIFY(Form1->Rename1->isEnabled()); // typing does not touch it
        if (stored == "/")
            QVERIFY(namesOf(Form1->ListBox1).contains("tmp"));
        else
            QCOMPARE(namesOf(Form1->ListBox1), QStringList{"DCIM"});
    } else {
        QCOMPARE(Form1->SourceFolder, stored);
        QCOMPARE(Form1->Label1->text(), QFile::decodeName(stored));
        if (stored == "Trip")
            QCOMPARE(namesOf(Form1->ListBox3), (QStringList{"Holiday.jpg", "MisCopy.txt", "Trip001.jpg", "trip002.JPG", "Tripod.txt"}));
        else
            QCOMPARE(namesOf(Form1->ListBox3), (QStringList{"IMG_1.JPG", "img_2.jpg", "memo.txt"}));
        QCOMPARE(Form1->ThemeName, QByteArray("Trip"));
    }
}

void TestForm1::otherKeysReachTheEdit()
{
    Form1->Edit2->setFocus();
    Form1->Edit2->clear();
    QTest::keyClicks(Form1->Edit2, "abc");
    QCOMPARE(Form1->Edit2->text(), QStringLiteral("abc"));
    QVERIFY(Form1->SourceFolder.isEmpty());
}

void TestForm1::relativeFolderKeepsNamingTheSamePlace()
{
    Form1->Edit2->setText("Trip");
    QTest::keyClick(Form1->Edit2, Qt::Key_Return);
    QCOMPARE(Form1->SourceFolder, QByteArray("Trip"));
    // Browsing with the folder chooser never moves the current directory.
    Form1->chooseFolder = [&]() -> std::optional<QByteArray> { return std::nullopt; };
    Form1->N4Click();
    QCOMPARE(Form1->SourceFolder, QByteArray("Trip"));
    Form1->Edit2->setText("Trip");
    QTest::keyClick(Form1->Edit2, Qt::Key_Return);
    QCOMPARE(Form1->ListBox3->Count(), 5);
}

void TestForm1::baseFolderMoveCancelled()
{
    Form1->ListBox1->SetItemIndex(Form1->ListBox1->IndexOfExact("Trip"));
    Form1->ListBox1Click();
    Form1->chooseFolder = []() -> std::optional<QByteArray> { return std::nullopt; };
    Form1->B1Click();
    QVERIFY(!Form1->Rename1->isEnabled());
    QVERIFY(Form1->Rename1->statusTip().isEmpty());
    QCOMPARE(Form1->ThemeName, QByteArray("Trip"));
    QCOMPARE(Form1->ListBox2->Count(), 3);
    QCOMPARE(Form1->BaseFolder, tree->at("base"));
}

void TestForm1::baseFolderMoved()
{
    Form1->ListBox1->SetItemIndex(Form1->ListBox1->IndexOfExact("Trip"));
    Form1->ListBox1Click();
    const QByteArray chosen = tree->path() + "/";
    Form1->chooseFolder = [&]() -> std::optional<QByteArray> { return chosen; };
    Form1->B1Click();
    QCOMPARE(Form1->BaseFolder, tree->path());
    QCOMPARE(Form1->Edit1->text(), QFile::decodeName(tree->path()));
    QCOMPARE(Form1->statusText(), QFile::decodeName(tree->path()));
    QCOMPARE(namesOf(Form1->ListBox1), (QStringList{"base", "card"}));
    QVERIFY(Form1->ThemeName.isEmpty());
    QCOMPARE(Form1->ListBox2->Count(), 0);
}

void TestForm1::sourceFolderChosen()
{
    const QByteArray chosen = tree->at("card/");
    Form1->chooseFolder = [&]() -> std::optional<QByteArray> { return chosen; };
    QTest::mouseClick(Form1->SpeedButton1, Qt::LeftButton);
    QCOMPARE(Form1->SourceFolder, tree->at("card"));
    QCOMPARE(Form1->Edit2->text(), QFile::decodeName(tree->at("card")));
    QCOMPARE(Form1->Label1->text(), QFile::decodeName(tree->at("card")));
    QCOMPARE(namesOf(Form1->ListBox3), (QStringList{"IMG_1.JPG", "img_2.jpg", "memo.txt"}));
}

void TestForm1::rightPressSelectsTheme()
{
    Form1->show();
    QVERIFY(QTest::qWaitForWindowExposed(Form1));
    SortedListBox *list = Form1->ListBox1;
    const QRect tripRect = list->visualRect(list->model()->index(list->IndexOfExact("Trip"), 0));
    QTest::mousePress(list->viewport(), Qt::RightButton, {}, tripRect.center());
    QCOMPARE(Form1->ThemeName, QByteArray("Trip"));
    QCOMPARE(Form1->ListBox2->Count(), 3);
    QVERIFY(Form1->PopupAutoPopup);
    QTest::mouseRelease(list->viewport(), Qt::RightButton, {}, tripRect.center());
    if (QWidget *popup = QApplication::activePopupWidget())
        popup->close();
}

void TestForm1::pressBelowLastItem()
{
    Form1->show();
    QVERIFY(QTest::qWaitForWindowExposed(Form1));
    SortedListBox *list = Form1->ListBox1;
    list->SetItemIndex(list->IndexOfExact("Trip"));
    Form1->ListBox1Click();
    const QPoint below(10, list->viewport()->height() - 3);
    QVERIFY(!list->indexAt(below).isValid());
    for (Qt::MouseButton button : {Qt::RightButton, Qt::LeftButton}) {
        list->SetItemIndex(list->IndexOfExact("Trip"));
        QTest::mouseClick(list->viewport(), button, {}, below);
        QCOMPARE(list->ItemIndex(), -1);
        QVERIFY(!Form1->PopupAutoPopup);
        QCOMPARE(Form1->ThemeName, QByteArray("Trip"));
        QCOMPARE(Form1->ListBox2->Count(), 3);
        if (QWidget *popup = QApplication::activePopupWidget())
            QFAIL("no pop-up menu should open");
    }
}

void TestForm1::statusLineIdleAndHints()
{
    PelmoraApplication *app = pelmoraApp();
    const QString base = QFile::decodeName(tree->at("base"));
    app->idlePass();
    QCOMPARE(Form1->statusText(), base);
    QVERIFY(Form1->FolderShown);

    // A hint reaches the status line (its part after "|" only) until the next idle pass.
    app->setHint(QStringLiteral("short|long hint"));
    QCOMPARE(Form1->statusText(), QStringLiteral("long hint"));
    QVERIFY(!Form1->FolderShown);
    app->idlePass();
    QCOMPARE(Form1->statusText(), base);

    // While a menu is open its highlighted item's hint stays: no idle pass runs.
    Form1->show();
    QVERIFY(QTest::qWaitForWindowExposed(Form1));
    Form1->A2->popup(Form1->mapToGlobal(QPoint(10, 10)));
    QVERIFY(QTest::qWaitForWindowExposed(Form1->A2));
    Form1->A2->setActiveAction(Form1->B1);
    QCOMPARE(Form1->statusText(), QStringLiteral("ベースフォルダを移動します"));
    app->idlePass();
    QCOMPARE(Form1->statusText(), QStringLiteral("ベースフォルダを移動します"));
    Form1->A2->close();
    QVERIFY(Form1->statusText().isEmpty()); // blank until the next idle pass
    app->idlePass();
    QCOMPARE(Form1->statusText(), base);
}

void TestForm1::handlerErrorReachesErrorBox()
{
    MessageRecorder recorder;
    // Nothing is selected: the theme selection reads entry -1. Dispatched like
    // any handler, its error is shown and the program goes on.
    QMetaObject::invokeMethod(Form1, "ListBox1Click", Qt::QueuedConnection);
    QTRY_COMPARE(recorder.requests.size(), 1);
    QCOMPARE(recorder.requests[0].kind, MessageBoxes::Kind::Error);
    QCOMPARE(recorder.requests[0].text, QStringLiteral("リストのインデックスが範囲を超えています (-1)"));
    QCOMPARE(recorder.requests[0].caption, PelmoraApplication::title());
    // The program goes on: the next command works.
    Form1->ListBox1->SetItemIndex(0);
    QMetaObject::invokeMethod(Form1, "ListBox1Click", Qt::QueuedConnection);
    QTRY_COMPARE(Form1->ThemeName, QByteArray("Holiday"));
    QCOMPARE(recorder.requests.size(), 1);
}

void TestForm1::themeSelectionWithoutSelection()
{
    Form1->ListBox1->SetItemIndex(Form1->ListBox1->IndexOfExact("Trip"));
    Form1->ListBox1Click();
    Form1->ListBox1->SetItemIndex(-1);
    try {
        Form1->ListBox1Click();
        QFAIL("expected the list-index error");
    } catch (const PlatformError &error) {
        QCOMPARE(error.message(), QStringLiteral("リストのインデックスが範囲を超えています (-1)"));
    }
    // Nothing changed before the error.
    QCOMPARE(Form1->ThemeName, QByteArray("Trip"));
    QCOMPARE(Form1->ListBox2->Count(), 3);
    QVERIFY_THROWS_EXCEPTION(PlatformError, Form1->ListBox2->Item(3));
}

void TestForm1::errorFullStop_data()
{
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("shown");
    QTest::newRow("parenthesis") << QString("index (-1)") << QString("index (-1)");
    QTest::newRow("full stop") << QString("done.") << QString("done.");
    QTest::newRow("letter") << QString("error") << QString("error.");
    QTest::newRow("digit") << QString("JPEG エラー #42") << QString("JPEG エラー #42.");
    QTest::newRow("japanese") << QString("ストリームへの書き込みエラー") << QString("ストリームへの書き込みエラー.");
    QTest::newRow("japanese full stop") << QString("完了。") << QString("完了。.");
    QTest::newRow("empty") << QString() << QString();
}

void TestForm1::errorFullStop()
{
    QFETCH(QString, message);
    QFETCH(QString, shown);
    QCOMPARE(MessageBoxes::withFullStop(message), shown);
}

void TestForm1::applicationTitle_data()
{
    QTest::addColumn<QString>("executable");
    QTest::addColumn<QString>("title");
    QTest::newRow("plain") << "pelmora" << "pelmora";
    QTest::newRow("upper case") << "PELMORA.EXE" << "Pelmora";
    QTest::newRow("several dots") << "Pel.mora.bin" << "Pel";
}

void TestForm1::applicationTitle()
{
    QFETCH(QString, executable);
    QFETCH(QString, title);
    QCOMPARE(PelmoraApplication::titleFromExecutableName(executable), title);
}

void TestForm1::helpFile()
{
    QCOMPARE(PelmoraApplication::helpFileFor("/usr/bin/pelmora"), QByteArray("/usr/bin/pelmora.hlp"));
    QCOMPARE(PelmoraApplication::helpFileFor("/opt/v1.2/pelmora.bin"), QByteArray("/opt/v1.2/pelmora.hlp"));
    // No help file beside the test executable: a clear message, nothing else.
    MessageRecorder recorder;
    Form1->Contents1->trigger();
    QCOMPARE(recorder.requests.size(), 1);
    QCOMPARE(recorder.requests[0].kind, MessageBoxes::Kind::Notice);
    QVERIFY(recorder.requests[0].text.contains(QFile::decodeName(PelmoraApplication::helpFile())));
    QVERIFY(Form1->ListBox1->Count() == 2);
}

int main(int argc, char **argv)
{
    PelmoraApplication app(argc, argv);
    TestForm1 test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_form1.moc"
