#include "filecopy.h"
#include "platformerror.h"
#include "testsupport.h"
#include "textreport.h"

#include <QTest>

#include <cerrno>
#include <random>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using FileCopy::Result;
Q_DECLARE_METATYPE(FileCopy::Result)

namespace {

QByteArray randomBytes(qsizetype size)
{
    std::mt19937 generator(quint32(size) * 2654435761u);
    QByteArray data(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        data[i] = char(generator() & 0xFF);
    return data;
}

struct stat statOf(const QByteArray &path)
{
    struct stat st{};
    if (::lstat(path.constData(), &st) != 0)
        st.st_ino = 0;
    return st;
}

bool exists(const QByteArray &path)
{
    struct stat st;
    return ::lstat(path.constData(), &st) == 0;
}

// A modification time with a fraction of a second, far from now.
void setOldTimes(const QByteArray &path)
{
    const struct timespec times[2] = {{1000000000, 250000000}, {1234567890, 123456789}};
    ::utimensat(AT_FDCWD, path.constData(), times, 0);
}

} // namespace

class TestFileCopy : public QObject
{
    Q_OBJECT
private slots:
    void cleanup();

    void copiesDataTimeAndMode_data();
    void copiesDataTimeAndMode();
    void neverReplaces_data();
    void neverReplaces();
    void failsWithoutTrace_data();
    void failsWithoutTrace();
    void failurePartWay_data();
    void failurePartWay();
    void nonUtf8Names();

    void reportLines_data();
    void reportLines();
    void reportReplacesLongerFile();
    void reportCannotBeCreated_data();
    void reportCannotBeCreated();
    void reportCannotBeWritten();
};

void TestFileCopy::cleanup()
{
    FileCopy::Faults::setFailAfterBytes(-1);
    FileCopy::Faults::setKernelCopyEnabled(true);
}

void TestFileCopy::copiesDataTimeAndMode_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("kernel");
    QTest::addColumn<int>("mode");
    for (const bool kernel : {true, false}) {
        const char *path = kernel ? "kernel" : "read/write";
        QTest::addRow("%s empty", path) << 0 << kernel << 0644;
        QTest::addRow("%s small", path) << 1000 << kernel << 0644;
        // More than the read/write buffer: several rounds, a short last one.
        QTest::addRow("%s three buffers and a bit", path) << (3 << 20) + 17 << kernel << 0644;
        QTest::addRow("%s read-only", path) << 10 << kernel << 0444;
        QTest::addRow("%s executable", path) << 10 << kernel << 0755;
        // Bits a usual umask would take away are kept too.
        QTest::addRow("%s group and other writable", path) << 10 << kernel << 0666;
        QTest::addRow("%s owner only", path) << 10 << kernel << 0600;
    }
}

void TestFileCopy::copiesDataTimeAndMode()
{
    QFETCH(int, size);
    QFETCH(bool, kernel);
    QFETCH(int, mode);
    FileCopy::Faults::setKernelCopyEnabled(kernel);
    TempTree tree;
    const QByteArray data = randomBytes(size);
    const QByteArray source = tree.file("IMG_0001.JPG", data);
    ::chmod(source.constData(), mode_t(mode));
    setOldTimes(source);
    const QByteArray destination = tree.at("Trip001.JPG");

    int error = -1;
    QCOMPARE(FileCopy::copyNew(source, destination, &error), Result::Copied);
    QCOMPARE(TempTree::read(destination), data);
    const struct stat copied = statOf(destination);
    QCOMPARE(int(copied.st_mode & 07777), mode);
    QVERIFY(S_ISREG(copied.st_mode));
    QCOMPARE(qint64(copied.st_mtim.tv_sec), qint64(1234567890));
    QCOMPARE(qint64(copied.st_mtim.tv_nsec), qint64(123456789));
    // The source is untouched.
    QCOMPARE(TempTree::read(source), data);
    QCOMPARE(int(statOf(source).st_mode & 07777), mode);
}

void TestFileCopy::neverReplaces_data()
{
    QTest::addColumn<QByteArray>("kind");
    QTest::newRow("file") << QByteArray("file");
    QTest::newRow("empty file") << QByteArray("empty");
    QTest::newRow("folder") << QByteArray("folder");
    QTest::newRow("link to a file") << QByteArray("link");
    // Following it would create a file elsewhere.
    QTest::newRow("dangling link") << QByteArray("dangling");
}

void TestFileCopy::neverReplaces()
{
    QFETCH(QByteArray, kind);
    TempTree tree;
    const QByteArray source = tree.file("new.jpg", "new picture");
    const QByteArray destination = tree.at("Trip001.jpg");
    const QByteArray target = tree.at("target.jpg");
    if (kind == "file")
        tree.file("Trip001.jpg", "old picture");
    else if (kind == "empty")
        tree.file("Trip001.jpg", QByteArray());
    else if (kind == "folder")
        tree.dir("Trip001.jpg");
    else if (kind == "link") {
        tree.file("target.jpg", "old picture");
        QVERIFY(::symlink("target.jpg", destination.constData()) == 0);
    } else {
        QVERIFY(::symlink("target.jpg", destination.constData()) == 0);
    }
    if (kind == "file" || kind == "empty")
        setOldTimes(destination);
    const struct stat before = statOf(destination);
    const QByteArray contentBefore = TempTree::read(destination);

    int error = 0;
    QCOMPARE(FileCopy::copyNew(source, destination, &error), Result::DestinationTaken);
    QCOMPARE(error, EEXIST);
    const struct stat after = statOf(destination);
    QCOMPARE(after.st_ino, before.st_ino);
    QCOMPARE(after.st_mode, before.st_mode);
    QCOMPARE(after.st_size, before.st_size);
    QCOMPARE(qint64(after.st_mtim.tv_sec), qint64(before.st_mtim.tv_sec));
    QCOMPARE(TempTree::read(destination), contentBefore);
    if (kind == "dangling")
        QVERIFY(!exists(target));
    if (kind == "link")
        QCOMPARE(TempTree::read(target), QByteArray("old picture"));
}

void TestFileCopy::failsWithoutTrace_data()
{
    QTest::addColumn<QByteArray>("sourceName");
    QTest::addColumn<QByteArray>("destinationName");
    QTest::newRow("missing source") << QByteArray("gone.jpg") << QByteArray("Trip001.jpg");
    QTest::newRow("source is a folder") << QByteArray("folder") << QByteArray("Trip001.jpg");
    // Opening a FIFO for reading would wait for a writer.
    QTest::newRow("source is a fifo") << QByteArray("fifo") << QByteArray("Trip001.jpg");
    QTest::newRow("missing destination folder") << QByteArray("picture.jpg") << QByteArray("missing/Trip001.jpg");
    QTest::newRow("destination folder is a file") << QByteArray("picture.jpg") << QByteArray("picture.jpg/Trip001.jpg");
}

void TestFileCopy::failsWithoutTrace()
{
    QFETCH(QByteArray, sourceName);
    QFETCH(QByteArray, destinationName);
    TempTree tree;
    tree.file("picture.jpg", "data");
    tree.dir("folder");
    QVERIFY(::mkfifo(tree.at("fifo").constData(), 0644) == 0);
    const QByteArray destination = tree.at(destinationName);

    int error = 0;
    QCOMPARE(FileCopy::copyNew(tree.at(sourceName), destination, &error), Result::Failed);
    QVERIFY(error != 0);
    QVERIFY(!exists(destination));
}

void TestFileCopy::failurePartWay_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("limit");
    QTest::addColumn<bool>("kernel");
    QTest::addColumn<Result>("expected");
    for (const bool kernel : {true, false}) {
        const char *path = kernel ? "kernel" : "read/write";
        QTest::addRow("%s before the first byte", path) << 5000 << 0 << kernel << Result::Failed;
        QTest::addRow("%s after one byte", path) << 5000 << 1 << kernel << Result::Failed;
        QTest::addRow("%s one byte short", path) << 5000 << 4999 << kernel << Result::Failed;
        QTest::addRow("%s in a later buffer", path) << (2 << 20) + 5 << (1 << 20) + 3 << kernel << Result::Failed;
        // Room for exactly the whole file is enough.
        QTest::addRow("%s exactly enough", path) << 5000 << 5000 << kernel << Result::Copied;
        QTest::addRow("%s empty file", path) << 0 << 0 << kernel << Result::Copied;
    }
}

void TestFileCopy::failurePartWay()
{
    QFETCH(int, size);
    QFETCH(int, limit);
    QFETCH(bool, kernel);
    QFETCH(Result, expected);
    TempTree tree;
    const QByteArray data = randomBytes(size);
    const QByteArray source = tree.file("big.jpg", data);
    const QByteArray destination = tree.at("Trip001.jpg");
    FileCopy::Faults::setKernelCopyEnabled(kernel);
    FileCopy::Faults::setFailAfterBytes(limit);

    int error = 0;
    QCOMPARE(FileCopy::copyNew(source, destination, &error), expected);
    if (expected == Result::Failed) {
        QCOMPARE(error, ENOSPC);
        QVERIFY(!exists(destination));
    } else {
        QCOMPARE(TempTree::read(destination), data);
    }
    QCOMPARE(TempTree::read(source), data);
}

void TestFileCopy::nonUtf8Names()
{
    TempTree tree;
    const QByteArray source = tree.file("\xff\xfe\x81.jpg", "bytes");
    const QByteArray destination = tree.at("\x83\x65\x83\x58\x83\x67" "001.jpg"); // Shift-JIS bytes
    QCOMPARE(FileCopy::copyNew(source, destination), Result::Copied);
    QCOMPARE(TempTree::read(destination), QByteArray("bytes"));
}

void TestFileCopy::reportLines_data()
{
    QTest::addColumn<QList<QByteArray>>("lines");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("one") << QList<QByteArray>{"IMG_1.JPG"} << QByteArray("IMG_1.JPG\r\n");
    QTest::newRow("order and duplicates kept")
        << QList<QByteArray>{"b.jpg", "a.jpg", "b.jpg"} << QByteArray("b.jpg\r\na.jpg\r\nb.jpg\r\n");
    // Bytes as listed: no re-encoding, no byte-order mark.
    QTest::newRow("not UTF-8") << QList<QByteArray>{"\x83\x65\xff.jpg", "写真.jpg"}
                               << QByteArray("\x83\x65\xff.jpg\r\n写真.jpg\r\n");
    QTest::newRow("nothing") << QList<QByteArray>{} << QByteArray();
}

void TestFileCopy::reportLines()
{
    QFETCH(QList<QByteArray>, lines);
    QFETCH(QByteArray, expected);
    TempTree tree;
    const QByteArray path = tree.at("MisCopy.txt");
    TextReport::save(path, std::vector<QByteArray>(lines.begin(), lines.end()));
    QCOMPARE(TempTree::read(path), expected);
}

void TestFileCopy::reportReplacesLongerFile()
{
    TempTree tree;
    const QByteArray path = tree.file("MisCopy.txt", "a much longer earlier report\r\nwith two lines\r\n");
    TextReport::save(path, {"x.jpg"});
    QCOMPARE(TempTree::read(path), QByteArray("x.jpg\r\n"));
}

void TestFileCopy::reportCannotBeCreated_data()
{
    QTest::addColumn<QByteArray>("relative");
    QTest::newRow("missing folder") << QByteArray("gone/MisCopy.txt");
    QTest::newRow("name taken by a folder") << QByteArray("folder");
}

void TestFileCopy::reportCannotBeCreated()
{
    QFETCH(QByteArray, relative);
    TempTree tree;
    tree.dir("folder");
    const QByteArray path = tree.at(relative);
    try {
        TextReport::save(path, {"x.jpg"});
        QFAIL("no error");
    } catch (const PlatformError &error) {
        QCOMPARE(error.message(), PlatformError::fileCreate(path).message());
    }
}

void TestFileCopy::reportCannotBeWritten()
{
    if (!exists("/dev/full"))
        QSKIP("no /dev/full here");
    // A report that opens but whose disk is full.
    TempTree tree;
    const QByteArray path = tree.at("MisCopy.txt");
    QVERIFY(::symlink("/dev/full", path.constData()) == 0);
    try {
        TextReport::save(path, {"x.jpg"});
        QFAIL("no error");
    } catch (const PlatformError &error) {
        QCOMPARE(error.message(), PlatformError::streamWrite().message());
    }
}

QTEST_GUILESS_MAIN(TestFileCopy)

#include "tst_filecopy.moc"
