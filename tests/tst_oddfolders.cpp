// Folders that are not what the program expects: a base folder that cannot be
// read, a source folder that vanishes after it was listed, and folders that
// hold FIFOs, device nodes, sockets and symbolic-link loops. Special entries
// are never listed and never opened, so none of them can hold up a copy.
#include "application.h"
#include "filingfixture.h"
#include "forms.h"
#include "imageform/form2.h"
#include "messageboxes.h"
#include "pelmoraMain/form1.h"
#include "pelmoraMain/sortedlistbox.h"
#include "pelmoraMain/sourcelistbox.h"
#include "pelmoraMain/themefilelistbox.h"
#include "testsupport.h"

#include <QAction>
#include <QFile>
#include <QGuiApplication>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>

#include <sys/inotify.h>
#include <sys/socket.h>
#include <sys/sysmacros.h>
#include <sys/un.h>

#include <cstring>
#include <map>
#include <memory>

using Names = QList<QByteArray>;
using namespace Filing;

namespace {

enum class Special { Fifo, CharDevice, Socket, LinkToItself, LinkCycle, DanglingLink, LinkToParent };

// Makes a special entry of the given kind at path. Returns an empty string or
// why it could not be made.
QByteArray makeSpecial(Special kind, const QByteArray &path)
{
    const QByteArray name = path.mid(path.lastIndexOf('/') + 1);
    int result = -1;
    switch (kind) {
    case Special::Fifo:
        result = ::mkfifo(path.constData(), 0644);
        break;
    case Special::CharDevice: // the kernel's zero device: endless data when read
        result = ::mknod(path.constData(), S_IFCHR | 0644, makedev(1, 5));
        break;
    case Special::Socket: {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        if (fd < 0 || size_t(path.size()) >= sizeof address.sun_path)
            return "no socket";
        std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
        result = ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address);
        ::close(fd);
        break;
    }
    case Special::LinkToItself:
        result = ::symlink(name.constData(), path.constData());
        break;
    case Special::LinkCycle:
        result = ::symlink((name + ".other").constData(), path.constData()) == 0
                && ::symlink(name.constData(), (path + ".other").constData()) == 0 ? 0 : -1;
        break;
    case Special::DanglingLink:
        result = ::symlink("nothing here", path.constData());
        break;
    case Special::LinkToParent:
        result = ::symlink("..", path.constData());
        break;
    }
    return result == 0 ? QByteArray() : QByteArray(std::strerror(errno));
}

// Records every open, read and write of an entry in the watched folders.
class OpenWatch
{
public:
    OpenWatch() : m_fd(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) { }
    ~OpenWatch()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    bool watch(const QByteArray &folder)
    {
        const int wd = ::inotify_add_watch(m_fd, folder.constData(), IN_OPEN | IN_ACCESS | IN_MODIFY);
        if (wd < 0)
            return false;
        m_folders[wd] = folder;
        return true;
    }
    // The entries touched since the last call, as folder/name.
    QByteArrayList touched()
    {
        QByteArrayList names;
        alignas(inotify_event) char buffer[65536];
        ssize_t n;
        while ((n = ::read(m_fd, buffer, sizeof buffer)) > 0) {
            for (char *p = buffer; p < buffer + n;) {
                const auto *event = reinterpret_cast<const inotify_event *>(p);
                if (event->len > 0)
                    names << m_folders[event->wd] + '/' + QByteArray(event->name);
                p += sizeof(inotify_event) + event->len;
            }
        }
        return names;
    }

private:
    int m_fd;
    std::map<int, QByteArray> m_folders;
};

Names itemsOf(const SortedListBox *list)
{
    Names names;
    for (int i = 0; i < list->Count(); ++i)
        names << list->Item(i);
    return names;
}

QString misCopyNotice()
{
    return QString::fromUtf8("コピーミスが有ります。\nMisCopy.txtに書き出しました。");
}

} // namespace

Q_DECLARE_METATYPE(Special)

class TestOddFolders : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void specialEntries_data();
    void specialEntries();
    void unreadableBase_data();
    void unreadableBase();
    void sourceFolderVanishes();

private:
    void start(const QByteArray &base);
    void chooseSource(const QByteArray &folder);
    void selectTheme(const QByteArray &theme);

    std::unique_ptr<TempTree> tree;
    std::unique_ptr<CurrentDirectory> cwd;
    std::unique_ptr<MessageRecorder> messages;
};

void TestOddFolders::init()
{
    tree = std::make_unique<TempTree>();
    messages = std::make_unique<MessageRecorder>();
}

void TestOddFolders::cleanup()
{
    Forms::destroyAll();
    cwd.reset();
    messages.reset();
    tree.reset();
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
}

void TestOddFolders::start(const QByteArray &base)
{
    cwd = std::make_unique<CurrentDirectory>(base);
    Forms::createAll();
}

void TestOddFolders::chooseSource(const QByteArray &folder)
{
    Form1->chooseFolder = [folder] { return std::optional<QByteArray>(folder); };
    Form1->N4Click();
}

void TestOddFolders::selectTheme(const QByteArray &theme)
{
    Form1->ListBox1->SetItemIndex(Form1->ListBox1->IndexOfExact(theme));
    Form1->ListBox1Click();
    QCOMPARE(Form1->ThemeName, theme);
}

void TestOddFolders::specialEntries_data()
{
    QTest::addColumn<Special>("kind");
    QTest::newRow("FIFO") << Special::Fifo;
    QTest::newRow("character device") << Special::CharDevice;
    QTest::newRow("socket") << Special::Socket;
    QTest::newRow("link to itself") << Special::LinkToItself;
    QTest::newRow("two links to each other") << Special::LinkCycle;
    QTest::newRow("link to nothing") << Special::DanglingLink;
    QTest::newRow("link to the folder above") << Special::LinkToParent;
}

// The special entry stands in the base folder as "Special", in the source
// folder as "special.jpg" and in the theme under the name of its next
// picture, Trip003.bmp. It is not listed anywhere, it is never opened, it
// takes the name it holds from the copy, and the theme renames around it.
void TestOddFolders::specialEntries()
{
    QFETCH(Special, kind);
    const QByteArray base = tree->at("base");
    const QByteArray theme = base + "/Trip";
    const QByteArray source = tree->at("src");
    QVERIFY(makeDir(base) && makeDir(theme) && makeDir(source));
    QVERIFY(writeFile(theme + "/Trip001.jpg", content("t1", 500)));
    QVERIFY(writeFile(source + "/a.jpg", content("a", 700)));
    QVERIFY(writeFile(source + "/b.bmp", content("b", 900)));
    QVERIFY(writeFile(source + "/c.jpg", content("c", 300)));
    QVERIFY(::symlink("a.jpg", (source + "/link.jpg").constData()) == 0); // a linked file lists as a file
    for (const QByteArray &path : {base + "/Special", source + "/special.jpg", theme + "/Trip003.bmp"}) {
        const QByteArray why = makeSpecial(kind, path);
        if (!why.isEmpty())
            QSKIP(QByteArray("cannot make the entry here: " + why).constData());
    }
    const Tree sourcesBefore = snapshot(source);
    const Tree themeBefore = snapshot(theme);

    OpenWatch opens;
    QVERIFY(opens.watch(base) && opens.watch(theme) && opens.watch(source));
    // The watch sees an open: a file read by the test.
    QCOMPARE(TempTree::read(source + "/c.jpg").size(), 300);
    QVERIFY(opens.touched().contains(source + "/c.jpg"));
    start(base);
    QCOMPARE(itemsOf(Form1->ListBox1), Names{"Trip"});
    selectTheme("Trip");
    QCOMPARE(itemsOf(Form1->ListBox2), Names{"Trip001.jpg"});
    chooseSource(source);
    QCOMPARE(itemsOf(Form1->ListBox3), (Names{"a.jpg", "b.bmp", "c.jpg", "link.jpg"}));

    // Add a.jpg, b.bmp and c.jpg: b.bmp's name, Trip003.bmp, is taken.
    for (int row = 0; row < 3; ++row)
        Form1->ListBox3->SetSelected(row, true);
    QTest::mouseClick(Form1->SpeedButton2, Qt::LeftButton);
    QCOMPARE(messages->texts(), QStringList{misCopyNotice()});
    messages->requests.clear();
    QCOMPARE(TempTree::read(theme + "/MisCopy.txt"), QByteArray("b.bmp\r\n"));
    Tree filed = snapshot(theme);
    QCOMPARE(contentOf(filed, "Trip002.jpg"), contentOf(sourcesBefore, "a.jpg"));
    QCOMPARE(contentOf(filed, "Trip004.jpg"), contentOf(sourcesBefore, "c.jpg"));
    QCOMPARE(filed["Trip003.bmp"], themeBefore.at("Trip003.bmp"));
    QCOMPARE(itemsOf(Form1->ListBox2), (Names{"Trip001.jpg", "Trip002.jpg", "Trip004.jpg"}));
    QVERIFY(snapshot(source) == sourcesBefore);

    // Rename the theme: its pictures take the new name, the entry stays as it is.
    DialogAnswer answer(NewFolderDlg, QStringLiteral("Tour"));
    Form1->Rename1->trigger();
    QCOMPARE(messages->texts(), QStringList{});
    const Tree renamed = snapshot(base + "/Tour");
    QCOMPARE(contentOf(renamed, "Tour001.jpg"), contentOf(themeBefore, "Trip001.jpg"));
    QCOMPARE(contentOf(renamed, "Tour002.jpg"), contentOf(sourcesBefore, "a.jpg"));
    QCOMPARE(contentOf(renamed, "Tour003.jpg"), contentOf(sourcesBefore, "c.jpg"));
    QCOMPARE(renamed.at("Trip003.bmp"), themeBefore.at("Trip003.bmp"));
    QCOMPARE(itemsOf(Form1->ListBox2), (Names{"Tour001.jpg", "Tour002.jpg", "Tour003.jpg"}));

    // None of the special entries was ever opened.
    for (const QByteArray &touched : opens.touched()) {
        QVERIFY2(!touched.endsWith("/Special") && !touched.endsWith("/special.jpg")
                     && !touched.endsWith("/Trip003.bmp") && !touched.endsWith(".other"),
                 touched.constData());
    }
}

void TestOddFolders::unreadableBase_data()
{
    QTest::addColumn<QByteArray>("chosen"); // below the temporary folder
    QTest::addColumn<bool>("vanishes");     // removed as it is chosen
    QTest::newRow("the path of a file") << QByteArray("notes.txt") << false;
    QTest::newRow("a folder that vanishes") << QByteArray("gone") << true;
    QTest::newRow("a path through a file") << QByteArray("notes.txt/base") << false;
}

// A base folder that cannot be read lists no theme, silently; Add asks for a
// theme, and a new theme in it fails with the list's error; nothing is
// created anywhere.
void TestOddFolders::unreadableBase()
{
    QFETCH(QByteArray, chosen);
    QFETCH(bool, vanishes);
    QVERIFY(makeDir(tree->at("start")) && makeDir(tree->at("start/Trip")));
    QVERIFY(writeFile(tree->at("notes.txt"), "notes"));
    QVERIFY(makeDir(tree->at("gone")) && makeDir(tree->at("gone/Theme")));
    QVERIFY(makeDir(tree->at("src")));
    QVERIFY(writeFile(tree->at("src/a.jpg"), "a"));
    start(tree->at("start"));
    chooseSource(tree->at("src"));
    Form1->ListBox3->SetSelected(0, true);
    selectTheme("Trip");

    const QByteArray path = tree->at(chosen);
    const QByteArray gone = tree->at("gone");
    Form1->chooseFolder = [path, gone, vanishes] {
        if (vanishes)
            removeTree(gone);
        return std::optional<QByteArray>(path);
    };
    Tree before = snapshot(tree->path());
    if (vanishes)
        before.erase(before.lower_bound("gone"), before.upper_bound("gone/~"));
    Form1->B1->trigger();
    QCOMPARE(Form1->BaseFolder, path);
    QCOMPARE(Form1->Edit1->text(), QFile::decodeName(path));
    QCOMPARE(Form1->ListBox1->Count(), 0);
    QCOMPARE(Form1->ListBox2->Count(), 0);
    QVERIFY(Form1->ThemeName.isEmpty());
    QCOMPARE(messages->texts(), QStringList{});

    QTest::mouseClick(Form1->SpeedButton2, Qt::LeftButton);
    QCOMPARE(messages->texts(), QStringList{QString::fromUtf8("フォルダを選択してください。")});
    messages->requests.clear();

    DialogAnswer answer(NewFolderDlg, QStringLiteral("New"));
    Form1->N2->trigger();
    QCOMPARE(answer.shown, 1);
    QCOMPARE(messages->texts(),
             QStringList{MessageBoxes::withFullStop(QString::fromUtf8("リストのインデックスが範囲を超えています (-1)"))});
    QCOMPARE(messages->requests[0].kind, MessageBoxes::Kind::Error);
    QVERIFY(snapshot(tree->path()) == before);
}

// The source folder is listed, then removed: every selected file fails and is
// reported; a preview of one of its entries cannot open the file.
void TestOddFolders::sourceFolderVanishes()
{
    const QByteArray base = tree->at("base");
    QVERIFY(makeDir(base) && makeDir(base + "/Trip"));
    QVERIFY(writeFile(base + "/Trip/Trip001.jpg", content("t1", 100)));
    QVERIFY(makeDir(tree->at("card")));
    for (const char *name : {"IMG_1.JPG", "IMG_2.JPG", "IMG_3.BMP"})
        QVERIFY(writeFile(tree->at("card/") + name, content(name, 100)));
    start(base);
    selectTheme("Trip");
    chooseSource(tree->at("card"));
    for (int row = 0; row < 3; ++row)
        Form1->ListBox3->SetSelected(row, true);
    const Tree themeBefore = snapshot(base + "/Trip");
    QVERIFY(::rename(tree->at("card").constData(), tree->at("card, taken out").constData()) == 0);

    QTest::mouseClick(Form1->SpeedButton2, Qt::LeftButton);
    QCOMPARE(messages->texts(), QStringList{misCopyNotice()});
    messages->requests.clear();
    Tree after = snapshot(base + "/Trip");
    QCOMPARE(TempTree::read(base + "/Trip/MisCopy.txt"), QByteArray("IMG_1.JPG\r\nIMG_2.JPG\r\nIMG_3.BMP\r\n"));
    after.erase("MisCopy.txt");
    QVERIFY(after == themeBefore);
    QCOMPARE(itemsOf(Form1->ListBox2), Names{"Trip001.jpg"});

    // The list still shows the entries; a preview of one cannot open it.
    Form2->desktopSize = [] { return QSize(4000, 3000); };
    Form1->ListBox3->SetItemIndex(2);
    QMetaObject::invokeMethod(Form1, "ListBox3DblClick", Qt::QueuedConnection);
    QCoreApplication::processEvents();
    QCOMPARE(messages->texts(),
             QStringList{MessageBoxes::withFullStop(QString::fromUtf8("ファイル %1 は開けません")
                                                        .arg(QFile::decodeName(tree->at("card/IMG_3.BMP"))))});
    QVERIFY(!Form2->isVisible());
}

int main(int argc, char **argv)
{
    PelmoraApplication app(argc, argv);
    TestOddFolders test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_oddfolders.moc"
