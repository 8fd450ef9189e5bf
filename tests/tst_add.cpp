#include "application.h"
#include "filecopy.h"
#include "forms.h"
#include "messageboxes.h"
#include "pelmoraMain/form1.h"
#include "pelmoraMain/sortedlistbox.h"
#include "pelmoraMain/sourcelistbox.h"
#include "pelmoraMain/themefilelistbox.h"
#include "platformerror.h"
#include "testsupport.h"
#include "texts.h"

#include <QDir>
#include <QDrag>
#include <QDragEnterEvent>
#include <QFile>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <memory>

using Names = QList<QByteArray>;

namespace {

bool exists(const QByteArray &path)
{
    struct stat st;
    return ::lstat(path.constData(), &st) == 0;
}

// The names in a folder, sorted by bytes.
Names folderNames(const QByteArray &folder)
{
    Names names;
    const QStringList entries = QDir(QFile::decodeName(folder)).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString &entry : entries)
        names << QFile::encodeName(entry);
    std::sort(names.begin(), names.end());
    return names;
}

Names itemsOf(const SortedListBox *list)
{
    Names names;
    for (int i = 0; i < list->Count(); ++i)
        names << list->Item(i);
    return names;
}

Names sorted(Names names)
{
    std::sort(names.begin(), names.end());
    return names;
}

QMimeData *ownDragData()
{
    auto *data = new QMimeData;
    data->setData(QLatin1String(SourceListBox::DragMimeType), QByteArray::number(QCoreApplication::applicationPid()));
    return data;
}

// Delivers a drag to a widget as the platform would: enter, then drop when
// the enter was accepted. Returns whether the drop was accepted.
bool dropOn(QWidget *widget, const QMimeData *data)
{
    const QPoint point(5, 5);
    QDragEnterEvent enter(point, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent drop(QPointF(point), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &drop);
    return drop.isAccepted();
}

void sendMouse(QWidget *widget, QEvent::Type type, const QPoint &point, Qt::MouseButton button,
               Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QMouseEvent event(type, QPointF(point), QPointF(widget->mapToGlobal(point)), button, buttons, modifiers);
    QCoreApplication::sendEvent(widget, &event);
}

} // namespace

class TestAdd : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void numbering_data();
    void numbering();
    void gapThenNextRun();
    void sourceListUnchanged();
    void nothingSelected();
    void noTheme_data();
    void noTheme();
    void reportCannotBeCreated();
    void themeFolderVanished();
    void reportCannotBeWritten();
    void copyFailingPartWay();

    void dropRunsAdd();
    void foreignDragsRefused_data();
    void foreignDragsRefused();
    void onlyThemeFileListTakesOurDrags();
    void dragFromSourceListToThemeList();

    void pressRules_data();
    void pressRules();
    void doubleClickOnSelectedEntry();

private:
    QByteArray themeFolder(const QByteArray &theme = "Trip") const { return tree->at("base/" + theme); }
    void openTheme(const QByteArray &theme);
    void openSource();
    void select(const Names &names);
    void clickAdd();

    std::unique_ptr<TempTree> tree;
    std::unique_ptr<CurrentDirectory> cwd;
};

void TestAdd::init()
{
    tree = std::make_unique<TempTree>();
    tree->dir("base");
    tree->dir("src");
    cwd = std::make_unique<CurrentDirectory>(tree->at("base"));
    Forms::createAll();
}

void TestAdd::cleanup()
{
    Forms::destroyAll();
    cwd.reset();
    tree.reset();
    FileCopy::Faults::setFailAfterBytes(-1);
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
}

void TestAdd::openTheme(const QByteArray &theme)
{
    tree->dir("base/" + theme);
    Form1->RefreshThemeList();
    Form1->ListBox1->SetItemIndex(Form1->ListBox1->IndexOfExact(theme));
    Form1->ListBox1Click();
    QCOMPARE(Form1->ThemeName, theme);
}

void TestAdd::openSource()
{
    Form1->Edit2->setText(QFile::decodeName(tree->at("src")));
    QTest::keyClick(Form1->Edit2, Qt::Key_Return);
    QCOMPARE(Form1->SourceFolder, tree->at("src"));
}

void TestAdd::select(const Names &names)
{
    for (const QByteArray &name : names) {
        const int row = Form1->ListBox3->IndexOfExact(name);
        QVERIFY2(row >= 0, name.constData());
        Form1->ListBox3->SetSelected(row, true);
    }
}

void TestAdd::clickAdd()
{
    QTest::mouseClick(Form1->SpeedButton2, Qt::LeftButton);
}

void TestAdd::numbering_data()
{
    QTest::addColumn<QByteArray>("theme");
    QTest::addColumn<Names>("themeFiles");   // in the theme when it is listed
    QTest::addColumn<Names>("takenLater");   // created in the theme after it was listed
    QTest::addColumn<Names>("sources");      // the source folder
    QTest::addColumn<Names>("selected");     // selected, in this order
    QTest::addColumn<Names>("removedLater"); // sources deleted after they were listed
    QTest::addColumn<Names>("copies");       // expected new files: copy of selected[i] (in list order) or "" for none
    QTest::addColumn<Names>("failures");     // expected lines of the report

    const QByteArray trip("Trip");
    QTest::newRow("empty theme starts at 001")
        << trip << Names{} << Names{} << Names{"IMG_1.JPG"} << Names{"IMG_1.JPG"} << Names{}
        << Names{"Trip001.JPG"} << Names{};
    QTest::newRow("continues after the last, extension case kept")
        << trip << Names{"Trip001.jpg", "Trip002.jpg", "Trip003.jpg"} << Names{}
        << Names{"IMG_1.JPG", "img_2.jpg"} << Names{"IMG_1.JPG", "img_2.jpg"} << Names{}
        << Names{"Trip004.JPG", "Trip005.jpg"} << Names{};
    QTest::newRow("last entry without a serial counts the entries")
        << trip << Names{"Trip001.jpg", "Trip002.jpg", "Trip010.jpg", "Trip011.jpg", "TripNotes.txt"} << Names{}
        << Names{"a.jpg"} << Names{"a.jpg"} << Names{}
        << Names{"Trip006.jpg"} << Names{};
    QTest::newRow("counted serial taken")
        << trip << Names{"Trip001.jpg", "Trip002.jpg", "Trip003.jpg", "Trip006.jpg", "TripNotes.txt"} << Names{}
        << Names{"a.jpg", "b.jpg"} << Names{"a.jpg", "b.jpg"} << Names{}
        << Names{"", "Trip007.jpg"} << Names{"a.jpg"};
    QTest::newRow("negative serial")
        << trip << Names{"Trip-5.jpg"} << Names{}
        << Names{"a.jpg"} << Names{"a.jpg"} << Names{}
        << Names{"Trip-004.jpg"} << Names{};
    Names thousand;
    for (int i = 1; i <= 1000; ++i)
        thousand << "Trip" + QByteArray::number(i).rightJustified(3, '0') + ".jpg";
    QTest::newRow("numbering goes on past 999")
        << trip << thousand << Names{}
        << Names{"a.jpg", "b.jpg"} << Names{"a.jpg", "b.jpg"} << Names{}
        << Names{"Trip1001.jpg", "Trip1002.jpg"} << Names{};
    QTest::newRow("no serial past the 32-bit range")
        << trip << Names{"Trip2147483646.jpg"} << Names{}
        << Names{"a.jpg", "b.jpg", "c.jpg"} << Names{"a.jpg", "b.jpg", "c.jpg"} << Names{}
        << Names{"Trip2147483647.jpg", "", ""} << Names{"b.jpg", "c.jpg"};
    QTest::newRow("not a picture, no extension")
        << trip << Names{"Trip005.jpg"} << Names{}
        << Names{"README", "memo.txt"} << Names{"memo.txt", "README"} << Names{}
        << Names{"Trip006.txt", "Trip007"} << Names{};
    QTest::newRow("list order, not selection order")
        << trip << Names{} << Names{}
        << Names{"a.jpg", "b.jpg", "c.jpg", "d.jpg"} << Names{"d.jpg", "b.jpg", "a.jpg"} << Names{}
        << Names{"Trip001.jpg", "Trip002.jpg", "Trip003.jpg"} << Names{};
    QTest::newRow("numeric list order of the sources")
        << trip << Names{} << Names{}
        << Names{"IMG_10.jpg", "IMG_9.jpg"} << Names{"IMG_10.jpg", "IMG_9.jpg"} << Names{}
        << Names{"Trip001.jpg", "Trip002.jpg"} << Names{};
    QTest::newRow("name taken after listing")
        << trip << Names{"Trip001.jpg"} << Names{"Trip002.jpg"}
        << Names{"a.jpg", "b.jpg"} << Names{"a.jpg", "b.jpg"} << Names{}
        << Names{"", "Trip003.jpg"} << Names{"a.jpg"};
    QTest::newRow("source gone, name bytes reported as listed")
        << trip << Names{} << Names{}
        << Names{"\xff\xfe.jpg", "b.jpg"} << Names{"\xff\xfe.jpg", "b.jpg"} << Names{"\xff\xfe.jpg"}
        << Names{"Trip001.jpg", ""} << Names{"\xff\xfe.jpg"};
    QTest::newRow("same file twice in two runs is not detected") // see also gapThenNextRun
        << trip << Names{"Trip001.jpg"} << Names{}
        << Names{"a.jpg"} << Names{"a.jpg"} << Names{}
        << Names{"Trip002.jpg"} << Names{};
    // The report of a theme named like its prefix lists among its files and,
    // sorting last, makes numbering fall back to the count.
    QTest::newRow("theme Mis with a report")
        << QByteArray("Mis") << Names{"Mis001.jpg", "MisCopy.txt"} << Names{}
        << Names{"a.jpg"} << Names{"a.jpg"} << Names{}
        << Names{"Mis003.jpg"} << Names{};
    QTest::newRow("multibyte theme")
        << QByteArray("写真") << Names{"写真001.jpg"} << Names{}
        << Names{"a.jpg"} << Names{"a.jpg"} << Names{}
        << Names{"写真002.jpg"} << Names{};
}

void TestAdd::numbering()
{
    QFETCH(QByteArray, theme);
    QFETCH(Names, themeFiles);
    QFETCH(Names, takenLater);
    QFETCH(Names, sources);
    QFETCH(Names, selected);
    QFETCH(Names, removedLater);
    QFETCH(Names, copies);
    QFETCH(Names, failures);

    for (const QByteArray &name : themeFiles)
        tree->file("base/" + theme + "/" + name, "old " + name);
    for (const QByteArray &name : sources) {
        const QByteArray path = tree->file("src/" + name, "picture " + name);
        const struct timespec times[2] = {{1500000000, 0}, {1400000000, 500}};
        ::utimensat(AT_FDCWD, path.constData(), times, 0);
    }
    openTheme(theme);
    openSource();
    select(selected);
    for (const QByteArray &name : takenLater)
        tree->file("base/" + theme + "/" + name, "taken " + name);
    for (const QByteArray &name : removedLater)
        QVERIFY(::unlink(tree->at("src/" + name).constData()) == 0);
    const Names before = folderNames(themeFolder(theme));

    MessageRecorder recorder;
    clickAdd();

    // The selected names in list order, paired with the expected copies.
    Names inListOrder;
    for (int row = 0; row < Form1->ListBox3->Count(); ++row)
        if (Form1->ListBox3->Selected(row))
            inListOrder << Form1->ListBox3->Item(row);
    QCOMPARE(inListOrder.size(), copies.size());
    Names made;
    for (qsizetype i = 0; i < copies.size(); ++i) {
        if (copies[i].isEmpty())
            continue;
        const QByteArray copy = themeFolder(theme) + "/" + copies[i];
        const QByteArray source = tree->at("src/" + inListOrder[i]);
        QCOMPARE(TempTree::read(copy), "picture " + inListOrder[i]);
        struct stat copyStat, sourceStat;
        QVERIFY(::stat(copy.constData(), &copyStat) == 0 && ::stat(source.constData(), &sourceStat) == 0);
        QCOMPARE(qint64(copyStat.st_mtim.tv_sec), qint64(sourceStat.st_mtim.tv_sec));
        QCOMPARE(qint64(copyStat.st_mtim.tv_nsec), qint64(sourceStat.st_mtim.tv_nsec));
        made << copies[i];
    }

    // Nothing else appeared and nothing that was there changed.
    Names expectedFolder = before + made;
    const QByteArray reportPath = themeFolder(theme) + "/MisCopy.txt";
    if (!failures.isEmpty() && !expectedFolder.contains("MisCopy.txt"))
        expectedFolder << "MisCopy.txt";
    QCOMPARE(folderNames(themeFolder(theme)), sorted(expectedFolder));
    for (const QByteArray &name : themeFiles)
        if (name != "MisCopy.txt")
            QCOMPARE(TempTree::read(themeFolder(theme) + "/" + name), "old " + name);
    for (const QByteArray &name : takenLater)
        QCOMPARE(TempTree::read(themeFolder(theme) + "/" + name), "taken " + name);

    if (failures.isEmpty()) {
        QVERIFY(recorder.requests.isEmpty());
    } else {
        QByteArray report;
        for (const QByteArray &name : failures)
            report += name + "\r\n";
        QCOMPARE(TempTree::read(reportPath), report);
        QCOMPARE(recorder.requests.size(), 1);
        QCOMPARE(recorder.requests[0].kind, MessageBoxes::Kind::Notice);
        QCOMPARE(recorder.requests[0].text, QString::fromUtf8("コピーミスが有ります。\nMisCopy.txtに書き出しました。"));
    }

    // The theme file list was listed again and shows the copies.
    const Names listed = itemsOf(Form1->ListBox2);
    for (const QByteArray &name : made)
        QVERIFY2(listed.contains(name), name.constData());
}

void TestAdd::gapThenNextRun()
{
    tree->file("base/Trip/Trip001.jpg");
    tree->file("base/Trip/MisCopy.txt", "an earlier, longer report\r\nof two lines\r\n");
    for (const char *name : {"a.jpg", "b.jpg", "c.jpg"})
        tree->file(QByteArray("src/") + name, name);
    openTheme("Trip");
    openSource();
    select({"a.jpg", "b.jpg", "c.jpg"});
    // The second copy's name is taken by another program after the listing.
    tree->file("base/Trip/Trip003.jpg", "someone else's");

    MessageRecorder recorder;
    clickAdd();
    QCOMPARE(TempTree::read(themeFolder() + "/Trip002.jpg"), QByteArray("a.jpg"));
    QCOMPARE(TempTree::read(themeFolder() + "/Trip003.jpg"), QByteArray("someone else's"));
    QCOMPARE(TempTree::read(themeFolder() + "/Trip004.jpg"), QByteArray("c.jpg"));
    QCOMPARE(TempTree::read(themeFolder() + "/MisCopy.txt"), QByteArray("b.jpg\r\n"));
    QCOMPARE(recorder.texts(), QStringList{QString::fromUtf8(Texts::MisCopyNotice)});
    QCOMPARE(itemsOf(Form1->ListBox2), (Names{"Trip001.jpg", "Trip002.jpg", "Trip003.jpg", "Trip004.jpg"}));

    // The same selection again continues after the third; a run without
    // failures leaves the report as it was.
    recorder.requests.clear();
    clickAdd();
    QCOMPARE(TempTree::read(themeFolder() + "/Trip005.jpg"), QByteArray("a.jpg"));
    QCOMPARE(TempTree::read(themeFolder() + "/Trip006.jpg"), QByteArray("b.jpg"));
    QCOMPARE(TempTree::read(themeFolder() + "/Trip007.jpg"), QByteArray("c.jpg"));
    QCOMPARE(TempTree::read(themeFolder() + "/MisCopy.txt"), QByteArray("b.jpg\r\n"));
    QVERIFY(recorder.requests.isEmpty());
}

void TestAdd::sourceListUnchanged()
{
    for (const char *name : {"a.jpg", "b.jpg", "c.jpg"})
        tree->file(QByteArray("src/") + name);
    openTheme("Trip");
    openSource();
    select({"a.jpg", "c.jpg"});
    Form1->ListBox3->selectionModel()->setCurrentIndex(Form1->ListBox3->model()->index(2, 0), QItemSelectionModel::NoUpdate);
    const Names entries = itemsOf(Form1->ListBox3);
    const std::vector<int> selection = Form1->ListBox3->SelectedRows();
    const int current = Form1->ListBox3->ItemIndex();
    MessageRecorder recorder;
    clickAdd();
    QCOMPARE(itemsOf(Form1->ListBox3), entries);
    QVERIFY(Form1->ListBox3->SelectedRows() == selection);
    QCOMPARE(Form1->ListBox3->ItemIndex(), current);
    QCOMPARE(itemsOf(Form1->ListBox2), (Names{"Trip001.jpg", "Trip002.jpg"}));
}

void TestAdd::nothingSelected()
{
    tree->file("src/a.jpg");
    tree->file("base/Trip/Trip001.jpg");
    openTheme("Trip");
    openSource();
    MessageRecorder recorder;
    clickAdd();
    QVERIFY(recorder.requests.isEmpty());
    QCOMPARE(folderNames(themeFolder()), Names{"Trip001.jpg"});
}

void TestAdd::noTheme_data()
{
    QTest::addColumn<bool>("byDrop");
    QTest::newRow("Add button") << false;
    QTest::newRow("drop on the theme file list") << true;
}

void TestAdd::noTheme()
{
    QFETCH(bool, byDrop);
    tree->file("src/a.jpg");
    tree->dir("base/Trip");
    Form1->RefreshThemeList();
    openSource();
    select({"a.jpg"});
    MessageRecorder recorder;
    if (byDrop) {
        std::unique_ptr<QMimeData> data(ownDragData());
        QVERIFY(dropOn(Form1->ListBox2->viewport(), data.get()));
        QCoreApplication::sendPostedEvents();
    } else {
        clickAdd();
    }
    QCOMPARE(recorder.requests.size(), 1);
    QCOMPARE(recorder.requests[0].kind, MessageBoxes::Kind::Notice);
    QCOMPARE(recorder.requests[0].text, QString::fromUtf8("フォルダを選択してください。"));
    QVERIFY(folderNames(themeFolder()).isEmpty());
}

void TestAdd::reportCannotBeCreated()
{
    tree->file("base/Trip/Trip001.jpg");
    tree->dir("base/Trip/MisCopy.txt"); // the report's name is taken by a folder
    tree->file("src/a.jpg", "a");
    tree->file("src/b.jpg", "b");
    openTheme("Trip");
    openSource();
    select({"a.jpg", "b.jpg"});
    tree->file("base/Trip/Trip003.jpg", "taken");

    MessageRecorder recorder;
    clickAdd();
    // The copy made stays; the error box names the report; no notice; the
    // theme file list is not listed again.
    QCOMPARE(TempTree::read(themeFolder() + "/Trip002.jpg"), QByteArray("a"));
    QCOMPARE(TempTree::read(themeFolder() + "/Trip003.jpg"), QByteArray("taken"));
    QCOMPARE(recorder.requests.size(), 1);
    QCOMPARE(recorder.requests[0].kind, MessageBoxes::Kind::Error);
    QCOMPARE(recorder.requests[0].text,
             MessageBoxes::withFullStop(QString::fromUtf8("ファイル %1 を作成できません").arg(QFile::decodeName(themeFolder() + "/MisCopy.txt"))));
    QCOMPARE(itemsOf(Form1->ListBox2), Names{"Trip001.jpg"});
}

void TestAdd::themeFolderVanished()
{
    tree->file("src/a.jpg");
    tree->file("src/b.jpg");
    openTheme("Trip");
    openSource();
    select({"a.jpg", "b.jpg"});
    QVERIFY(QDir(QFile::decodeName(themeFolder())).removeRecursively());

    MessageRecorder recorder;
    clickAdd();
    QCOMPARE(recorder.requests.size(), 1);
    QCOMPARE(recorder.requests[0].kind, MessageBoxes::Kind::Error);
    QVERIFY(recorder.requests[0].text.contains(QFile::decodeName(themeFolder() + "/MisCopy.txt")));
    QVERIFY(!exists(themeFolder()));
}

void TestAdd::reportCannotBeWritten()
{
    if (!exists("/dev/full"))
        QSKIP("no /dev/full here");
    tree->file("src/a.jpg");
    openTheme("Trip");
    openSource();
    select({"a.jpg"});
    tree->file("base/Trip/Trip001.jpg", "taken");
    QVERIFY(::symlink("/dev/full", (themeFolder() + "/MisCopy.txt").constData()) == 0);

    MessageRecorder recorder;
    clickAdd();
    QCOMPARE(recorder.requests.size(), 1);
    QCOMPARE(recorder.requests[0].kind, MessageBoxes::Kind::Error);
    QCOMPARE(recorder.requests[0].text, MessageBoxes::withFullStop(QString::fromUtf8("ストリームへの書き込みエラー")));
}

void TestAdd::copyFailingPartWay()
{
    tree->file("src/a.jpg", QByteArray(100, 'a'));
    tree->file("src/b.jpg", QByteArray(10, 'b'));
    openTheme("Trip");
    openSource();
    select({"a.jpg", "b.jpg"});
    // The disk fills after 50 bytes of any file: the big one fails, the small one fits.
    FileCopy::Faults::setFailAfterBytes(50);
    MessageRecorder recorder;
    clickAdd();
    QCOMPARE(folderNames(themeFolder()), (Names{"MisCopy.txt", "Trip002.jpg"}));
    QCOMPARE(TempTree::read(themeFolder() + "/MisCopy.txt"), QByteArray("a.jpg\r\n"));
    QCOMPARE(recorder.texts(), QStringList{QString::fromUtf8(Texts::MisCopyNotice)});
}

void TestAdd::dropRunsAdd()
{
    tree->file("src/a.jpg");
    tree->file("src/b.jpg");
    tree->file("src/c.jpg");
    openTheme("Trip");
    openSource();
    select({"a.jpg", "c.jpg"});
    MessageRecorder recorder;
    std::unique_ptr<QMimeData> data(ownDragData());
    QVERIFY(dropOn(Form1->ListBox2->viewport(), data.get()));
    // Add runs once the drop has been handed back.
    QCOMPARE(folderNames(themeFolder()), Names{});
    QCoreApplication::sendPostedEvents();
    QCOMPARE(folderNames(themeFolder()), (Names{"Trip001.jpg", "Trip002.jpg"}));
    QCOMPARE(itemsOf(Form1->ListBox2), (Names{"Trip001.jpg", "Trip002.jpg"}));
    QVERIFY(recorder.requests.isEmpty());
}

void TestAdd::foreignDragsRefused_data()
{
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<QByteArray>("payload");
    QTest::newRow("file names from a file manager") << QByteArray("text/uri-list") << QByteArray("file:///tmp/a.jpg\r\n");
    QTest::newRow("text") << QByteArray("text/plain") << QByteArray("a.jpg");
    QTest::newRow("our type from another process") << QByteArray(SourceListBox::DragMimeType) << QByteArray("1");
    QTest::newRow("our type without a process") << QByteArray(SourceListBox::DragMimeType) << QByteArray();
}

void TestAdd::foreignDragsRefused()
{
    QFETCH(QByteArray, format);
    QFETCH(QByteArray, payload);
    tree->file("src/a.jpg");
    openTheme("Trip");
    openSource();
    select({"a.jpg"});
    MessageRecorder recorder;
    QMimeData data;
    data.setData(QString::fromLatin1(format), payload);
    QVERIFY(!dropOn(Form1->ListBox2->viewport(), &data));
    // Also a drop that arrives without an accepted enter is refused.
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(Form1->ListBox2->viewport(), &drop);
    QVERIFY(!drop.isAccepted());
    QCoreApplication::sendPostedEvents();
    QVERIFY(folderNames(themeFolder()).isEmpty());
    QVERIFY(recorder.requests.isEmpty());
}

void TestAdd::onlyThemeFileListTakesOurDrags()
{
    tree->file("src/a.jpg");
    openTheme("Trip");
    openSource();
    select({"a.jpg"});
    std::unique_ptr<QMimeData> data(ownDragData());
    QStringList accepting;
    for (QWidget *widget : Form1->findChildren<QWidget *>()) {
        if (!widget->acceptDrops())
            continue;
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(widget, &enter);
        if (enter.isAccepted())
            accepting << (widget->objectName() == "qt_scrollarea_viewport" ? widget->parentWidget()->objectName() + "/viewport"
                                                                           : widget->objectName());
    }
    QCOMPARE(accepting, QStringList{"ListBox2/viewport"});
    QCoreApplication::sendPostedEvents();
    QVERIFY(folderNames(themeFolder()).isEmpty());
}

void TestAdd::dragFromSourceListToThemeList()
{
    for (const char *name : {"a.jpg", "b.jpg", "c.jpg", "d.jpg"})
        tree->file(QByteArray("src/") + name);
    openTheme("Trip");
    openSource();
    Form1->show();
    QVERIFY(QTest::qWaitForWindowExposed(Form1));
    SourceListBox *list = Form1->ListBox3;
    select({"b.jpg", "d.jpg"});

    bool dropped = false;
    list->execDrag = [&](QDrag *drag) {
        // Meanwhile the selection grows by one: the drop takes the list's selection as it is then.
        list->SetSelected(0, true);
        dropped = dropOn(Form1->ListBox2->viewport(), drag->mimeData());
        return dropped ? Qt::CopyAction : Qt::IgnoreAction;
    };
    QWidget *viewport = list->viewport();
    const QPoint start = list->visualRect(list->model()->index(1, 0)).center();
    MessageRecorder recorder;
    sendMouse(viewport, QEvent::MouseButtonPress, start, Qt::LeftButton, Qt::LeftButton);
    sendMouse(viewport, QEvent::MouseMove, start + QPoint(0, 6), Qt::NoButton, Qt::LeftButton);
    QVERIFY(dropped);
    QCoreApplication::sendPostedEvents();
    QCOMPARE(folderNames(themeFolder()), (Names{"Trip001.jpg", "Trip002.jpg", "Trip003.jpg"}));
    QVERIFY(list->SelectedRows() == (std::vector<int>{0, 1, 3}));
}

void TestAdd::pressRules_data()
{
    QTest::addColumn<QList<int>>("setup");   // clicked rows: the first plainly, the others with Ctrl
    QTest::addColumn<int>("row");            // pressed row; -1 below the last entry
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QPoint>("move");        // from the press point, then release there
    QTest::addColumn<QList<int>>("selection");
    QTest::addColumn<bool>("dragged");

    const int none = Qt::NoModifier, shift = Qt::ShiftModifier, ctrl = Qt::ControlModifier;
    const QList<int> twoSelected{0, 2};
    QTest::newRow("selected entry, released") << twoSelected << 2 << none << QPoint(0, 0) << twoSelected << false;
    QTest::newRow("selected entry, other selected entry") << twoSelected << 0 << none << QPoint(0, 0) << twoSelected << false;
    QTest::newRow("selected entry, 5 right") << twoSelected << 0 << none << QPoint(5, 0) << twoSelected << true;
    QTest::newRow("selected entry, 5 up") << twoSelected << 2 << none << QPoint(0, -5) << twoSelected << true;
    QTest::newRow("selected entry, 4 and 4") << twoSelected << 0 << none << QPoint(4, 4) << twoSelected << false;
    QTest::newRow("selected entry, -4 and 4") << twoSelected << 0 << none << QPoint(-4, 4) << twoSelected << false;
    QTest::newRow("selected entry with Ctrl, released") << twoSelected << 2 << ctrl << QPoint(0, 0) << twoSelected << false;
    QTest::newRow("selected entry with Ctrl, moved") << twoSelected << 2 << ctrl << QPoint(6, 0) << twoSelected << true;
    QTest::newRow("selected entry with Ctrl+Shift") << twoSelected << 2 << (ctrl | shift) << QPoint(6, 0) << twoSelected << true;
    QTest::newRow("other entry, released") << twoSelected << 3 << none << QPoint(0, 0) << QList<int>{3} << false;
    QTest::newRow("other entry, moved") << twoSelected << 3 << none << QPoint(5, 0) << QList<int>{3} << true;
    QTest::newRow("other entry with Ctrl") << twoSelected << 3 << ctrl << QPoint(6, 0) << QList<int>{0, 2, 3} << false;
    QTest::newRow("other entry with Shift") << QList<int>{1} << 3 << shift << QPoint(6, 0) << QList<int>{1, 2, 3} << false;
    QTest::newRow("selected entry with Shift") << QList<int>{1} << 1 << shift << QPoint(6, 0) << QList<int>{1} << false;
    QTest::newRow("below the last entry, released") << twoSelected << -1 << none << QPoint(0, 0) << QList<int>{} << false;
    QTest::newRow("below the last entry, moved") << twoSelected << -1 << none << QPoint(0, 5) << QList<int>{} << true;
    QTest::newRow("empty list") << QList<int>{} << -2 << none << QPoint(5, 5) << QList<int>{} << true;
}

void TestAdd::pressRules()
{
    QFETCH(QList<int>, setup);
    QFETCH(int, row);
    QFETCH(int, modifiers);
    QFETCH(QPoint, move);
    QFETCH(QList<int>, selection);
    QFETCH(bool, dragged);

    SourceListBox list;
    list.resize(200, 300);
    if (row != -2)
        list.Assign({"a.jpg", "b.jpg", "c.jpg", "d.jpg", "e.jpg"});
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    int drags = 0;
    list.execDrag = [&](QDrag *drag) {
        ++drags;
        [&] { QVERIFY(SourceListBox::isOwnDrag(drag->mimeData())); }();
        return Qt::IgnoreAction;
    };
    QWidget *viewport = list.viewport();
    auto pointOf = [&](int r) { return list.visualRect(list.model()->index(r, 0)).center(); };
    for (qsizetype i = 0; i < setup.size(); ++i) {
        const Qt::KeyboardModifiers m = i == 0 ? Qt::NoModifier : Qt::ControlModifier;
        sendMouse(viewport, QEvent::MouseButtonPress, pointOf(setup[i]), Qt::LeftButton, Qt::LeftButton, m);
        sendMouse(viewport, QEvent::MouseButtonRelease, pointOf(setup[i]), Qt::LeftButton, Qt::NoButton, m);
    }
    QCOMPARE(drags, 0);

    const QPoint press = row >= 0 ? pointOf(row) : QPoint(50, viewport->height() - 20);
    if (row == -1)
        QVERIFY(!list.indexAt(press).isValid());
    const Qt::KeyboardModifiers m(modifiers);
    sendMouse(viewport, QEvent::MouseButtonPress, press, Qt::LeftButton, Qt::LeftButton, m);
    if (!move.isNull())
        sendMouse(viewport, QEvent::MouseMove, press + move, Qt::NoButton, Qt::LeftButton, m);
    if (!dragged) // an active drag takes the release itself
        sendMouse(viewport, QEvent::MouseButtonRelease, press + move, Qt::LeftButton, Qt::NoButton, m);

    QCOMPARE(drags, dragged ? 1 : 0);
    const std::vector<int> rows = list.SelectedRows();
    QCOMPARE(QList<int>(rows.begin(), rows.end()), selection);

    // A drag starts once per press: more moves after it do nothing.
    if (dragged) {
        sendMouse(viewport, QEvent::MouseMove, press + move * 3, Qt::NoButton, Qt::LeftButton, m);
        QCOMPARE(drags, 1);
    }
}

void TestAdd::doubleClickOnSelectedEntry()
{
    SourceListBox list;
    list.resize(200, 300);
    list.Assign({"a.jpg", "b.jpg", "c.jpg"});
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    list.SetSelected(0, true);
    list.SetSelected(1, true);
    QSignalSpy spy(&list, &QAbstractItemView::doubleClicked);
    QWidget *viewport = list.viewport();
    const QPoint point = list.visualRect(list.model()->index(1, 0)).center();
    sendMouse(viewport, QEvent::MouseButtonPress, point, Qt::LeftButton, Qt::LeftButton);
    sendMouse(viewport, QEvent::MouseButtonRelease, point, Qt::LeftButton, Qt::NoButton);
    sendMouse(viewport, QEvent::MouseButtonDblClick, point, Qt::LeftButton, Qt::LeftButton);
    sendMouse(viewport, QEvent::MouseButtonRelease, point, Qt::LeftButton, Qt::NoButton);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).value<QModelIndex>().row(), 1);
    QVERIFY(list.SelectedRows() == (std::vector<int>{0, 1}));
}

int main(int argc, char **argv)
{
    PelmoraApplication app(argc, argv);
    TestAdd test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_add.moc"
