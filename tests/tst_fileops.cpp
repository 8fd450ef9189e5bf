#include "fileops.h"
#include "testsupport.h"

#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

#include <functional>

namespace {

enum class Kind { Missing, File, Folder };

Kind kindOf(const QByteArray &path)
{
    struct stat st;
    if (::lstat(path.constData(), &st) != 0)
        return Kind::Missing;
    return S_ISDIR(st.st_mode) ? Kind::Folder : Kind::File;
}

using Move = std::function<bool(const QByteArray &, const QByteArray &)>;

// The move as the program calls it, and the way it takes where the file
// system refuses the no-replace flag.
Move moveOf(const QString &how)
{
    if (how == QLatin1String("link"))
        return FileOps::moveFileByLink;
    if (how == QLatin1String("placeholder"))
        return FileOps::moveFolderByPlaceholder;
    return FileOps::moveNoReplace;
}

} // namespace

class TestFileOps : public QObject
{
    Q_OBJECT
private slots:
    void createFolder_data();
    void createFolder();
    void moveFile_data();
    void moveFile();
    void moveFolder_data();
    void moveFolder();
};

// What holds the target name before the operation.
//   "free"          nothing
//   "file"          a file with other bytes
//   "empty folder"  an empty folder (a plain rename() of a folder replaces it)
//   "full folder"   a folder with a file in it
//   "no parent"     the folder meant to hold the target is missing
static void prepareTarget(TempTree &tree, const QString &target)
{
    if (target == QLatin1String("file"))
        tree.file("to", "other bytes");
    else if (target == QLatin1String("empty folder"))
        tree.dir("to");
    else if (target == QLatin1String("full folder"))
        tree.file("to/keep.jpg", "kept");
}

static void checkTargetUntouched(TempTree &tree, const QString &target)
{
    if (target == QLatin1String("file")) {
        QCOMPARE(TempTree::read(tree.at("to")), QByteArray("other bytes"));
    } else if (target == QLatin1String("empty folder")) {
        QCOMPARE(kindOf(tree.at("to")), Kind::Folder);
        QCOMPARE(::rmdir(tree.at("to").constData()), 0); // still empty
    } else if (target == QLatin1String("full folder")) {
        QCOMPARE(TempTree::read(tree.at("to/keep.jpg")), QByteArray("kept"));
        QCOMPARE(kindOf(tree.at("to/from")), Kind::Missing);
    } else {
        QCOMPARE(kindOf(tree.at("to")), Kind::Missing);
    }
}

void TestFileOps::createFolder_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<bool>("created");
    QTest::newRow("free") << QString("free") << true;
    QTest::newRow("taken by a file") << QString("file") << false;
    QTest::newRow("taken by an empty folder") << QString("empty folder") << false;
    QTest::newRow("taken by a folder with files") << QString("full folder") << false;
}

void TestFileOps::createFolder()
{
    QFETCH(QString, target);
    QFETCH(bool, created);
    TempTree tree;
    prepareTarget(tree, target);
    QCOMPARE(FileOps::createFolder(tree.at("to")), created);
    if (created)
        QCOMPARE(kindOf(tree.at("to")), Kind::Folder);
    else
        checkTargetUntouched(tree, target);
}

void TestFileOps::moveFile_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("target");
    QTest::addColumn<bool>("sourceExists");
    QTest::addColumn<bool>("moved");
    for (const char *how : {"renameat2", "link"}) {
        const QString h = QString::fromLatin1(how);
        QTest::addRow("%s: free", how) << h << QString("free") << true << true;
        QTest::addRow("%s: taken by a file", how) << h << QString("file") << true << false;
        QTest::addRow("%s: taken by a folder", how) << h << QString("empty folder") << true << false;
        QTest::addRow("%s: missing source", how) << h << QString("free") << false << false;
    }
}

void TestFileOps::moveFile()
{
    QFETCH(QString, how);
    QFETCH(QString, target);
    QFETCH(bool, sourceExists);
    QFETCH(bool, moved);
    TempTree tree;
    const QByteArray picture("\xff\xd8picture bytes\0with a NUL", 24);
    if (sourceExists)
        tree.file("from", picture);
    prepareTarget(tree, target);

    QCOMPARE(moveOf(how)(tree.at("from"), tree.at("to")), moved);
    if (moved) {
        QCOMPARE(TempTree::read(tree.at("to")), picture);
        QCOMPARE(kindOf(tree.at("from")), Kind::Missing);
        return;
    }
    checkTargetUntouched(tree, target);
    if (sourceExists)
        QCOMPARE(TempTree::read(tree.at("from")), picture);
}

void TestFileOps::moveFolder_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("target");
    QTest::addColumn<bool>("sourceExists");
    QTest::addColumn<bool>("moved");
    for (const char *how : {"renameat2", "placeholder"}) {
        const QString h = QString::fromLatin1(how);
        QTest::addRow("%s: free", how) << h << QString("free") << true << true;
        QTest::addRow("%s: taken by an empty folder", how) << h << QString("empty folder") << true << false;
        QTest::addRow("%s: taken by a folder with files", how) << h << QString("full folder") << true << false;
        QTest::addRow("%s: taken by a file", how) << h << QString("file") << true << false;
        QTest::addRow("%s: missing source", how) << h << QString("free") << false << false;
        QTest::addRow("%s: missing parent", how) << h << QString("no parent") << true << false;
    }
}

void TestFileOps::moveFolder()
{
    QFETCH(QString, how);
    QFETCH(QString, target);
    QFETCH(bool, sourceExists);
    QFETCH(bool, moved);
    TempTree tree;
    if (sourceExists) {
        tree.file("from/Trip001.jpg", "one");
        tree.file("from/sub/note.txt", "note");
    }
    prepareTarget(tree, target);
    const QByteArray to = target == QLatin1String("no parent") ? tree.at("gone/to") : tree.at("to");

    QCOMPARE(moveOf(how)(tree.at("from"), to), moved);
    if (moved) {
        QCOMPARE(TempTree::read(tree.at("to/Trip001.jpg")), QByteArray("one"));
        QCOMPARE(TempTree::read(tree.at("to/sub/note.txt")), QByteArray("note"));
        QCOMPARE(kindOf(tree.at("from")), Kind::Missing);
        return;
    }
    // A failed move leaves no placeholder behind and touches nothing.
    checkTargetUntouched(tree, target);
    QCOMPARE(kindOf(tree.at("gone")), Kind::Missing);
    if (sourceExists) {
        QCOMPARE(TempTree::read(tree.at("from/Trip001.jpg")), QByteArray("one"));
        QCOMPARE(TempTree::read(tree.at("from/sub/note.txt")), QByteArray("note"));
    }
}

QTEST_GUILESS_MAIN(TestFileOps)
#include "tst_fileops.moc"
