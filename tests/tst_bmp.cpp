#include "imageform/bmpreader.h"
#include "imageform/bytesource.h"
#include "imageform/picturelimits.h"
#include "platformerror.h"
#include "texts.h"

#include <QTest>

#include <climits>

// Bitmap files are written here byte by byte, as the format lays them out, and
// read back through the reader.

namespace {

void put16(QByteArray &b, quint32 v) { b.append(char(v & 0xFF)).append(char((v >> 8) & 0xFF)); }
void put32(QByteArray &b, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        b.append(char((v >> (8 * i)) & 0xFF));
}

struct BmpSpec
{
    quint32 headerSize = 40;
    qint32 width = 0;
    qint32 height = 0;
    int bitCount = 24;
    quint32 compression = 0;
    quint32 coloursUsed = 0;
    QList<quint32> masks;    // in the header (52 and more) or after a 40-byte one
    QByteArray colourTable;  // as stored: B G R (0) per entry
    QByteArray pixels;
};

QByteArray makeBmp(const BmpSpec &s)
{
    QByteArray header;
    if (s.headerSize == 12) {
        put32(header, 12);
        put16(header, quint32(s.width));
        put16(header, quint32(s.height));
        put16(header, 1);
        put16(header, quint32(s.bitCount));
    } else {
        put32(header, s.headerSize);
        put32(header, quint32(s.width));
        put32(header, quint32(s.height));
        put16(header, 1);
        put16(header, quint32(s.bitCount));
        put32(header, s.compression);
        put32(header, quint32(s.pixels.size()));
        put32(header, 2835);
        put32(header, 2835);
        put32(header, s.coloursUsed);
        put32(header, 0);
        if (s.headerSize >= 52)
            for (quint32 m : s.masks)
                put32(header, m);
        header.resize(s.headerSize, '\0');
        if (s.headerSize == 40)
            for (quint32 m : s.masks)
                put32(header, m);
    }
    QByteArray file("BM");
    const quint32 offBits = quint32(14 + header.size() + s.colourTable.size());
    put32(file, offBits + quint32(s.pixels.size()));
    put32(file, 0);
    put32(file, offBits);
    return file + header + s.colourTable + s.pixels;
}

QByteArray bytes(std::initializer_list<int> list)
{
    QByteArray b;
    for (int v : list)
        b.append(char(v));
    return b;
}

const QRgb K = qRgb(0, 0, 0), R = qRgb(255, 0, 0), G = qRgb(0, 255, 0), B = qRgb(0, 0, 255),
           W = qRgb(255, 255, 255);

// Colour table black, red, green, blue (B G R 0 each).
const QByteArray kRgbTable = bytes({0, 0, 0, 0, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0});

QString errorOf(const QByteArray &file)
{
    try {
        Bmp::read(file);
    } catch (const PlatformError &e) {
        return e.message();
    }
    return QString();
}

} // namespace

class TestBmp : public QObject
{
    Q_OBJECT
private slots:
    void variants_data();
    void variants();
    void errors_data();
    void errors();
    void truncatedPixelData_data();
    void truncatedPixelData();
    void readsFromFile();
    void largePictureOutlivesItsReader();
};

void TestBmp::variants_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QList<QRgb>>("expected"); // top row first

    {
        BmpSpec s; // 3 x 2, bottom-up; each row padded to 4 bytes
        s.width = 3; s.height = 2; s.bitCount = 1;
        s.colourTable = bytes({0, 0, 255, 0, 255, 255, 255, 0}); // red, white
        s.pixels = bytes({0xA0, 0, 0, 0, 0x40, 0, 0, 0});       // bottom 1 0 1, top 0 1 0
        QTest::newRow("1 bit") << makeBmp(s) << QSize(3, 2) << QList<QRgb>{R, W, R, W, R, W};
    }
    {
        BmpSpec s; // 3 colours used of 16; index 5 lies past the table: black
        s.width = 4; s.height = 1; s.bitCount = 4; s.coloursUsed = 3;
        s.colourTable = kRgbTable.left(12);
        s.pixels = bytes({0x12, 0x05, 0, 0});
        QTest::newRow("4 bit short table") << makeBmp(s) << QSize(4, 1) << QList<QRgb>{R, G, K, K};
    }
    {
        BmpSpec s; // negative height: the first row in the file is the top one
        s.width = 2; s.height = -2; s.bitCount = 8; s.coloursUsed = 4;
        s.colourTable = kRgbTable;
        s.pixels = bytes({1, 2, 0, 0, 3, 0, 0, 0});
        QTest::newRow("8 bit top-down") << makeBmp(s) << QSize(2, 2) << QList<QRgb>{R, G, B, K};
    }
    {
        BmpSpec s; // core header: 3-byte colour table entries, all 256 of them
        s.headerSize = 12; s.width = 2; s.height = 1; s.bitCount = 8;
        QByteArray table(256 * 3, '\0');
        table[3 * 7 + 2] = char(255);                  // entry 7 red
        table[3 * 200 + 0] = char(255);                // entry 200 blue
        s.colourTable = table;
        s.pixels = bytes({7, 200, 0, 0});
        QTest::newRow("8 bit core header") << makeBmp(s) << QSize(2, 1) << QList<QRgb>{R, B};
    }
    {
        BmpSpec s; // 5-5-5 without masks: 0x7C00 red, 0x03E0 green, 0x001F blue
        s.width = 3; s.height = 1; s.bitCount = 16;
        s.pixels = bytes({0x00, 0x7C, 0xE0, 0x03, 0x1F, 0x00, 0, 0});
        QTest::newRow("16 bit 555") << makeBmp(s) << QSize(3, 1) << QList<QRgb>{R, G, B};
    }
    {
        BmpSpec s; // 5-6-5 bit fields after a 40-byte header
        s.width = 2; s.height = 1; s.bitCount = 16; s.compression = 3;
        s.masks = {0xF800, 0x07E0, 0x001F};
        s.pixels = bytes({0xE0, 0x07, 0xFF, 0xFF});
        QTest::newRow("16 bit 565 bit fields") << makeBmp(s) << QSize(2, 1) << QList<QRgb>{G, W};
    }
    {
        BmpSpec s; // 4-4-4 bit fields: 4-bit channels scaled to 8 bits (0x8 -> 136)
        s.width = 2; s.height = 1; s.bitCount = 16; s.compression = 3;
        s.masks = {0x0F00, 0x00F0, 0x000F};
        s.pixels = bytes({0x0F, 0x08, 0xF0, 0x00});
        QTest::newRow("16 bit 444 bit fields") << makeBmp(s) << QSize(2, 1)
                                               << QList<QRgb>{qRgb(136, 0, 255), qRgb(0, 255, 0)};
    }
    {
        BmpSpec s; // 24-bit B G R, 3 pixels = 9 bytes + 3 padding per row, bottom-up
        s.width = 3; s.height = 2;
        s.pixels = bytes({0, 0, 255, 0, 255, 0, 255, 0, 0, 0, 0, 0,
                          1, 2, 3, 255, 255, 255, 0, 0, 0, 0, 0, 0});
        QTest::newRow("24 bit") << makeBmp(s) << QSize(3, 2)
                                << QList<QRgb>{qRgb(3, 2, 1), W, K, R, G, B};
    }
    {
        BmpSpec s;
        s.headerSize = 12; s.width = 1; s.height = 2;
        s.pixels = bytes({255, 0, 0, 0, 0, 0, 255, 0});
        QTest::newRow("24 bit core header") << makeBmp(s) << QSize(1, 2) << QList<QRgb>{R, B};
    }
    {
        BmpSpec s; // the fourth byte is no alpha: 0 there still shows the colour
        s.width = 2; s.height = 1; s.bitCount = 32;
        s.pixels = bytes({0, 0, 255, 0, 10, 20, 30, 0x7F});
        QTest::newRow("32 bit") << makeBmp(s) << QSize(2, 1) << QList<QRgb>{R, qRgb(30, 20, 10)};
    }
    {
        BmpSpec s; // V4 header with R G B A byte order masks
        s.headerSize = 108; s.width = 2; s.height = 1; s.bitCount = 32; s.compression = 3;
        s.masks = {0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000};
        s.pixels = bytes({255, 0, 0, 0, 0, 0, 255, 255});
        QTest::newRow("32 bit V4 bit fields") << makeBmp(s) << QSize(2, 1) << QList<QRgb>{R, B};
    }
    {
        BmpSpec s; // V5 header with the usual masks: read straight in
        s.headerSize = 124; s.width = 1; s.height = -2; s.bitCount = 32; s.compression = 3;
        s.masks = {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000};
        s.pixels = bytes({0, 255, 0, 0, 255, 255, 255, 0});
        QTest::newRow("32 bit V5 top-down") << makeBmp(s) << QSize(1, 2) << QList<QRgb>{G, W};
    }
    {
        BmpSpec s; // runs, an absolute run with padding, a delta, end of line and of bitmap
        s.width = 4; s.height = 3; s.bitCount = 8; s.compression = 1; s.coloursUsed = 4;
        s.colourTable = kRgbTable;
        s.pixels = bytes({3, 1, 0, 0,              // bottom: 1 1 1, end of line
                          0, 3, 2, 1, 2, 0, 0, 0,  // absolute 2 1 2 (+ pad), end of line
                          0, 2, 2, 0, 2, 3,        // right by 2, then 3 3
                          0, 1});                  // end of bitmap
        QTest::newRow("RLE8") << makeBmp(s) << QSize(4, 3)
                              << QList<QRgb>{K, K, B, B, G, R, G, K, R, R, R, K};
    }
    {
        BmpSpec s; // alternating nibble runs; an absolute run of 3 nibbles in 2 bytes
        s.width = 5; s.height = 2; s.bitCount = 4; s.compression = 2; s.coloursUsed = 4;
        s.colourTable = kRgbTable;
        s.pixels = bytes({5, 0x12, 0, 0, 0, 3, 0x31, 0x20, 0, 1});
        QTest::newRow("RLE4") << makeBmp(s) << QSize(5, 2)
                              << QList<QRgb>{B, R, G, K, K, R, G, R, G, R};
    }
    {
        BmpSpec s; // a run longer than the row is cut at the row's end
        s.width = 2; s.height = 1; s.bitCount = 8; s.compression = 1; s.coloursUsed = 4;
        s.colourTable = kRgbTable;
        s.pixels = bytes({9, 2, 0, 1});
        QTest::newRow("RLE8 run past the row") << makeBmp(s) << QSize(2, 1) << QList<QRgb>{G, G};
    }
}

void TestBmp::variants()
{
    QFETCH(QByteArray, file);
    QFETCH(QSize, size);
    QFETCH(QList<QRgb>, expected);

    const QImage image = Bmp::read(file);
    QCOMPARE(image.size(), size);
    // pixel() gives the colour as drawn, alpha included: every pixel opaque.
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            QCOMPARE(QString::number(image.pixel(x, y), 16),
                     QString::number(expected.at(y * size.width() + x), 16));
}

void TestBmp::errors_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("message");

    const QString readError = QString::fromUtf8(Texts::StreamReadError);
    const QString invalid = QString::fromUtf8(Texts::InvalidBitmap);

    BmpSpec good;
    good.width = 1; good.height = 1;
    good.pixels = bytes({0, 0, 255, 0});
    const QByteArray valid = makeBmp(good);

    QTest::newRow("empty") << QByteArray() << readError;
    QTest::newRow("13 bytes") << valid.left(13) << readError;
    QTest::newRow("ends in the header") << valid.left(30) << readError;
    QByteArray noSignature = valid;
    noSignature[1] = 'X';
    QTest::newRow("no signature") << noSignature << invalid;
    QTest::newRow("text file") << QByteArray("Hello, this is not a picture at all") << invalid;

    auto withSpec = [&](const char *name, void (*change)(BmpSpec &), const QString &message) {
        BmpSpec s = good;
        change(s);
        QTest::newRow(name) << makeBmp(s) << message;
    };
    withSpec("header size 20", [](BmpSpec &s) { s.headerSize = 20; }, invalid);
    withSpec("width 0", [](BmpSpec &s) { s.width = 0; }, invalid);
    withSpec("negative width", [](BmpSpec &s) { s.width = -5; }, invalid);
    withSpec("height 0", [](BmpSpec &s) { s.height = 0; }, invalid);
    withSpec("height INT_MIN", [](BmpSpec &s) { s.height = INT_MIN; }, invalid);
    withSpec("7 bits per pixel", [](BmpSpec &s) { s.bitCount = 7; }, invalid);
    withSpec("RLE8 at 24 bits", [](BmpSpec &s) { s.compression = 1; }, invalid);
    withSpec("RLE8 top-down", [](BmpSpec &s) { s.bitCount = 8; s.compression = 1; s.height = -1; }, invalid);
    withSpec("JPEG inside", [](BmpSpec &s) { s.compression = 4; }, invalid);
    withSpec("bit fields at 8 bits", [](BmpSpec &s) { s.bitCount = 8; s.compression = 3; }, invalid);
    withSpec("colour table missing", [](BmpSpec &s) { s.bitCount = 8; s.pixels = bytes({0, 0, 0, 0}); }, readError);
    withSpec("masks missing", [](BmpSpec &s) { s.bitCount = 16; s.compression = 3; s.pixels.clear(); }, readError);

    // Sizes that claim more than any memory: refused before allocating.
    withSpec("absurd size", [](BmpSpec &s) { s.width = 1000000; s.height = 1000000; },
             PictureLimits::tooLarge(1000000, 1000000).message());
    withSpec("absurd width", [](BmpSpec &s) { s.width = INT_MAX; s.height = 1; },
             PictureLimits::tooLarge(INT_MAX, 1).message());
    withSpec("absurd height", [](BmpSpec &s) { s.width = 2; s.height = -INT_MAX; },
             PictureLimits::tooLarge(2, INT_MAX).message());
}

void TestBmp::errors()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, message);
    QCOMPARE(errorOf(file), message);
}

void TestBmp::truncatedPixelData_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QList<QRgb>>("expected");

    {
        BmpSpec s; // bottom row whole, middle row half, top row missing: blank (black)
        s.width = 2; s.height = 3;
        s.pixels = bytes({0, 0, 255, 0, 255, 0, 0, 0,
                          255, 0, 0, 255, 255, 255, 0, 0,
                          0, 255, 0, 0, 255, 0, 0, 0});
        const QByteArray file = makeBmp(s);
        QTest::newRow("24 bit") << file.left(file.size() - 8 - 5) << QSize(2, 3)
                                << QList<QRgb>{K, K, B, K, R, G};
    }
    {
        BmpSpec s; // top-down: the bottom is what is missing
        s.width = 1; s.height = -3; s.bitCount = 32;
        s.pixels = bytes({0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0});
        const QByteArray file = makeBmp(s);
        QTest::newRow("32 bit top-down") << file.left(file.size() - 4) << QSize(1, 3) << QList<QRgb>{R, G, K};
    }
    {
        BmpSpec s;
        s.width = 2; s.height = 2; s.bitCount = 8; s.compression = 1; s.coloursUsed = 4;
        s.colourTable = kRgbTable;
        s.pixels = bytes({2, 3, 0, 0, 2, 1, 0, 1});
        const QByteArray file = makeBmp(s);
        QTest::newRow("RLE8 cut inside a run") << file.left(file.size() - 3) << QSize(2, 2)
                                               << QList<QRgb>{K, K, B, B};
    }
    {
        BmpSpec s; // nothing of the pixel data at all
        s.width = 2; s.height = 1; s.bitCount = 4; s.coloursUsed = 2;
        s.colourTable = bytes({255, 255, 255, 0, 0, 0, 255, 0});
        QTest::newRow("no pixel data") << makeBmp(s) << QSize(2, 1) << QList<QRgb>{W, W};
    }
}

void TestBmp::truncatedPixelData()
{
    QFETCH(QByteArray, file);
    QFETCH(QSize, size);
    QFETCH(QList<QRgb>, expected);

    const QImage image = Bmp::read(file);
    QCOMPARE(image.size(), size);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            QCOMPARE(QString::number(image.pixel(x, y), 16),
                     QString::number(expected.at(y * size.width() + x), 16));
}

// The file path reads rows in place instead of through a buffer.
void TestBmp::readsFromFile()
{
    BmpSpec s;
    s.width = 3; s.height = 2;
    s.pixels = bytes({0, 0, 255, 0, 255, 0, 255, 0, 0, 0, 0, 0,
                      1, 2, 3, 255, 255, 255, 0, 0, 0, 0, 0, 0});
    const QByteArray data = makeBmp(s);
    QTemporaryDir dir;
    const QByteArray path = QFile::encodeName(dir.filePath(QStringLiteral("p.bmp")));
    QFile f(QFile::decodeName(path));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(data.left(data.size() - 6)); // the top row cut short
    f.close();

    FileSource file(path);
    const QImage fromFile = Bmp::read(file);
    const QImage fromMemory = Bmp::read(data.left(data.size() - 6));
    QCOMPARE(fromFile, fromMemory);
    QCOMPARE(fromFile.pixel(0, 0), qRgb(3, 2, 1));
    QCOMPARE(fromFile.pixel(2, 0), K);
}

// A picture large enough for memory mapped on its own: every row in place,
// and the pixels stay valid in copies after the decoded image is gone.
void TestBmp::largePictureOutlivesItsReader()
{
    BmpSpec s;
    s.width = 1500; s.height = 1000;
    const int rowBytes = (s.width * 3 + 3) / 4 * 4;
    s.pixels.resize(qsizetype(rowBytes) * s.height);
    for (int y = 0; y < s.height; ++y)
        for (int x = 0; x < s.width; ++x)
            for (int c = 0; c < 3; ++c)
                s.pixels[qsizetype(y) * rowBytes + 3 * x + c] = char((x + 7 * y + 50 * c) & 0xFF);
    QImage kept;
    {
        const QImage image = Bmp::read(makeBmp(s));
        kept = image;
    }
    QCOMPARE(kept.size(), QSize(1500, 1000));
    for (const QPoint p : {QPoint(0, 0), QPoint(1499, 0), QPoint(0, 999), QPoint(1499, 999), QPoint(700, 321)}) {
        const int fileRow = 999 - p.y();
        const int v = p.x() + 7 * fileRow;
        QCOMPARE(kept.pixel(p), qRgb((v + 100) & 0xFF, (v + 50) & 0xFF, v & 0xFF));
    }
    const QImage copy = kept.copy();
    kept = QImage();
    QCOMPARE(copy.pixel(700, 321), qRgb((700 + 7 * 678 + 100) & 0xFF, (700 + 7 * 678 + 50) & 0xFF, (700 + 7 * 678) & 0xFF));
}

QTEST_GUILESS_MAIN(TestBmp)
#include "tst_bmp.moc"
