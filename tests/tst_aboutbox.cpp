#include "application.h"
#include "forms.h"
#include "pelmoraMain/form1.h"
#include "testsupport.h"
#include "verinfo/aboutbox.h"

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <functional>

// The about box as the program creates it, on a temporary base folder.
class TestAboutBox : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void layout();
    void result_data();
    void result();
    void escapeDoesNotClose();
    void centredFirstThenWhereLeft();
    void helpMenuOpensItModally();

private:
    // Runs the box modally; `whileOpen` acts on it once it is up.
    int execWith(const std::function<void()> &whileOpen);

    std::unique_ptr<TempTree> tree;
    std::unique_ptr<CurrentDirectory> cwd;
};

void TestAboutBox::init()
{
    tree = std::make_unique<TempTree>();
    cwd = std::make_unique<CurrentDirectory>(tree->path());
    Forms::createAll();
}

void TestAboutBox::cleanup()
{
    Forms::destroyAll();
    cwd.reset();
    tree.reset();
}

int TestAboutBox::execWith(const std::function<void()> &whileOpen)
{
    QTimer::singleShot(0, AboutBox, [whileOpen] {
        QVERIFY(QTest::qWaitForWindowExposed(AboutBox));
        whileOpen();
    });
    return AboutBox->exec();
}

void TestAboutBox::layout()
{
    QCOMPARE(AboutBox->objectName(), QStringLiteral("AboutBox"));
    QCOMPARE(AboutBox->windowTitle(), QStringLiteral("バージョン情報"));
    QCOMPARE(AboutBox->size(), QSize(298, 213));
    QCOMPARE(AboutBox->ProductName->text(), QStringLiteral("ペルモラ"));
    QCOMPARE(AboutBox->ProductName->font().pixelSize(), 24);
    QCOMPARE(AboutBox->Version->text(), QStringLiteral("0.1"));
    QCOMPARE(AboutBox->Comments->text(), QStringLiteral("テーマ毎に連番をつけてコピー！"));
    QCOMPARE(AboutBox->Comments->font().pixelSize(), 16);
    QVERIFY(!AboutBox->Copyright->text().isEmpty());
    QCOMPARE(AboutBox->OKButton->text(), QStringLiteral("OK"));
    QVERIFY(AboutBox->OKButton->isDefault());
    // The program's icon, its 32 x 32 image shown at that size.
    QCOMPARE(AboutBox->ProgramIcon->size(), QSize(32, 32));
    QCOMPARE(AboutBox->ProgramIcon->pixmap().toImage().convertToFormat(QImage::Format_ARGB32),
             QImage(QStringLiteral(":/icons/pelmora-32.png")).convertToFormat(QImage::Format_ARGB32));
    QVERIFY(!(AboutBox->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    // The labels are wide enough for their texts in the font found here.
    for (QLabel *label : {AboutBox->ProductName, AboutBox->Version, AboutBox->Copyright, AboutBox->Comments})
        QVERIFY2(label->width() >= label->sizeHint().width(), qPrintable(label->objectName()));
}

void TestAboutBox::result_data()
{
    QTest::addColumn<int>("how");
    QTest::addColumn<int>("expected");
    QTest::newRow("OK clicked") << 0 << 1;
    QTest::newRow("Enter") << 1 << 1;
    QTest::newRow("close box") << 2 << 2;
}

void TestAboutBox::result()
{
    QFETCH(int, how);
    QFETCH(int, expected);
    const int result = execWith([how] {
        switch (how) {
        case 0: QTest::mouseClick(AboutBox->OKButton, Qt::LeftButton); break;
        case 1: QTest::keyClick(AboutBox, Qt::Key_Return); break;
        default: AboutBox->close(); break;
        }
    });
    QCOMPARE(result, expected);
    QVERIFY(!AboutBox->isVisible());
}

void TestAboutBox::escapeDoesNotClose()
{
    bool stillOpen = false;
    const int result = execWith([&stillOpen] {
        QTest::keyClick(AboutBox, Qt::Key_Escape);
        QTest::keyClick(AboutBox->OKButton, Qt::Key_Escape);
        QCoreApplication::processEvents();
        stillOpen = AboutBox->isVisible();
        AboutBox->OKButton->click();
    });
    QVERIFY(stillOpen);
    QCOMPARE(result, 1);
}

void TestAboutBox::centredFirstThenWhereLeft()
{
    QRect first;
    execWith([&first] {
        first = AboutBox->frameGeometry();
        AboutBox->move(first.topLeft() + QPoint(-37, 21));
        AboutBox->OKButton->click();
    });
    const QRect screen = AboutBox->screen()->geometry();
    QVERIFY2(qAbs(first.center().x() - screen.center().x()) <= 1
                 && qAbs(first.center().y() - screen.center().y()) <= 1,
             qPrintable(QStringLiteral("centre %1,%2 on a screen centred at %3,%4")
                            .arg(first.center().x()).arg(first.center().y())
                            .arg(screen.center().x()).arg(screen.center().y())));

    QPoint second;
    execWith([&second] {
        second = AboutBox->frameGeometry().topLeft();
        AboutBox->OKButton->click();
    });
    QCOMPARE(second, first.topLeft() + QPoint(-37, 21));
}

// "バージョン情報(&A)" opens the box modally; the main window takes no input.
void TestAboutBox::helpMenuOpensItModally()
{
    Form1->show();
    QVERIFY(QTest::qWaitForWindowExposed(Form1));
    bool modal = false;
    QTimer::singleShot(0, AboutBox, [&modal] {
        QVERIFY(QTest::qWaitForWindowExposed(AboutBox));
        modal = AboutBox->isModal() && QApplication::activeModalWidget() == AboutBox;
        AboutBox->OKButton->click();
    });
    Form1->A1->trigger();
    QVERIFY(modal);
    QVERIFY(!AboutBox->isVisible());
}

int main(int argc, char **argv)
{
    PelmoraApplication app(argc, argv);
    TestAboutBox test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_aboutbox.moc"
