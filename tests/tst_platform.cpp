#include "collation.h"
#include "findfile.h"
#include "namecase.h"
#include "paths.h"
#include "testsupport.h"

#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

class TestPlatform : public QObject
{
    Q_OBJECT
private slots:
    void stripTrailingSeparator_data();
    void stripTrailingSeparator();
    void join();
    void isDirectory();
    void attributes();
    void exclusion_data();
    void exclusion();
    void patterns_data();
    void patterns();
    void nonUtf8Names();
    void missingFolder();
    void collationOrder_data();
    void collationOrder();
    void collationSortMatchesCompare();
};

void TestPlatform::stripTrailingSeparator_data()
{
    QTest::addColumn<QByteArray>("folder");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("plain") << QByteArray("/photos") << QByteArray("/photos");
    QTest::newRow("one trailing") << QByteArray("/photos/") << QByteArray("/photos");
    QTest::newRow("only one removed") << QByteArray("/photos//") << QByteArray("/photos/");
    QTest::newRow("root stays") << QByteArray("/") << QByteArray("/");
    QTest::newRow("relative") << QByteArray("cards/") << QByteArray("cards");
    QTest::newRow("empty") << QByteArray() << QByteArray();
    // A multibyte name whose last byte is not "/" stays whole.
    QTest::newRow("multibyte") << QByteArray("/写真ソ") << QByteArray("/写真ソ");
}

void TestPlatform::stripTrailingSeparator()
{
    QFETCH(QByteArray, folder);
    QFETCH(QByteArray, expected);
    QCOMPARE(Paths::stripTrailingSeparator(folder), expected);
}

void TestPlatform::join()
{
    QCOMPARE(Paths::join("/base", "Trip"), QByteArray("/base/Trip"));
    // A root base folder doubles the separator, which names the same entry.
    QCOMPARE(Paths::join("/", "tmp"), QByteArray("//tmp"));
    QVERIFY(Paths::isDirectory(Paths::join("/", "tmp")));
}

void TestPlatform::isDirectory()
{
    TempTree tree;
    tree.dir("folder");
    tree.file("file.txt");
    QVERIFY(::symlink("folder", tree.at("link").constData()) == 0);
    QVERIFY(Paths::isDirectory(tree.at("folder")));
    QVERIFY(Paths::isDirectory(tree.at("folder/")));
    QVERIFY(Paths::isDirectory(tree.at("link")));
    QVERIFY(!Paths::isDirectory(tree.at("file.txt")));
    QVERIFY(!Paths::isDirectory(tree.at("missing")));
    QVERIFY(!Paths::isDirectory(QByteArray()));
}

static std::uint32_t attributesOf(const std::vector<DirEntry> &entries, const QByteArray &name)
{
    for (const DirEntry &e : entries)
        if (e.name == name)
            return e.attributes;
    return 0xFFFFFFFFu;
}

void TestPlatform::attributes()
{
    TempTree tree;
    tree.dir("Theme");
    tree.dir(".hidden");
    tree.dir("Locked");
    ::chmod(tree.at("Locked").constData(), 0555);
    tree.file("photo.jpg");
    QVERIFY(::symlink("Theme", tree.at("LinkedTheme").constData()) == 0);
    QVERIFY(::symlink("photo.jpg", tree.at("linked.jpg").constData()) == 0);
    QVERIFY(::symlink("nowhere", tree.at("broken").constData()) == 0);
    QVERIFY(::mkfifo(tree.at("fifo").constData(), 0644) == 0);

    // Every bit the listings test: request everything.
    const auto all = FindFile::list(tree.path() + "/*.*", FileAttr::Directory | FileAttr::Hidden | FileAttr::System);
    QCOMPARE(attributesOf(all, "Theme"), std::uint32_t(FileAttr::Directory));
    QCOMPARE(attributesOf(all, ".hidden"), std::uint32_t(FileAttr::Directory | FileAttr::Hidden));
    QCOMPARE(attributesOf(all, "Locked"), std::uint32_t(FileAttr::Directory | FileAttr::ReadOnly));
    QCOMPARE(attributesOf(all, "photo.jpg"), 0u);
    QCOMPARE(attributesOf(all, "LinkedTheme"), std::uint32_t(FileAttr::Directory | FileAttr::ReparsePoint));
    QCOMPARE(attributesOf(all, "linked.jpg"), std::uint32_t(FileAttr::ReparsePoint));
    QCOMPARE(attributesOf(all, "broken"), std::uint32_t(FileAttr::System | FileAttr::ReparsePoint));
    QCOMPARE(attributesOf(all, "fifo"), std::uint32_t(FileAttr::System));
}

void TestPlatform::exclusion_data()
{
    QTest::addColumn<uint>("word");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("files only") << 0u << QStringList{"linked.jpg", "photo.jpg"};
    QTest::newRow("folders and files") << uint(FileAttr::Directory)
                                       << QStringList{"LinkedTheme", "Theme", "linked.jpg", "photo.jpg"};
}

void TestPlatform::exclusion()
{
    QFETCH(uint, word);
    QFETCH(QStringList, expected);
    TempTree tree;
    tree.dir("Theme");
    tree.dir(".hidden");
    tree.file(".profile");
    tree.file("photo.jpg");
    QVERIFY(::symlink("Theme", tree.at("LinkedTheme").constData()) == 0);
    QVERIFY(::symlink("photo.jpg", tree.at("linked.jpg").constData()) == 0);
    QVERIFY(::symlink("nowhere", tree.at("broken").constData()) == 0);
    QVERIFY(::mkfifo(tree.at("fifo").constData(), 0644) == 0);

    QStringList names;
    for (const DirEntry &e : FindFile::list(tree.path() + "/*.*", word))
        names << QString::fromUtf8(e.name);
    names.sort();
    QCOMPARE(names, expected);
}

void TestPlatform::patterns_data()
{
    QTest::addColumn<QByteArray>("pattern");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("all") << QByteArray("*.*")
                         << QStringList{"Holiday.jpg", "MisCopy.txt", "Trip", "Trip001.jpg", "Tripod.txt", "trip002.JPG"};
    QTest::newRow("prefix, case ignored") << QByteArray("Trip*.*")
                                          << QStringList{"Trip", "Trip001.jpg", "Tripod.txt", "trip002.JPG"};
    QTest::newRow("upper-case prefix") << QByteArray("TRIP*.*")
                                       << QStringList{"Trip", "Trip001.jpg", "Tripod.txt", "trip002.JPG"};
    QTest::newRow("no match") << QByteArray("Zoo*.*") << QStringList{};
    QTest::newRow("exact name") << QByteArray("misCOPY.txt") << QStringList{"MisCopy.txt"};
}

void TestPlatform::patterns()
{
    QFETCH(QByteArray, pattern);
    QFETCH(QStringList, expected);
    TempTree tree;
    for (const char *name : {"Trip001.jpg", "trip002.JPG", "Tripod.txt", "Holiday.jpg", "MisCopy.txt", "Trip"})
        tree.file(name);
    QStringList names;
    for (const DirEntry &e : FindFile::list(tree.path() + "/" + pattern, 0))
        names << QString::fromUtf8(e.name);
    names.sort();
    QCOMPARE(names, expected);
}

void TestPlatform::nonUtf8Names()
{
    TempTree tree;
    const QByteArray sjis("\x8e\xca\x90\x5e"); // "写真" in code page 932
    const QByteArray invalid("bad\xff\xfe.jpg");
    tree.file(sjis + "001.jpg");
    tree.file(invalid);
    tree.file("\xc3\x84pfel.jpg"); // "Äpfel"
    QStringList found;
    const auto entries = FindFile::list(tree.path() + "/*.*", 0);
    QCOMPARE(int(entries.size()), 3);
    QVERIFY(attributesOf(entries, sjis + "001.jpg") == 0);
    QVERIFY(attributesOf(entries, invalid) == 0);
    // Prefixes match bytes as they are, and Unicode case folding for UTF-8.
    QCOMPARE(int(FindFile::list(tree.path() + "/" + sjis + "*.*", 0).size()), 1);
    QCOMPARE(int(FindFile::list(tree.path() + "/\xc3\xa4PFEL*.*", 0).size()), 1); // "äPFEL"
    QCOMPARE(int(FindFile::list(tree.path() + "/BAD\xff*.*", 0).size()), 1);
}

void TestPlatform::missingFolder()
{
    QVERIFY(FindFile::list("/nonexistent-folder-of-pelmora/*.*", FileAttr::Directory).empty());
    TempTree tree;
    tree.file("plain");
    QVERIFY(FindFile::list(tree.at("plain") + "/*.*", 0).empty());
}

void TestPlatform::collationOrder_data()
{
    QTest::addColumn<QByteArray>("a");
    QTest::addColumn<QByteArray>("b");
    QTest::newRow("numeric") << QByteArray("Trip999.jpg") << QByteArray("Trip1000.jpg");
    QTest::newRow("numeric 101") << QByteArray("Trip101.jpg") << QByteArray("Trip1000.jpg");
    QTest::newRow("case ignored") << QByteArray("Trip001.jpg") << QByteArray("trip002.JPG");
    QTest::newRow("digits before letters") << QByteArray("trip002.JPG") << QByteArray("Tripod.txt");
    QTest::newRow("padded equal, bytes break tie") << QByteArray("Trip01.jpg") << QByteArray("Trip1.jpg");
    QTest::newRow("case tie broken by bytes") << QByteArray("TRIP.jpg") << QByteArray("trip.jpg");
    QTest::newRow("alphabetical") << QByteArray("apple") << QByteArray("Banana");
}

void TestPlatform::collationOrder()
{
    QFETCH(QByteArray, a);
    QFETCH(QByteArray, b);
    const NameCollation &c = NameCollation::instance();
    QVERIFY2(c.compare(a, b) < 0, a + " should sort before " + b);
    QVERIFY(c.compare(b, a) > 0);
    QCOMPARE(c.compare(a, a), 0);
}

void TestPlatform::collationSortMatchesCompare()
{
    std::vector<QByteArray> names;
    for (int i = 1; i <= 1200; i += 7)
        names.push_back("Trip" + QByteArray::number(i).rightJustified(3, '0') + (i % 2 ? ".jpg" : ".JPG"));
    names.push_back("TripNotes.txt");
    names.push_back("trip.jpg");
    names.push_back("\xff\xfe");
    names.push_back("写真.jpg");
    std::reverse(names.begin(), names.end());
    const NameCollation &c = NameCollation::instance();
    c.sort(names);
    for (size_t i = 1; i < names.size(); ++i)
        QVERIFY2(c.compare(names[i - 1], names[i]) < 0, names[i - 1] + " / " + names[i]);
    // Serial numbers come out in numeric order.
    const auto at999 = std::find(names.begin(), names.end(), QByteArray("Trip995.jpg"));
    const auto at1002 = std::find(names.begin(), names.end(), QByteArray("Trip1002.JPG"));
    QVERIFY(at999 < at1002);
}

QTEST_GUILESS_MAIN(TestPlatform)
#include "tst_platform.moc"
