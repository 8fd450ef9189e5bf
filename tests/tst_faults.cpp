// Faults while pictures are filed: the disk fills, another program takes a
// name, removes or renames a folder, a file stands where the report goes. After
// each, every source is unchanged, every file the theme held is still there
// byte for byte, and the user was told.
#include "application.h"
#include "filecopy.h"
#include "filingfixture.h"
#include "forms.h"
#include "messageboxes.h"
#include "pelmoraMain/form1.h"
#include "pelmoraMain/sortedlistbox.h"
#include "pelmoraMain/sourcelistbox.h"
#include "pelmoraMain/themefilelistbox.h"
#include "testsupport.h"
#include "texts.h"

#include <QFile>
#include <QGuiApplication>
#include <QTest>
#include <QToolButton>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <memory>

using Names = QList<QByteArray>;
using namespace Filing;

namespace {

// What another program does at the start of one of Add's copies.
enum class Act {
    Nothing,
    TakeNameByFile,      // creates the copy's destination name as a file of its own
    TakeNameByFolder,    // ... as a folder
    TakeNameByLink,      // ... as a link to a file that does not exist
    RemoveSource,        // deletes the source file
    SourceToFifo,        // puts a FIFO in the source file's place
    SourceToFolder,      // puts a folder in the source file's place
    RenameTheme,         // renames the theme folder within the base folder
    RemoveTheme,         // takes the theme folder out of the base folder
};

// What stands in the theme under the report's name before Add.
enum class Report { None, Folder, ReadOnlyFile, Fifo, DanglingLink };

const Names Sources{"a.jpg", "b.jpg", "c.bmp", "d.txt"};

QString fileCreateError(const QByteArray &path)
{
    return MessageBoxes::withFullStop(QString::fromUtf8("ファイル %1 を作成できません").arg(QFile::decodeName(path)));
}

QString misCopyNotice()
{
    return QString::fromUtf8("コピーミスが有ります。\nMisCopy.txtに書き出しました。");
}

Names itemsOf(const SortedListBox *list)
{
    Names names;
    for (int i = 0; i < list->Count(); ++i)
        names << list->Item(i);
    return names;
}

} // namespace

Q_DECLARE_METATYPE(Act)
Q_DECLARE_METATYPE(Report)

class TestFaults : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void addWithFault_data();
    void addWithFault();
    void sourceRemovedBeforeAdd();
    void diskFull_data();
    void diskFull();
    void renameWhileNameHeld_data();
    void renameWhileNameHeld();

private:
    QByteArray base() const { return tree->at("base"); }
    QByteArray theme() const { return tree->at("base/Trip"); }
    void layOut();
    void start();
    void selectAll();
    void clickAdd() { QTest::mouseClick(Form1->SpeedButton2, Qt::LeftButton); }
    // Checks the theme after Add: everything it held before, unchanged, plus
    // the copies (copies[i] made from Sources[i], "" for none) and the files
    // another program made; nothing else but the report.
    void checkTheme(const QByteArray &folder, const Tree &before, const Tree &sources, const Names &copies,
                    const Tree &others, bool reportWritten);

    std::unique_ptr<TempTree> tree;
    std::unique_ptr<CurrentDirectory> cwd;
    std::unique_ptr<MessageRecorder> messages;
};

void TestFaults::init()
{
    tree = std::make_unique<TempTree>();
    QVERIFY(makeDir(tree->at("base")) && makeDir(tree->at("src")) && makeDir(tree->at("trash")));
    messages = std::make_unique<MessageRecorder>();
}

void TestFaults::cleanup()
{
    FileCopy::Faults::setBeforeCopy({});
    FileCopy::Faults::setFailAfterBytes(-1);
    FileCopy::Faults::setKernelCopyEnabled(true);
    Forms::destroyAll();
    cwd.reset();
    messages.reset();
    tree.reset();
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
}

// A theme of two pictures, a note and a sub-folder, and four sources of which
// the second is by far the largest.
void TestFaults::layOut()
{
    if (!exists(theme()))
        QVERIFY(makeDir(theme()));
    QVERIFY(writeFile(theme() + "/Trip001.jpg", content("t1", 5000)));
    QVERIFY(writeFile(theme() + "/Trip002.jpg", content("t2", 7000)));
    QVERIFY(writeFile(theme() + "/Trip.txt", "a note"));
    QVERIFY(writeFile(theme() + "/notes.txt", "not the theme's"));
    QVERIFY(makeDir(theme() + "/sub"));
    QVERIFY(writeFile(theme() + "/sub/Trip003.jpg", content("t3", 300)));
    QVERIFY(writeFile(tree->at("src/a.jpg"), content("a", 4096)));
    QVERIFY(writeFile(tree->at("src/b.jpg"), content("b", 300000)));
    QVERIFY(writeFile(tree->at("src/c.bmp"), content("c", 4000)));
    QVERIFY(writeFile(tree->at("src/d.txt"), content("d", 10)));
}

void TestFaults::start()
{
    cwd = std::make_unique<CurrentDirectory>(base());
    Forms::createAll();
    Form1->ListBox1->SetItemIndex(Form1->ListBox1->IndexOfExact("Trip"));
    Form1->ListBox1Click();
    QCOMPARE(Form1->ThemeName, QByteArray("Trip"));
    const QByteArray source = tree->at("src");
    Form1->chooseFolder = [source] { return std::optional<QByteArray>(source); };
    Form1->N4Click();
    QCOMPARE(itemsOf(Form1->ListBox3), Sources);
}

void TestFaults::selectAll()
{
    for (int row = 0; row < Form1->ListBox3->Count(); ++row)
        Form1->ListBox3->SetSelected(row, true);
}

void TestFaults::checkTheme(const QByteArray &folder, const Tree &before, const Tree &sources, const Names &copies,
                            const Tree &others, bool reportWritten)
{
    Tree after = snapshot(folder);
    for (const auto &[name, state] : before) {
        QVERIFY2(after.count(name), name.constData());
        if (name != "MisCopy.txt" || !reportWritten)
            QVERIFY2(after[name] == state, name.constData());
        after.erase(name);
    }
    for (qsizetype i = 0; i < copies.size(); ++i) {
        if (copies[i].isEmpty())
            continue;
        QVERIFY2(after.count(copies[i]), copies[i].constData());
        QCOMPARE(contentOf(after, copies[i]), contentOf(sources, Sources[i]));
        after.erase(copies[i]);
    }
    for (const auto &[name, state] : others) {
        QVERIFY2(after.count(name), name.constData());
        QCOMPARE(after[name], state);
        after.erase(name);
    }
    if (reportWritten && !before.count("MisCopy.txt")) {
        QVERIFY(after.count("MisCopy.txt"));
        after.erase("MisCopy.txt");
    }
    for (const auto &[name, state] : after)
        qWarning("unexpected in the theme: %s", name.constData());
    QVERIFY(after.empty());
}

void TestFaults::addWithFault_data()
{
    QTest::addColumn<Act>("act");
    QTest::addColumn<int>("atCopy");          // 0-based: the copy at whose start the act comes
    QTest::addColumn<qint64>("failAfter");    // the disk fills after this many bytes of a file; -1 never
    QTest::addColumn<bool>("kernelCopy");
    QTest::addColumn<Report>("report");
    QTest::addColumn<Names>("copies");        // Sources[i] copied to copies[i]; "" for none
    QTest::addColumn<Names>("failures");      // the report's lines
    QTest::addColumn<QByteArray>("themeAfter"); // where the theme folder is afterwards, below the temp folder
    QTest::addColumn<bool>("reportTooLate");  // the report cannot be created: error instead of notice

    const Names all{"Trip003.jpg", "Trip004.jpg", "Trip005.bmp", "Trip006.txt"};
    const Names bFails{"Trip003.jpg", "", "Trip005.bmp", "Trip006.txt"};
    const QByteArray home("base/Trip");

    QTest::newRow("disk fills during a copy (in-kernel copy)")
        << Act::Nothing << 0 << qint64(65536) << true << Report::None << bFails << Names{"b.jpg"} << home << false;
    QTest::newRow("disk fills during a copy (read and write)")
        << Act::Nothing << 0 << qint64(65536) << false << Report::None << bFails << Names{"b.jpg"} << home << false;
    QTest::newRow("disk fills at the first byte")
        << Act::Nothing << 0 << qint64(0) << true << Report::None << Names{"", "", "", ""}
        << Sources << home << false;
    QTest::newRow("name taken by another program's file")
        << Act::TakeNameByFile << 1 << qint64(-1) << true << Report::None << bFails << Names{"b.jpg"} << home << false;
    QTest::newRow("name taken by another program's folder")
        << Act::TakeNameByFolder << 1 << qint64(-1) << true << Report::None << bFails << Names{"b.jpg"} << home << false;
    QTest::newRow("name taken by a link to nowhere")
        << Act::TakeNameByLink << 1 << qint64(-1) << true << Report::None << bFails << Names{"b.jpg"} << home << false;
    QTest::newRow("source deleted during Add")
        << Act::RemoveSource << 1 << qint64(-1) << true << Report::None << bFails << Names{"b.jpg"} << home << false;
    QTest::newRow("source turned into a FIFO")
        << Act::SourceToFifo << 1 << qint64(-1) << true << Report::None << bFails << Names{"b.jpg"} << home << false;
    QTest::newRow("source turned into a folder")
        << Act::SourceToFolder << 1 << qint64(-1) << true << Report::None << bFails << Names{"b.jpg"} << home << false;
    QTest::newRow("theme renamed during Add")
        << Act::RenameTheme << 1 << qint64(-1) << true << Report::None << Names{"Trip003.jpg", "", "", ""}
        << Names{} << QByteArray("base/Trip moved") << true;
    QTest::newRow("theme removed during Add")
        << Act::RemoveTheme << 2 << qint64(-1) << true << Report::None << Names{"Trip003.jpg", "Trip004.jpg", "", ""}
        << Names{} << QByteArray("trash/Trip") << true;
    QTest::newRow("theme removed before Add")
        << Act::RemoveTheme << 0 << qint64(-1) << true << Report::None << Names{"", "", "", ""}
        << Names{} << QByteArray("trash/Trip") << true;
    QTest::newRow("report name held by a folder")
        << Act::Nothing << 0 << qint64(65536) << true << Report::Folder << bFails << Names{} << home << true;
    QTest::newRow("report read-only")
        << Act::Nothing << 0 << qint64(65536) << true << Report::ReadOnlyFile << bFails << Names{} << home << true;
    QTest::newRow("report name held by a FIFO")
        << Act::Nothing << 0 << qint64(65536) << true << Report::Fifo << bFails << Names{} << home << true;
    QTest::newRow("report a link to nowhere")
        << Act::Nothing << 0 << qint64(65536) << true << Report::DanglingLink << bFails << Names{} << home << true;
    QTest::newRow("no fault")
        << Act::Nothing << 0 << qint64(-1) << true << Report::None << all << Names{} << home << false;
}

void TestFaults::addWithFault()
{
    QFETCH(Act, act);
    QFETCH(int, atCopy);
    QFETCH(qint64, failAfter);
    QFETCH(bool, kernelCopy);
    QFETCH(Report, report);
    QFETCH(Names, copies);
    QFETCH(Names, failures);
    QFETCH(QByteArray, themeAfter);
    QFETCH(bool, reportTooLate);

    layOut();
    const QByteArray reportPath = theme() + "/MisCopy.txt";
    switch (report) {
    case Report::None:
        break;
    case Report::Folder:
        QVERIFY(makeDir(reportPath));
        QVERIFY(writeFile(reportPath + "/inside.txt", "kept"));
        break;
    case Report::ReadOnlyFile:
        QVERIFY(writeFile(reportPath, "an earlier report\r\n", 0444));
        break;
    case Report::Fifo:
        QVERIFY(::mkfifo(reportPath.constData(), 0644) == 0);
        break;
    case Report::DanglingLink:
        QVERIFY(::symlink("../../trash/report.txt", reportPath.constData()) == 0);
        break;
    }
    start();
    selectAll();
    const Tree sourcesBefore = snapshot(tree->at("src"));
    const Tree themeBefore = snapshot(theme());

    // The other program, acting at the start of the chosen copy.
    Tree others; // what it leaves in the theme
    QByteArray touchedSource;
    int copyIndex = 0;
    FileCopy::Faults::setBeforeCopy([&](const QByteArray &source, const QByteArray &destination) {
        if (copyIndex++ != atCopy)
            return;
        const QByteArray name = destination.mid(destination.lastIndexOf('/') + 1);
        switch (act) {
        case Act::Nothing:
            break;
        case Act::TakeNameByFile:
            QVERIFY(writeFile(destination, "another program's"));
            others[name] = checksum("another program's") + " 644";
            break;
        case Act::TakeNameByFolder:
            QVERIFY(makeDir(destination));
            others[name] = "<dir>";
            break;
        case Act::TakeNameByLink:
            QVERIFY(::symlink("../../trash/nothing.jpg", destination.constData()) == 0);
            others[name] = "<link>../../trash/nothing.jpg";
            break;
        case Act::RemoveSource:
            touchedSource = source;
            QVERIFY(::unlink(source.constData()) == 0);
            break;
        case Act::SourceToFifo:
            touchedSource = source;
            QVERIFY(::unlink(source.constData()) == 0 && ::mkfifo(source.constData(), 0644) == 0);
            break;
        case Act::SourceToFolder:
            touchedSource = source;
            QVERIFY(::unlink(source.constData()) == 0 && makeDir(source));
            break;
        case Act::RenameTheme:
            QVERIFY(::rename(theme().constData(), tree->at("base/Trip moved").constData()) == 0);
            break;
        case Act::RemoveTheme:
            QVERIFY(::rename(theme().constData(), tree->at("trash/Trip").constData()) == 0);
            break;
        }
    });
    FileCopy::Faults::setFailAfterBytes(failAfter);
    FileCopy::Faults::setKernelCopyEnabled(kernelCopy);

    clickAdd();
    FileCopy::Faults::setBeforeCopy({});
    QCOMPARE(copyIndex, int(Sources.size()));

    // The sources: all there and unchanged, but for the one the other program took.
    Tree sourcesAfter = snapshot(tree->at("src"));
    Tree sourcesExpected = sourcesBefore;
    if (!touchedSource.isEmpty()) {
        const QByteArray name = touchedSource.mid(touchedSource.lastIndexOf('/') + 1);
        sourcesExpected.erase(name);
        sourcesAfter.erase(name);
    }
    QVERIFY(sourcesAfter == sourcesExpected);

    // The theme, wherever it is now.
    const bool reportWritten = !failures.isEmpty() && !reportTooLate;
    checkTheme(tree->at(themeAfter), themeBefore, sourcesBefore, copies, others, reportWritten);
    if (report == Report::DanglingLink)
        QVERIFY(!exists(tree->at("trash/report.txt")));

    // Nothing appeared in the base folder but the theme, wherever it is.
    const QByteArray themeInBase = themeAfter.startsWith("base/") ? themeAfter.mid(5) : QByteArray();
    for (const auto &[name, state] : snapshot(base()))
        QVERIFY2(name == themeInBase || (!themeInBase.isEmpty() && name.startsWith(themeInBase + '/')), name.constData());

    // The user was told.
    if (reportTooLate) {
        QCOMPARE(messages->texts(), QStringList{fileCreateError(reportPath)});
        QCOMPARE(messages->requests[0].kind, MessageBoxes::Kind::Error);
    } else if (!failures.isEmpty()) {
        QByteArray lines;
        for (const QByteArray &line : failures)
            lines += line + "\r\n";
        QCOMPARE(TempTree::read(reportPath), lines);
        QCOMPARE(messages->texts(), QStringList{misCopyNotice()});
        // The theme file list shows what the theme now holds.
        Names listed{"Trip.txt", "Trip001.jpg", "Trip002.jpg"};
        for (const QByteArray &copy : copies)
            if (!copy.isEmpty())
                listed << copy;
        if (act == Act::TakeNameByFile)
            listed << others.begin()->first;
        std::sort(listed.begin(), listed.end());
        QCOMPARE(itemsOf(Form1->ListBox2), listed);
    } else {
        QVERIFY(messages->requests.isEmpty());
        QCOMPARE(itemsOf(Form1->ListBox2), (Names{"Trip.txt", "Trip001.jpg", "Trip002.jpg"} + copies));
    }
}

// The source file is deleted after it was listed and selected, before Add.
void TestFaults::sourceRemovedBeforeAdd()
{
    layOut();
    start();
    selectAll();
    QVERIFY(::unlink(tree->at("src/c.bmp").constData()) == 0);
    const Tree sourcesBefore = snapshot(tree->at("src"));
    const Tree themeBefore = snapshot(theme());
    Tree sourceContents = sourcesBefore;
    sourceContents["c.bmp"] = "gone";

    clickAdd();
    QVERIFY(snapshot(tree->at("src")) == sourcesBefore);
    checkTheme(theme(), themeBefore, sourceContents, {"Trip003.jpg", "Trip004.jpg", "", "Trip006.txt"}, {}, true);
    QCOMPARE(TempTree::read(theme() + "/MisCopy.txt"), QByteArray("c.bmp\r\n"));
    QCOMPARE(messages->texts(), QStringList{misCopyNotice()});
}

// A real disk that fills up: the theme folder is a small RAM file system.
void TestFaults::diskFull_data()
{
    QTest::addColumn<QByteArray>("options");
    QTest::addColumn<Names>("copies");
    QTest::addColumn<QByteArray>("report"); // the report's content; null: not created
    QTest::addColumn<QString>("error");     // the error shown instead of the notice

    // The theme holds 7 pages of 4 KiB in 7 inodes, its folder included; the
    // sources take 1, 74, 1 and 1 pages.
    QTest::newRow("one copy does not fit")
        << QByteArray("size=64k") << Names{"Trip003.jpg", "", "Trip005.bmp", "Trip006.txt"}
        << QByteArray("b.jpg\r\n") << QString();
    QTest::newRow("the disk is full after the first copy, the report fits no more")
        << QByteArray("size=32k") << Names{"Trip003.jpg", "", "", ""}
        << QByteArray("") << MessageBoxes::withFullStop(QString::fromUtf8("ストリームへの書き込みエラー"));
    QTest::newRow("no file can be made after the first copy")
        << QByteArray("size=1m,nr_inodes=8") << Names{"Trip003.jpg", "", "", ""}
        << QByteArray() << QString("create");
}

void TestFaults::diskFull()
{
    QFETCH(QByteArray, options);
    QFETCH(Names, copies);
    QFETCH(QByteArray, report);
    QFETCH(QString, error);

    QVERIFY(makeDir(theme()));
    SmallDisk disk(theme(), options);
    if (!disk.mounted())
        QSKIP(QByteArray("no RAM file system can be mounted here: " + disk.why()).constData());
    layOut();
    start();
    selectAll();
    const Tree sourcesBefore = snapshot(tree->at("src"));
    const Tree themeBefore = snapshot(theme());

    clickAdd();
    QVERIFY(snapshot(tree->at("src")) == sourcesBefore);
    checkTheme(theme(), themeBefore, sourcesBefore, copies, {}, !report.isNull());
    const QByteArray reportPath = theme() + "/MisCopy.txt";
    if (report.isNull())
        QVERIFY(!exists(reportPath));
    else
        QCOMPARE(TempTree::read(reportPath), report);
    if (error.isEmpty())
        QCOMPARE(messages->texts(), QStringList{misCopyNotice()});
    else if (error == "create")
        QCOMPARE(messages->texts(), QStringList{fileCreateError(reportPath)});
    else
        QCOMPARE(messages->texts(), QStringList{error});
}

// Renaming a theme while another program holds a file of one of the new
// numbered names: that file is never replaced, the picture that would have
// taken its name keeps its old one.
void TestFaults::renameWhileNameHeld_data()
{
    QTest::addColumn<bool>("asFolder");
    QTest::newRow("a file, open for writing") << false;
    QTest::newRow("a folder") << true;
}

void TestFaults::renameWhileNameHeld()
{
    QFETCH(bool, asFolder);
    layOut();
    QVERIFY(writeFile(theme() + "/Trip003.bmp", content("p3", 3000)));
    int held = -1;
    if (asFolder) {
        QVERIFY(makeDir(theme() + "/Tour002.jpg"));
    } else {
        held = ::open((theme() + "/Tour002.jpg").constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        QVERIFY(held >= 0);
        QCOMPARE(::write(held, "first ", 6), ssize_t(6));
    }
    start();
    const Tree before = snapshot(theme());

    DialogAnswer answer(NewFolderDlg, QStringLiteral("Tour"));
    Form1->Rename1Click();
    QCOMPARE(answer.shown, 1);

    const QByteArray tour = tree->at("base/Tour");
    QVERIFY(!exists(theme()));
    if (!asFolder) {
        // The other program goes on writing to its file, under its name.
        QCOMPARE(::write(held, "second", 6), ssize_t(6));
        ::close(held);
        QCOMPARE(TempTree::read(tour + "/Tour002.jpg"), QByteArray("first second"));
    } else {
        QCOMPARE(snapshot(tour)["Tour002.jpg"], QByteArray("<dir>"));
    }
    const Tree after = snapshot(tour);
    auto stateOf = [](const Tree &t, const QByteArray &name) {
        const auto it = t.find(name);
        return it == t.end() ? QByteArray("<missing>") : it->second;
    };
    QCOMPARE(stateOf(after, "Tour001.jpg"), stateOf(before, "Trip001.jpg"));
    QCOMPARE(stateOf(after, "Trip002.jpg"), stateOf(before, "Trip002.jpg")); // kept its name: a gap in the numbering
    QCOMPARE(stateOf(after, "Tour003.bmp"), stateOf(before, "Trip003.bmp"));
    // Everything else as it was: the note and the sub-folder keep their names.
    for (const auto &[name, state] : before) {
        if (name.startsWith("Trip0") || name == "Tour002.jpg")
            continue;
        QVERIFY2(stateOf(after, name) == state, name.constData());
    }
    QCOMPARE(after.size(), before.size());
    // A picture rename that fails is not told; the theme is selected with what it holds.
    QVERIFY(messages->requests.isEmpty());
    QCOMPARE(Form1->ThemeName, QByteArray("Tour"));
    // (A folder is no entry of the theme file list.)
    QCOMPARE(itemsOf(Form1->ListBox2), asFolder ? (Names{"Tour001.jpg", "Tour003.bmp"})
                                                : (Names{"Tour001.jpg", "Tour002.jpg", "Tour003.bmp"}));
}

int main(int argc, char **argv)
{
    PelmoraApplication app(argc, argv);
    TestFaults test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_faults.moc"
