// Names as the file system holds them: Shift_JIS bytes, bytes that are no
// UTF-8 at all, blanks, leading dashes, newlines and names of the longest
// length. They list (shown with replacement characters where they do not
// decode), copy under numbered names, rename and renumber, preview, and go
// into "MisCopy.txt" byte for byte.
#include "application.h"
#include "filingfixture.h"
#include "forms.h"
#include "imageform/form2.h"
#include "imageform/imagecontrol.h"
#include "messageboxes.h"
#include "newfolder/newfolderdlg.h"
#include "pelmoraMain/form1.h"
#include "pelmoraMain/sortedlistbox.h"
#include "pelmoraMain/sourcelistbox.h"
#include "pelmoraMain/themefilelistbox.h"
#include "testpictures.h"
#include "testsupport.h"

#include <QFile>
#include <QGuiApplication>
#include <QStringDecoder>
#include <QTest>
#include <QToolButton>

#include <algorithm>
#include <memory>
#include <set>

using Names = QList<QByteArray>;
using namespace Filing;

namespace {

QByteArray bmpFile(int width, int height, QRgb colour)
{
    return TestPictures::bmp24(width, height, colour);
}

Names itemsOf(const SortedListBox *list)
{
    Names names;
    for (int i = 0; i < list->Count(); ++i)
        names << list->Item(i);
    return names;
}

QString shown(const SortedListBox *list, int row)
{
    return list->model()->index(row, 0).data(Qt::DisplayRole).toString();
}

bool isUtf8(const QByteArray &bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(bytes);
    return !decoder.hasError() && !text.isNull();
}

QString misCopyNotice()
{
    return QString::fromUtf8("コピーミスが有ります。\nMisCopy.txtに書き出しました。");
}

} // namespace

class TestNames : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void fileAndRename_data();
    void fileAndRename();
    void longestNames_data();
    void longestNames();

private:
    void start();
    void chooseSource(const QByteArray &folder);
    void selectTheme(const QByteArray &theme);
    void preview(SortedListBox *list, const QByteArray &entry, const QSize &size, QRgb colour);
    void rename(const QByteArray &to);

    std::unique_ptr<TempTree> tree;
    std::unique_ptr<CurrentDirectory> cwd;
    std::unique_ptr<MessageRecorder> messages;
};

void TestNames::init()
{
    tree = std::make_unique<TempTree>();
    QVERIFY(makeDir(tree->at("base")));
    messages = std::make_unique<MessageRecorder>();
}

void TestNames::cleanup()
{
    Forms::destroyAll();
    cwd.reset();
    messages.reset();
    // Qt's own removal cannot name entries whose names do not decode.
    if (tree)
        removeTree(tree->path());
    tree.reset();
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
}

void TestNames::start()
{
    cwd = std::make_unique<CurrentDirectory>(tree->at("base"));
    Forms::createAll();
    Form2->desktopSize = [] { return QSize(4000, 3000); };
}

// The folder chooser gives the folder's bytes; no edit could carry them.
void TestNames::chooseSource(const QByteArray &folder)
{
    Form1->chooseFolder = [folder] { return std::optional<QByteArray>(folder); };
    Form1->N4Click();
    QCOMPARE(Form1->SourceFolder, folder);
}

void TestNames::selectTheme(const QByteArray &theme)
{
    const int row = itemsOf(Form1->ListBox1).indexOf(theme);
    QVERIFY2(row >= 0, theme.constData());
    Form1->ListBox1->SetItemIndex(row);
    Form1->ListBox1Click();
    QCOMPARE(Form1->ThemeName, theme);
}

// A double click on the entry: the preview shows the picture.
void TestNames::preview(SortedListBox *list, const QByteArray &entry, const QSize &size, QRgb colour)
{
    const int row = itemsOf(list).indexOf(entry);
    QVERIFY2(row >= 0, entry.constData());
    list->SetItemIndex(row);
    QMetaObject::invokeMethod(Form1, list == Form1->ListBox2 ? "ListBox2DblClick" : "ListBox3DblClick",
                              Qt::QueuedConnection);
    QCoreApplication::processEvents();
    QCOMPARE(messages->texts(), QStringList{});
    QVERIFY(Form2->isVisible());
    QCOMPARE(Form2->Image1->size(), size);
    QCOMPARE(Form2->Image1->grab().toImage().pixel(0, 0), colour);
    Form2->hide();
}

// Renames the current theme to a name given as bytes. The dialog offers a
// name it holds from before; OK on that name as shown keeps its bytes.
void TestNames::rename(const QByteArray &to)
{
    NewFolderDlg->FolderName = to;
    DialogAnswer answer(NewFolderDlg);
    Form1->Rename1Click();
    QCOMPARE(answer.shown, 1);
}

void TestNames::fileAndRename_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::newRow("Shift_JIS 写真") << QByteArray("\x8E\xCA\x90\x5E");
    QTest::newRow("bytes that are no UTF-8") << QByteArray("\xFF\xFE\x80z");
    QTest::newRow("cut UTF-8 sequence") << QByteArray("caf\xC3");
    QTest::newRow("overlong slash") << QByteArray("a\xC0\xAF" "b");
    QTest::newRow("UTF-8 写真") << QByteArray("写真");
    QTest::newRow("blanks") << QByteArray(" my trip ");
    QTest::newRow("leading dashes") << QByteArray("--help");
    QTest::newRow("newline") << QByteArray("two\nlines");
}

// One name for everything: the theme, the source folder and its files.
void TestNames::fileAndRename()
{
    QFETCH(QByteArray, name);
    const QByteArray theme = tree->at("base/" + name);
    const QByteArray source = tree->at(name);
    QVERIFY(makeDir(theme) && makeDir(source));
    QVERIFY(makeDir(tree->at("base/other")));
    QVERIFY(writeFile(theme + "/" + name + "001.jpg", content("old", 100)));
    QVERIFY(writeFile(theme + "/" + name + " note.txt", "note"));
    const Names sources{name + "a.jpg", "x" + name + ".bmp", "-" + name + ".JPG"};
    QVERIFY(writeFile(source + "/" + sources[0], content(sources[0], 50)));
    QVERIFY(writeFile(source + "/" + sources[1], bmpFile(3, 2, qRgb(200, 10, 20))));
    QVERIFY(writeFile(source + "/" + sources[2], content(sources[2], 70)));
    const Tree sourcesBefore = snapshot(source);
    start();

    // Listed by their bytes, shown decoded: replacement characters for what
    // does not decode.
    QCOMPARE(itemsOf(Form1->ListBox1).size(), 2);
    const int themeRow = itemsOf(Form1->ListBox1).indexOf(name);
    QVERIFY(themeRow >= 0);
    QCOMPARE(shown(Form1->ListBox1, themeRow), QFile::decodeName(name));
    QCOMPARE(shown(Form1->ListBox1, themeRow).contains(QChar::ReplacementCharacter), !isUtf8(name));
    selectTheme(name);
    QCOMPARE(itemsOf(Form1->ListBox2), (Names{name + " note.txt", name + "001.jpg"}));
    chooseSource(source);
    Names listed = itemsOf(Form1->ListBox3);
    std::sort(listed.begin(), listed.end());
    Names expected = sources;
    std::sort(expected.begin(), expected.end());
    QCOMPARE(listed, expected);

    // Preview from the source list.
    preview(Form1->ListBox3, sources[1], QSize(3, 2), qRgb(200, 10, 20));

    // Add all three; the first is deleted after it was listed and goes into
    // the report by its bytes.
    for (int row = 0; row < Form1->ListBox3->Count(); ++row)
        Form1->ListBox3->SetSelected(row, true);
    QVERIFY(::unlink((source + "/" + sources[0]).constData()) == 0);
    QTest::mouseClick(Form1->SpeedButton2, Qt::LeftButton);
    QCOMPARE(messages->texts(), QStringList{misCopyNotice()});
    messages->requests.clear();
    QCOMPARE(TempTree::read(theme + "/MisCopy.txt"), sources[0] + "\r\n");
    QByteArray bmpCopy;
    int serial = 2;
    for (const QByteArray &entry : itemsOf(Form1->ListBox3)) {
        const QByteArray extension = entry.mid(entry.lastIndexOf('.'));
        const QByteArray copy = name + QByteArray::number(serial++).rightJustified(3, '0') + extension;
        if (entry == sources[0]) {
            QVERIFY(!exists(theme + "/" + copy));
            continue;
        }
        QCOMPARE(checksum(TempTree::read(theme + "/" + copy)), contentOf(sourcesBefore, entry));
        QVERIFY2(itemsOf(Form1->ListBox2).contains(copy), copy.constData());
        if (entry == sources[1])
            bmpCopy = copy;
    }
    QCOMPARE(itemsOf(Form1->ListBox2).size(), 4);

    // Preview from the theme file list.
    preview(Form1->ListBox2, bmpCopy, QSize(3, 2), qRgb(200, 10, 20));

    // Rename to a plain name: the pictures are numbered again from 001.
    const Tree filed = snapshot(theme);
    rename("Plain");
    QCOMPARE(messages->texts(), QStringList{});
    QVERIFY(!exists(theme));
    QCOMPARE(Form1->ThemeName, QByteArray("Plain"));
    const Names plainPictures = itemsOf(Form1->ListBox2);
    QCOMPARE(plainPictures.size(), 3);
    for (int i = 0; i < plainPictures.size(); ++i)
        QVERIFY2(plainPictures[i].startsWith("Plain00" + QByteArray::number(i + 1) + "."), plainPictures[i].constData());

    // And back to the name: numbered again, under its bytes.
    rename(name);
    QCOMPARE(messages->texts(), QStringList{});
    QCOMPARE(Form1->ThemeName, name);
    QCOMPARE(Form1->ListBox1->Item(Form1->ListBox1->ItemIndex()), name);
    const Names back = itemsOf(Form1->ListBox2);
    QCOMPARE(back.size(), 4); // the three pictures and the note
    QVERIFY(back.contains(name + " note.txt"));
    // Every file filed is still there with its bytes; the pictures carry the
    // name and the serials 001 to 003 again.
    const Tree now = snapshot(theme);
    QCOMPARE(now.size(), filed.size());
    std::multiset<QByteArray> before, after;
    for (const auto &[file, state] : filed)
        before.insert(state);
    for (const auto &[file, state] : now)
        after.insert(state);
    QVERIFY(before == after);
    for (int i = 1; i <= 3; ++i) {
        const QByteArray prefix = name + QByteArray::number(i).rightJustified(3, '0') + ".";
        QVERIFY2(std::any_of(back.begin(), back.end(), [&](const QByteArray &n) { return n.startsWith(prefix); }),
                 prefix.constData());
    }
    QVERIFY(snapshot(tree->at(name)).size() == sourcesBefore.size() - 1);
}

// Names of 255 bytes, the longest a folder entry can have.
void TestNames::longestNames_data()
{
    QTest::addColumn<int>("themeLength");
    QTest::addColumn<bool>("copied");
    // 248 + "001.jpg": a copy's name of 255 bytes.
    QTest::newRow("copy names of 255 bytes") << 248 << true;
    // 249 + "001.jpg" is one byte too long for any file system: every copy fails.
    QTest::newRow("copy names too long") << 249 << false;
    QTest::newRow("theme of 255 bytes") << 255 << false;
}

void TestNames::longestNames()
{
    QFETCH(int, themeLength);
    QFETCH(bool, copied);
    const QByteArray name(themeLength, 'T');
    const QByteArray theme = tree->at("base/" + name);
    QVERIFY(makeDir(theme));
    QVERIFY(makeDir(tree->at("src")));
    const QByteArray longSource = QByteArray(251, 's') + ".jpg";
    QVERIFY(writeFile(tree->at("src/" + longSource), content("long", 80)));
    QVERIFY(writeFile(tree->at("src/short.jpg"), content("short", 80)));
    const Tree sourcesBefore = snapshot(tree->at("src"));
    start();

    QCOMPARE(itemsOf(Form1->ListBox1), Names{name});
    selectTheme(name);
    chooseSource(tree->at("src"));
    QCOMPARE(itemsOf(Form1->ListBox3), (Names{"short.jpg", longSource}));
    for (int row = 0; row < 2; ++row)
        Form1->ListBox3->SetSelected(row, true);
    QTest::mouseClick(Form1->SpeedButton2, Qt::LeftButton);

    QVERIFY(snapshot(tree->at("src")) == sourcesBefore);
    const Tree filed = snapshot(theme);
    if (copied) {
        QVERIFY(messages->requests.isEmpty());
        QCOMPARE(filed.size(), size_t(2));
        QCOMPARE(contentOf(filed, name + "001.jpg"), contentOf(sourcesBefore, "short.jpg"));
        QCOMPARE(contentOf(filed, name + "002.jpg"), contentOf(sourcesBefore, longSource));
        QCOMPARE(itemsOf(Form1->ListBox2), (Names{name + "001.jpg", name + "002.jpg"}));
    } else {
        QCOMPARE(messages->texts(), QStringList{misCopyNotice()});
        QCOMPARE(filed.size(), size_t(1));
        QCOMPARE(TempTree::read(theme + "/MisCopy.txt"), "short.jpg\r\n" + longSource + "\r\n");
    }
}

int main(int argc, char **argv)
{
    PelmoraApplication app(argc, argv);
    TestNames test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_names.moc"
