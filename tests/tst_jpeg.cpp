#include "imageform/jpegdecoder.h"
#include "imageform/picture.h"
#include "imageform/picturelimits.h"
#include "platformerror.h"
#include "testpictures.h"

#include <QTest>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>
#include <jerror.h>

// Test pictures are written with libjpeg itself, and every decoding is held
// against libjpeg's own plain decoding (default settings, RGB or gray out).

namespace {

using Kind = TestPictures::JpegKind;

QByteArray makeJpeg(Kind kind, int width = 67, int height = 45, int quality = 90)
{
    return TestPictures::jpeg(kind, width, height, quality);
}

// A picture with gradients and edges, of a size that is no multiple of the
// 16-pixel blocks.

struct Reference
{
    int width = 0;
    int height = 0;
    int components = 0;
    std::vector<unsigned char> samples;
    int at(int x, int y, int c) const { return samples[size_t((y * width + x) * components + c)]; }
};

struct QuietError
{
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

// libjpeg's plain decoding; warnings (a truncated file) are tolerated.
Reference referenceDecode(const QByteArray &data)
{
    jpeg_decompress_struct cinfo;
    QuietError err;
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = [](j_common_ptr c) { std::longjmp(reinterpret_cast<QuietError *>(c->err)->jump, 1); };
    err.pub.emit_message = [](j_common_ptr, int) {};
    Reference ref;
    jpeg_create_decompress(&cinfo);
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        ref.width = 0;
        return ref;
    }
    jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char *>(data.constData()), data.size());
    jpeg_read_header(&cinfo, TRUE);
    jpeg_start_decompress(&cinfo);
    ref.width = int(cinfo.output_width);
    ref.height = int(cinfo.output_height);
    ref.components = cinfo.output_components;
    ref.samples.resize(size_t(ref.width * ref.height * ref.components));
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = ref.samples.data() + size_t(cinfo.output_scanline) * ref.width * ref.components;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_destroy_decompress(&cinfo);
    return ref;
}

QString jpegErrorText(int code)
{
    return PlatformError::jpeg(code).message();
}

template <typename F>
QString errorOf(F call)
{
    try {
        call();
    } catch (const PlatformError &e) {
        return e.message();
    }
    return QString();
}

// Replaces the width and height of the first start-of-frame marker.
QByteArray withFrameSize(QByteArray data, int width, int height)
{
    for (int i = 2; i + 9 < data.size(); ++i) {
        if (uchar(data[i]) == 0xFF && (uchar(data[i + 1]) == 0xC0 || uchar(data[i + 1]) == 0xC2)) {
            data[i + 5] = char(height >> 8);
            data[i + 6] = char(height & 0xFF);
            data[i + 7] = char(width >> 8);
            data[i + 8] = char(width & 0xFF);
            return data;
        }
    }
    return QByteArray();
}

} // namespace

class TestJpeg : public QObject
{
    Q_OBJECT
private slots:
    void header_data();
    void header();
    void colourMatchesLibjpeg_data();
    void colourMatchesLibjpeg();
    void grayscaleToPalette();
    void colourToPaletteOnFewColours();
    void headerErrors_data();
    void headerErrors();
    void tooLarge();
    void fatalErrorWhenDecoding();
    void truncatedShowsWhatDecoded();
    void holderDecodesOnceAtFirstUse();
};

void TestJpeg::header_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<bool>("grayscale");
    QTest::addColumn<bool>("progressive");
    QTest::newRow("colour") << makeJpeg(Kind::Colour, 67, 45) << 67 << 45 << false << false;
    QTest::newRow("gray") << makeJpeg(Kind::Gray, 20, 31) << 20 << 31 << true << false;
    QTest::newRow("progressive") << makeJpeg(Kind::Progressive, 40, 9) << 40 << 9 << false << true;
}

void TestJpeg::header()
{
    QFETCH(QByteArray, data);
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(bool, grayscale);
    QFETCH(bool, progressive);
    const Jpeg::Header h = Jpeg::readHeader(data);
    QCOMPARE(h.width, width);
    QCOMPARE(h.height, height);
    QCOMPARE(h.grayscale, grayscale);
    QCOMPARE(h.progressive, progressive);
}

void TestJpeg::colourMatchesLibjpeg_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::newRow("baseline") << makeJpeg(Kind::Colour);
    QTest::newRow("progressive") << makeJpeg(Kind::Progressive);
    QTest::newRow("low quality") << makeJpeg(Kind::Colour, 33, 70, 20);
    // Large enough for the picture memory mapped on its own.
    QTest::newRow("large") << makeJpeg(Kind::Colour, 1500, 1000);
}

void TestJpeg::colourMatchesLibjpeg()
{
    QFETCH(QByteArray, data);
    const Reference ref = referenceDecode(data);
    QVERIFY(ref.width > 0);
    const QImage image = Jpeg::decode(data);
    QCOMPARE(image.size(), QSize(ref.width, ref.height));
    for (int y = 0; y < ref.height; ++y) {
        for (int x = 0; x < ref.width; ++x) {
            const QRgb p = image.pixel(x, y);
            const QRgb expected = qRgb(ref.at(x, y, 0), ref.at(x, y, 1), ref.at(x, y, 2));
            if (p != expected)
                QFAIL(qPrintable(QStringLiteral("pixel %1,%2: %3 instead of %4")
                                     .arg(x).arg(y).arg(p, 8, 16).arg(expected, 8, 16)));
        }
    }
}

// Gray pictures come out in 236 levels, dithered: each pixel within a step of
// libjpeg's 256-level decoding, and the picture as bright on the whole.
void TestJpeg::grayscaleToPalette()
{
    const QByteArray data = makeJpeg(Kind::Gray, 64, 64);
    const Reference ref = referenceDecode(data);
    const QImage image = Jpeg::decode(data);
    QCOMPARE(image.format(), QImage::Format_Indexed8);
    QCOMPARE(image.size(), QSize(ref.width, ref.height));
    QSet<QRgb> used;
    qint64 sumOurs = 0, sumRef = 0;
    for (int y = 0; y < ref.height; ++y) {
        for (int x = 0; x < ref.width; ++x) {
            const QRgb p = image.pixel(x, y);
            QCOMPARE(qRed(p), qGreen(p));
            QCOMPARE(qRed(p), qBlue(p));
            QVERIFY2(qAbs(qRed(p) - ref.at(x, y, 0)) <= 2, qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
            used.insert(p);
            sumOurs += qRed(p);
            sumRef += ref.at(x, y, 0);
        }
    }
    QVERIFY(used.size() <= Jpeg::PaletteColours);
    QVERIFY(qAbs(sumOurs - sumRef) <= ref.width * ref.height / 4);
}

void TestJpeg::colourToPaletteOnFewColours()
{
    const QByteArray data = makeJpeg(Kind::Colour, 80, 60);
    const Reference ref = referenceDecode(data);
    const QImage image = Jpeg::decode(data, true);
    QCOMPARE(image.format(), QImage::Format_Indexed8);
    QCOMPARE(image.size(), QSize(ref.width, ref.height));
    QSet<uchar> used;
    for (int y = 0; y < ref.height; ++y)
        for (int x = 0; x < ref.width; ++x)
            used.insert(image.constScanLine(y)[x]);
    QVERIFY(used.size() <= Jpeg::PaletteColours);
    // Dithering spreads each pixel's error over its neighbours: over blocks
    // of 4 x 4 pixels the colours are near the true ones (the quantizer's
    // colour boxes leave up to some 20 levels; a wrong channel order or a
    // wrong colour map would be off by a hundred).
    for (int by = 0; by + 4 <= ref.height; by += 4) {
        for (int bx = 0; bx + 4 <= ref.width; bx += 4) {
            int ours[3] = {0, 0, 0}, theirs[3] = {0, 0, 0};
            for (int y = by; y < by + 4; ++y) {
                for (int x = bx; x < bx + 4; ++x) {
                    const QRgb p = image.pixel(x, y);
                    ours[0] += qRed(p); ours[1] += qGreen(p); ours[2] += qBlue(p);
                    for (int c = 0; c < 3; ++c)
                        theirs[c] += ref.at(x, y, c);
                }
            }
            for (int c = 0; c < 3; ++c) {
                QVERIFY2(qAbs(ours[c] - theirs[c]) / 16 <= 24,
                         qPrintable(QStringLiteral("block %1,%2 channel %3: %4 against %5")
                                        .arg(bx).arg(by).arg(c).arg(ours[c] / 16).arg(theirs[c] / 16)));
            }
        }
    }
}

void TestJpeg::headerErrors_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<int>("code");
    const QByteArray good = makeJpeg(Kind::Colour);
    QTest::newRow("empty") << QByteArray() << int(JERR_INPUT_EMPTY);
    QTest::newRow("not a JPEG") << QByteArray("BM this is a bitmap, not a JPEG") << int(JERR_NO_SOI);
    QTest::newRow("zero width") << withFrameSize(good, 0, 45) << int(JERR_EMPTY_IMAGE);
    QTest::newRow("start marker only") << good.left(2) << int(JERR_NO_IMAGE);
}

void TestJpeg::headerErrors()
{
    QFETCH(QByteArray, data);
    QFETCH(int, code);
    QCOMPARE(errorOf([&] { Jpeg::readHeader(data); }), jpegErrorText(code));
    QCOMPARE(errorOf([&] { Jpeg::decode(data); }), jpegErrorText(code));
    Picture holder;
    QCOMPARE(errorOf([&] { holder.loadJpeg(data); }), jpegErrorText(code));
    QVERIFY(holder.isEmpty());
}

// A header claiming more pixels than the bound is refused at once, before
// anything is allocated for it.
void TestJpeg::tooLarge()
{
    const QByteArray huge = withFrameSize(makeJpeg(Kind::Colour), 65000, 65000);
    const QString message = PictureLimits::tooLarge(65000, 65000).message();
    QCOMPARE(errorOf([&] { Jpeg::readHeader(huge); }), message);
    QCOMPARE(errorOf([&] { Jpeg::decode(huge); }), message);
    QCOMPARE(errorOf([&] { Jpeg::decode(huge, true); }), message);
}

// A header that reads but data that fails fatally (libjpeg cannot turn CMYK
// into RGB): the header loads, the decoding throws the library's code, once.
void TestJpeg::fatalErrorWhenDecoding()
{
    const QByteArray cmyk = makeJpeg(Kind::Cmyk);
    Picture holder;
    holder.loadJpeg(cmyk);
    QCOMPARE(holder.size(), QSize(67, 45));
    QCOMPARE(errorOf([&] { holder.image(); }), jpegErrorText(JERR_CONVERSION_NOTIMPL));
    QVERIFY(holder.image().isNull());
    QCOMPARE(errorOf([&] { holder.image(); }), QString());
}

// A file cut short decodes with a warning only: full size, the rows that were
// there as libjpeg decodes them.
void TestJpeg::truncatedShowsWhatDecoded()
{
    const QByteArray whole = makeJpeg(Kind::Colour, 64, 64);
    const QByteArray cut = whole.left(whole.size() * 2 / 3);
    const Reference ref = referenceDecode(cut);
    QCOMPARE(ref.width, 64);
    const QImage image = Jpeg::decode(cut);
    const QImage full = Jpeg::decode(whole);
    QCOMPARE(image.size(), QSize(64, 64));
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            QCOMPARE(image.pixel(x, y), qRgb(ref.at(x, y, 0), ref.at(x, y, 1), ref.at(x, y, 2)));
    // The top rows are those of the whole file, the bottom ones are not.
    QCOMPARE(image.copy(0, 0, 64, 8), full.copy(0, 0, 64, 8));
    QVERIFY(image.copy(0, 56, 64, 8) != full.copy(0, 56, 64, 8));
}

// The holder reads the header when loading and decodes only when the picture
// is first wanted; copies share the decoding.
void TestJpeg::holderDecodesOnceAtFirstUse()
{
    const QByteArray data = makeJpeg(Kind::Progressive, 50, 20);
    Picture holder;
    holder.loadJpeg(data);
    QCOMPARE(holder.kind(), Picture::Kind::Jpeg);
    const Picture copy = holder;
    const QImage first = holder.image();
    QCOMPARE(first, Jpeg::decode(data));
    QCOMPARE(copy.image().constBits(), first.constBits());
}

QTEST_GUILESS_MAIN(TestJpeg)
#include "tst_jpeg.moc"
