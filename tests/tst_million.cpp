// A source folder of a million files lists in the list's order, and a
// selection from it is added. Making the folder takes seconds (a RAM file
// system where one can be mounted, the disk otherwise): CTest labels this
// program "big", so `ctest -LE big` leaves it out.
#include "application.h"
#include "filingfixture.h"
#include "forms.h"
#include "pelmoraMain/form1.h"
#include "pelmoraMain/sortedlistbox.h"
#include "pelmoraMain/sourcelistbox.h"
#include "pelmoraMain/themefilelistbox.h"
#include "testsupport.h"

#include <QGuiApplication>
#include <QTest>
#include <QToolButton>

#include <cstdio>
#include <memory>

using Names = QList<QByteArray>;
using namespace Filing;

namespace {

constexpr int FileCount = 1000000;

QByteArray sourceName(int serial)
{
    return "IMG_" + QByteArray::number(serial) + ".JPG";
}

// Empty files IMG_1.JPG to IMG_<count>.JPG, one system call each.
bool makeFiles(const QByteArray &folder, int count)
{
    const int dir = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0)
        return false;
    bool made = true;
    char name[32];
    for (int i = 1; i <= count && made; ++i) {
        std::snprintf(name, sizeof name, "IMG_%d.JPG", i);
        made = ::mknodat(dir, name, S_IFREG | 0644, 0) == 0;
    }
    ::close(dir);
    return made;
}

} // namespace

class TestMillion : public QObject
{
    Q_OBJECT
private slots:
    void cleanup();
    void listAndAdd();

private:
    std::unique_ptr<TempTree> tree;
    std::unique_ptr<CurrentDirectory> cwd;
    std::unique_ptr<MessageRecorder> messages;
};

void TestMillion::cleanup()
{
    Forms::destroyAll();
    cwd.reset();
    messages.reset();
    tree.reset();
}

void TestMillion::listAndAdd()
{
    tree = std::make_unique<TempTree>();
    messages = std::make_unique<MessageRecorder>();
    const QByteArray source = tree->at("card");
    QVERIFY(makeDir(tree->at("base")) && makeDir(tree->at("base/Trip")) && makeDir(source));
    SmallDisk disk(source, "size=16m,nr_inodes=" + QByteArray::number(FileCount + 1000));
    if (!disk.mounted())
        qInfo("no RAM file system (%s): the files go on the disk", disk.why().constData());
    QVERIFY(makeFiles(source, FileCount));
    const QList<int> picked{1, 500000, FileCount};
    for (const int serial : picked)
        QVERIFY(writeFile(source + "/" + sourceName(serial), content(sourceName(serial), 2000)));
    const Tree themeBefore = snapshot(tree->at("base/Trip"));

    cwd = std::make_unique<CurrentDirectory>(tree->at("base"));
    Forms::createAll();
    Form1->ListBox1->SetItemIndex(Form1->ListBox1->IndexOfExact("Trip"));
    Form1->ListBox1Click();
    Form1->chooseFolder = [source] { return std::optional<QByteArray>(source); };
    Form1->N4Click();

    // All of them, in the list's numeric order.
    SourceListBox *list = Form1->ListBox3;
    QCOMPARE(list->Count(), FileCount);
    for (const int row : {0, 1, 8, 9, 98, 99, 12345, 499999, 999998, FileCount - 1})
        QCOMPARE(list->Item(row), sourceName(row + 1));

    for (const int serial : picked)
        list->SetSelected(serial - 1, true);
    QTest::mouseClick(Form1->SpeedButton2, Qt::LeftButton);
    QCOMPARE(messages->texts(), QStringList{});
    const Names copies{"Trip001.JPG", "Trip002.JPG", "Trip003.JPG"};
    QCOMPARE(Form1->ListBox2->Count(), 3);
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(Form1->ListBox2->Item(i), copies[i]);
        QCOMPARE(TempTree::read(tree->at("base/Trip/") + copies[i]), content(sourceName(picked[i]), 2000));
    }
    QCOMPARE(snapshot(tree->at("base/Trip")).size(), themeBefore.size() + 3);
    QCOMPARE(list->Count(), FileCount);
    QCOMPARE(list->SelCount(), 3);
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);

    // The folder goes before the file system under it.
    Forms::destroyAll();
}

int main(int argc, char **argv)
{
    PelmoraApplication app(argc, argv);
    TestMillion test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_million.moc"
