#include "application.h"
#include "forms.h"
#include "imageform/form2.h"
#include "imageform/imagecontrol.h"
#include "imageform/jpegdecoder.h"
#include "imageform/picturelimits.h"
#include "imageform/picturememory.h"
#include "messageboxes.h"
#include "pelmoraMain/form1.h"
#include "pelmoraMain/sortedlistbox.h"
#include "pelmoraMain/sourcelistbox.h"
#include "pelmoraMain/themefilelistbox.h"
#include "platformerror.h"
#include "testpictures.h"
#include "testsupport.h"
#include "texts.h"

#include <QScrollArea>
#include <QScrollBar>
#include <QTest>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>
#include <jerror.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {


QByteArray bmpFile(int width, int height, QRgb colour)
{
    return TestPictures::bmp24(width, height, colour);
}

QByteArray jpegFile(int width, int height, bool cmyk = false)
{
    return TestPictures::jpeg(cmyk ? TestPictures::JpegKind::Cmyk : TestPictures::JpegKind::Colour, width, height);
}

int indexOf(const SortedListBox *list, const QByteArray &name)
{
    for (int i = 0; i < list->Count(); ++i)
        if (list->Item(i) == name)
            return i;
    return -1;
}

enum class Place { Keep, Zero, FarEdge };

} // namespace

Q_DECLARE_METATYPE(Place)

class TestPreview : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void fitting_data();
    void fitting();
    void desktopReadAtEachShowing();
    void doubleClickShowsPicture_data();
    void doubleClickShowsPicture();
    void sourceListTakesTheFocusedEntry();
    void nextPictureReplacesShownOne();
    void nonPictureHidesPreview_data();
    void nonPictureHidesPreview();
    void failedLoadKeepsPreviewHidden_data();
    void failedLoadKeepsPreviewHidden();
    void noSelectedEntry();
    void firstDrawErrorShownOnce_data();
    void firstDrawErrorShownOnce();

private:
    // Selects the entry and runs the list's double-click handler through the
    // event loop, so that errors reach the default error handler.
    void doubleClick(SortedListBox *list, const QByteArray &name);

    std::unique_ptr<TempTree> tree;
    std::unique_ptr<CurrentDirectory> cwd;
    std::unique_ptr<MessageRecorder> messages;
};

void TestPreview::init()
{
    tree = std::make_unique<TempTree>();
    tree->file("base/Trip/Trip001.jpg", jpegFile(40, 30));
    tree->file("base/Trip/Trip002.bmp", bmpFile(21, 13, qRgb(10, 200, 30)));
    tree->file("base/Trip/Trip003.txt", "notes");
    tree->file("card/a.JPG", jpegFile(33, 17));
    tree->file("card/b.Bmp", bmpFile(12, 34, qRgb(255, 0, 0)));
    tree->file("card/c.bmp", bmpFile(50, 5, qRgb(0, 0, 255)));
    tree->file("card/memo.txt", "memo");
    tree->file("card/photo.jpeg", jpegFile(8, 8));
    tree->file("card/short.bmp", bmpFile(2, 2, 0).left(13));
    tree->file("card/fake.bmp", "BX" + bmpFile(2, 2, 0).mid(2));
    tree->file("card/nosense.bmp", bmpFile(2, 2, 0).replace(28, 2, QByteArray("\x07\x00", 2)));
    tree->file("card/corrupt.jpg", "this is no JPEG");
    tree->file("card/huge.jpg", [] {
        QByteArray d = jpegFile(16, 16);
        const qsizetype sof = d.indexOf("\xFF\xC0");
        d[sof + 5] = char(0xFD); d[sof + 6] = char(0xE8); // 65000 x 65000
        d[sof + 7] = char(0xFD); d[sof + 8] = char(0xE8);
        return d;
    }());
    tree->file("card/gone.jpg", jpegFile(8, 8));
    tree->file("card/folder.jpg", jpegFile(8, 8));
    tree->file("card/pipe.jpg", jpegFile(8, 8));
    tree->file("card/cmyk.jpg", jpegFile(24, 24, true));

    cwd = std::make_unique<CurrentDirectory>(tree->at("base"));
    messages = std::make_unique<MessageRecorder>();
    Forms::createAll();
    Form2->desktopSize = [] { return QSize(4000, 3000); };

    Form1->ListBox1->SetItemIndex(indexOf(Form1->ListBox1, "Trip"));
    Form1->ListBox1Click();
    Form1->SourceFolder = tree->at("card");
    Form1->ListFiles(Form1->ListBox3, tree->at("card") + "/*.*");
}

void TestPreview::cleanup()
{
    PictureMemory::setLimitForTests(0);
    Forms::destroyAll();
    messages.reset();
    cwd.reset();
    tree.reset();
}

void TestPreview::doubleClick(SortedListBox *list, const QByteArray &name)
{
    const int i = indexOf(list, name);
    QVERIFY2(i >= 0, name.constData());
    list->SetItemIndex(i);
    QMetaObject::invokeMethod(Form1, list == Form1->ListBox2 ? "ListBox2DblClick" : "ListBox3DblClick",
                              Qt::QueuedConnection);
    QCoreApplication::processEvents();
}

void TestPreview::fitting_data()
{
    QTest::addColumn<QSize>("desktop");
    QTest::addColumn<QPoint>("start");
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<Place>("left");
    QTest::addColumn<Place>("top");
    QTest::addColumn<bool>("hScroll");
    QTest::addColumn<bool>("vScroll");

    const QSize desk(800, 600);
    QTest::newRow("inside") << desk << QPoint(100, 80) << QSize(200, 100)
                            << Place::Keep << Place::Keep << false << false;
    QTest::newRow("right edge") << desk << QPoint(700, 80) << QSize(200, 100)
                                << Place::FarEdge << Place::Keep << false << false;
    QTest::newRow("bottom edge") << desk << QPoint(100, 550) << QSize(200, 100)
                                 << Place::Keep << Place::FarEdge << false << false;
    QTest::newRow("both edges") << desk << QPoint(750, 550) << QSize(200, 100)
                                << Place::FarEdge << Place::FarEdge << false << false;
    QTest::newRow("left and above") << desk << QPoint(-50, -30) << QSize(200, 100)
                                    << Place::Zero << Place::Zero << false << false;
    QTest::newRow("above and past the bottom") << desk << QPoint(-50, -30) << QSize(200, 640)
                                               << Place::Zero << Place::Zero << false << true;
    QTest::newRow("wider than the desktop") << desk << QPoint(100, 80) << QSize(1000, 100)
                                            << Place::Zero << Place::Keep << true << false;
    QTest::newRow("taller than the desktop") << desk << QPoint(100, 80) << QSize(100, 900)
                                             << Place::Keep << Place::Zero << false << true;
    QTest::newRow("larger than the desktop") << desk << QPoint(100, 80) << QSize(1000, 900)
                                             << Place::Zero << Place::Zero << true << true;
    QTest::newRow("wide, low on the desktop") << desk << QPoint(100, 560) << QSize(1000, 100)
                                              << Place::Zero << Place::FarEdge << true << false;
    // Taller than the desktop and only just narrower: the vertical scroll bar
    // makes it wider than the desktop too.
    QTest::newRow("tall, a bar's width narrower") << desk << QPoint(0, 0) << QSize(790, 900)
                                                  << Place::Zero << Place::Zero << true << true;
}

void TestPreview::fitting()
{
    QFETCH(QSize, desktop);
    QFETCH(QPoint, start);
    QFETCH(QSize, picture);
    QFETCH(Place, left);
    QFETCH(Place, top);
    QFETCH(bool, hScroll);
    QFETCH(bool, vScroll);

    Form2->desktopSize = [desktop] { return desktop; };
    Form2->Image1->resize(picture);
    Form2->move(start);
    Form2->show();
    QVERIFY(QTest::qWaitForWindowExposed(Form2));

    const QRect outer = Form2->frameGeometry();
    auto expected = [](Place place, int start, int desk, int extent) {
        return place == Place::Keep ? start : place == Place::Zero ? 0 : desk - extent;
    };
    QCOMPARE(outer.x(), expected(left, start.x(), desktop.width(), outer.width()));
    QCOMPARE(outer.y(), expected(top, start.y(), desktop.height(), outer.height()));
    QVERIFY(outer.right() < desktop.width());
    QVERIFY(outer.bottom() < desktop.height());

    QScrollArea *area = Form2->scrollArea();
    const QWidget *view = area->viewport();
    QCOMPARE(Form2->horzRange(), hScroll ? picture.width() : 0);
    QCOMPARE(Form2->vertRange(), vScroll ? picture.height() : 0);
    QCOMPARE(area->horizontalScrollBar()->isVisible(), hScroll);
    QCOMPARE(area->verticalScrollBar()->isVisible(), vScroll);
    // The whole picture can be brought into view on each axis, and a window
    // is never larger than its picture needs.
    if (hScroll) {
        QCOMPARE(outer.width(), desktop.width());
        QCOMPARE(area->horizontalScrollBar()->maximum() + view->width(), picture.width());
    } else {
        QCOMPARE(view->width(), picture.width());
    }
    if (vScroll) {
        QCOMPARE(outer.height(), desktop.height());
        QCOMPARE(area->verticalScrollBar()->maximum() + view->height(), picture.height());
    } else {
        QCOMPARE(view->height(), picture.height());
    }
    QCOMPARE(Form2->windowTitle(), QStringLiteral("Form2"));
}

// Hidden and shown again with another desktop size: fitted anew.
void TestPreview::desktopReadAtEachShowing()
{
    QSize desktop(4000, 3000);
    Form2->desktopSize = [&desktop] { return desktop; };
    Form2->Image1->resize(1000, 100);
    Form2->move(100, 100);
    Form2->show();
    QCOMPARE(Form2->horzRange(), 0);
    QCOMPARE(Form2->size(), QSize(1000, 100));
    Form2->hide();
    desktop = QSize(640, 480);
    Form2->show();
    QCOMPARE(Form2->horzRange(), 1000);
    QCOMPARE(Form2->frameGeometry().width(), 640);
    Form2->hide();
    desktop = QSize(4000, 3000);
    Form2->show();
    QCOMPARE(Form2->horzRange(), 0);
    QCOMPARE(Form2->size(), QSize(1000, 100));
    QCOMPARE(Form2->scrollArea()->horizontalScrollBar()->value(), 0);
}

void TestPreview::doubleClickShowsPicture_data()
{
    QTest::addColumn<bool>("themeList");
    QTest::addColumn<QByteArray>("entry");
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<QSize>("size");

    QTest::newRow("theme .jpg") << true << QByteArray("Trip001.jpg") << QByteArray("base/Trip/Trip001.jpg") << QSize(40, 30);
    QTest::newRow("theme .bmp") << true << QByteArray("Trip002.bmp") << QByteArray("base/Trip/Trip002.bmp") << QSize(21, 13);
    QTest::newRow("source .JPG") << false << QByteArray("a.JPG") << QByteArray("card/a.JPG") << QSize(33, 17);
    QTest::newRow("source .Bmp") << false << QByteArray("b.Bmp") << QByteArray("card/b.Bmp") << QSize(12, 34);
}

void TestPreview::doubleClickShowsPicture()
{
    QFETCH(bool, themeList);
    QFETCH(QByteArray, entry);
    QFETCH(QByteArray, path);
    QFETCH(QSize, size);

    doubleClick(themeList ? static_cast<SortedListBox *>(Form1->ListBox2) : Form1->ListBox3, entry);
    QVERIFY(messages->requests.isEmpty());
    QVERIFY(Form2->isVisible());
    QCOMPARE(Form2->windowTitle(), QStringLiteral("Form2"));
    QCOMPARE(Form2->Image1->size(), size);
    QCOMPARE(Form2->size(), size);

    // What Image1 draws is the picture, unscaled from its top-left corner.
    Picture expected;
    expected.LoadFromFile(tree->at(path));
    const QImage shown = Form2->Image1->grab().toImage();
    const QImage picture = expected.image();
    QCOMPARE(shown.size(), size);
    for (const QPoint p : {QPoint(0, 0), QPoint(size.width() - 1, size.height() - 1), QPoint(size.width() / 2, 3)})
        QCOMPARE(shown.pixel(p), picture.pixel(p));
}

// Several entries selected: the one with the focus (the one double-clicked).
void TestPreview::sourceListTakesTheFocusedEntry()
{
    SourceListBox *list = Form1->ListBox3;
    list->SetSelected(indexOf(list, "a.JPG"), true);
    list->SetSelected(indexOf(list, "c.bmp"), true);
    list->selectionModel()->setCurrentIndex(list->model()->index(indexOf(list, "b.Bmp"), 0),
                                            QItemSelectionModel::Select);
    Form1->ListBox3DblClick();
    QVERIFY(Form2->isVisible());
    QCOMPARE(Form2->Image1->size(), QSize(12, 34));
}

// A double click while the preview shows a picture: hidden, then shown again
// at the new picture's size, fitted anew.
void TestPreview::nextPictureReplacesShownOne()
{
    doubleClick(Form1->ListBox3, "c.bmp");
    QVERIFY(Form2->isVisible());
    Form2->move(3990, 100);
    int hides = 0;
    struct HideCounter : QObject
    {
        int *count;
        bool eventFilter(QObject *, QEvent *e) override
        {
            if (e->type() == QEvent::Hide)
                ++*count;
            return false;
        }
    } counter;
    counter.count = &hides;
    Form2->installEventFilter(&counter);
    doubleClick(Form1->ListBox3, "b.Bmp");
    QCOMPARE(hides, 1);
    QVERIFY(Form2->isVisible());
    QCOMPARE(Form2->size(), QSize(12, 34));
    QCOMPARE(Form2->frameGeometry().right(), 3999);
}

void TestPreview::nonPictureHidesPreview_data()
{
    QTest::addColumn<bool>("themeList");
    QTest::addColumn<QByteArray>("entry");
    QTest::newRow("text in the theme") << true << QByteArray("Trip003.txt");
    QTest::newRow("text in the source") << false << QByteArray("memo.txt");
    QTest::newRow(".jpeg is no picture here") << false << QByteArray("photo.jpeg");
}

void TestPreview::nonPictureHidesPreview()
{
    QFETCH(bool, themeList);
    QFETCH(QByteArray, entry);
    doubleClick(Form1->ListBox3, "b.Bmp");
    QVERIFY(Form2->isVisible());
    doubleClick(themeList ? static_cast<SortedListBox *>(Form1->ListBox2) : Form1->ListBox3, entry);
    QVERIFY(!Form2->isVisible());
    QVERIFY(messages->requests.isEmpty());
    QCOMPARE(Form2->Image1->size(), QSize(12, 34));
}

void TestPreview::failedLoadKeepsPreviewHidden_data()
{
    QTest::addColumn<QByteArray>("entry");
    QTest::addColumn<QString>("message");

    const QString readError = QString::fromUtf8(Texts::StreamReadError);
    const QString invalid = QString::fromUtf8(Texts::InvalidBitmap);
    QTest::newRow("13-byte bitmap") << QByteArray("short.bmp") << readError;
    QTest::newRow("no BM signature") << QByteArray("fake.bmp") << invalid;
    QTest::newRow("7 bits per pixel") << QByteArray("nosense.bmp") << invalid;
    QTest::newRow("no JPEG") << QByteArray("corrupt.jpg") << PlatformError::jpeg(JERR_NO_SOI).message();
    QTest::newRow("too large") << QByteArray("huge.jpg") << PictureLimits::tooLarge(65000, 65000).message();
    // Named in the list, gone (or no longer a plain file) when double-clicked.
    QTest::newRow("deleted") << QByteArray("gone.jpg") << QString();
    QTest::newRow("now a folder") << QByteArray("folder.jpg") << QString();
    QTest::newRow("now a pipe") << QByteArray("pipe.jpg") << QString();
    // The picture's memory cannot be had.
    QTest::newRow("memory runs out") << QByteArray("c.bmp") << QStringLiteral("メモリが不足しています");
}

void TestPreview::failedLoadKeepsPreviewHidden()
{
    QFETCH(QByteArray, entry);
    QFETCH(QString, message);

    const QByteArray path = tree->at("card/" + entry);
    if (entry == "gone.jpg") {
        QVERIFY(::unlink(path.constData()) == 0);
    } else if (entry == "folder.jpg") {
        QVERIFY(::unlink(path.constData()) == 0 && ::mkdir(path.constData(), 0755) == 0);
    } else if (entry == "pipe.jpg") {
        QVERIFY(::unlink(path.constData()) == 0 && ::mkfifo(path.constData(), 0644) == 0);
    }
    if (message.isEmpty())
        message = PlatformError::fileOpen(path).message();

    doubleClick(Form1->ListBox3, "b.Bmp");
    QVERIFY(Form2->isVisible());
    const QImage before = Form2->Image1->picture().image();

    if (entry == "c.bmp")
        PictureMemory::setLimitForTests(100);
    doubleClick(Form1->ListBox3, entry);
    PictureMemory::setLimitForTests(0);
    QCOMPARE(messages->texts(), QStringList{MessageBoxes::withFullStop(message)});
    QCOMPARE(messages->requests.first().kind, MessageBoxes::Kind::Error);
    QVERIFY(!Form2->isVisible());
    QCOMPARE(Form2->Image1->size(), QSize(12, 34));
    QCOMPARE(Form2->Image1->picture().image().cacheKey(), before.cacheKey());

    // The program goes on: the next picture previews.
    doubleClick(Form1->ListBox3, "a.JPG");
    QVERIFY(Form2->isVisible());
    QCOMPARE(Form2->Image1->size(), QSize(33, 17));
}

void TestPreview::noSelectedEntry()
{
    Form1->ListBox2->SetItemIndex(-1);
    QVERIFY_THROWS_EXCEPTION(PlatformError, Form1->ListBox2DblClick());
    try {
        Form1->ListBox2DblClick();
    } catch (const PlatformError &e) {
        QCOMPARE(e.message(), PlatformError::listIndex(-1).message());
    }
    QVERIFY(!Form2->isVisible());
}

// A JPEG whose header reads but whose decoding fails: the preview shows, and
// the error appears once, after the first draw.
void TestPreview::firstDrawErrorShownOnce_data()
{
    QTest::addColumn<QByteArray>("entry");
    QTest::addColumn<qsizetype>("memoryLimit");
    QTest::addColumn<QString>("message");
    QTest::newRow("CMYK") << QByteArray("cmyk.jpg") << qsizetype(0)
                          << PlatformError::jpeg(JERR_CONVERSION_NOTIMPL).message();
    QTest::newRow("memory runs out") << QByteArray("a.JPG") << qsizetype(100)
                                     << QStringLiteral("メモリが不足しています");
}

void TestPreview::firstDrawErrorShownOnce()
{
    QFETCH(QByteArray, entry);
    QFETCH(qsizetype, memoryLimit);
    QFETCH(QString, message);

    PictureMemory::setLimitForTests(memoryLimit);
    doubleClick(Form1->ListBox3, entry);
    QVERIFY(Form2->isVisible());
    QVERIFY(messages->requests.isEmpty());
    Form2->Image1->grab();
    QTRY_COMPARE(messages->texts(), QStringList{MessageBoxes::withFullStop(message)});
    Form2->Image1->grab();
    Form2->Image1->repaint();
    QCoreApplication::processEvents();
    PictureMemory::setLimitForTests(0);
    QCOMPARE(messages->requests.size(), 1);
    QVERIFY(Form2->isVisible());
}

int main(int argc, char **argv)
{
    PelmoraApplication app(argc, argv);
    TestPreview test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_preview.moc"
