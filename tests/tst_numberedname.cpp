#include "pelmoraMain/numberedname.h"

#include <QTest>

using namespace NumberedNames;

class TestNumberedName : public QObject
{
    Q_OBJECT
private slots:
    void numberOfName_data();
    void numberOfName();
    void conversion_data();
    void conversion();
    void numberedName_data();
    void numberedName();
    void extension_data();
    void extension();
    void pictureExt_data();
    void pictureExt();
};

void TestNumberedName::numberOfName_data()
{
    QTest::addColumn<QByteArray>("theme");
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<int>("serial");
    const QByteArray trip("Trip");
    QTest::newRow("plain") << trip << QByteArray("Trip001.jpg") << 1;
    QTest::newRow("zero") << trip << QByteArray("Trip000.jpg") << 0;
    QTest::newRow("prefix not compared") << trip << QByteArray("TRIP012.JPG") << 12;
    QTest::newRow("four digits") << trip << QByteArray("Trip1000.jpg") << 1000;
    QTest::newRow("no extension") << trip << QByteArray("Trip001") << 1;
    QTest::newRow("empty tail") << trip << QByteArray("Trip.jpg") << -1;
    QTest::newRow("bare theme") << trip << QByteArray("Trip") << -1;
    QTest::newRow("leading blank") << trip << QByteArray("Trip 7.jpg") << 7;
    QTest::newRow("trailing blank") << trip << QByteArray("Trip7 .jpg") << -1;
    QTest::newRow("trailing letter") << trip << QByteArray("Trip001a.jpg") << -1;
    QTest::newRow("only last extension removed") << trip << QByteArray("Trip001.jpg.bak") << -1;
    QTest::newRow("negative") << trip << QByteArray("Trip-5.jpg") << -5;
    QTest::newRow("plus") << trip << QByteArray("Trip+3.jpg") << 3;
    QTest::newRow("minus one") << trip << QByteArray("Trip-1.jpg") << -1;
    QTest::newRow("hex X") << trip << QByteArray("TripX1F.jpg") << 31;
    QTest::newRow("hex dollar") << trip << QByteArray("Trip$10.jpg") << 16;
    QTest::newRow("prefix without digits") << trip << QByteArray("Tripx.jpg") << -1;
    QTest::newRow("out of range") << trip << QByteArray("Trip2147483648.jpg") << -1;
    QTest::newRow("not a number") << trip << QByteArray("TripNotes.txt") << -1;
    QTest::newRow("shorter than theme") << trip << QByteArray("Tr.jpg") << -1;
    // Byte counts: "写真" is six bytes in UTF-8.
    QTest::newRow("multibyte theme") << QByteArray("写真") << QByteArray("写真042.jpg") << 42;
}

void TestNumberedName::numberOfName()
{
    QFETCH(QByteArray, theme);
    QFETCH(QByteArray, name);
    QFETCH(int, serial);
    QCOMPARE(NumberOfName(name, theme), serial);
}

void TestNumberedName::conversion_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("value");
    QTest::newRow("max") << QByteArray("2147483647") << true << 2147483647;
    QTest::newRow("min") << QByteArray("-2147483648") << true << int(-2147483647 - 1);
    QTest::newRow("below min") << QByteArray("-2147483649") << false << 0;
    QTest::newRow("leading zeros") << QByteArray("000000000000042") << true << 42;
    QTest::newRow("0x") << QByteArray("0x1f") << true << 31;
    QTest::newRow("0X") << QByteArray("0XFF") << true << 255;
    QTest::newRow("hex two's complement") << QByteArray("$FFFFFFFF") << true << -1;
    QTest::newRow("hex 80000000") << QByteArray("x80000000") << true << int(-2147483647 - 1);
    QTest::newRow("hex too wide") << QByteArray("$100000000") << false << 0;
    QTest::newRow("hex leading zeros") << QByteArray("$000000000001") << true << 1;
    QTest::newRow("sign before hex") << QByteArray("-$10") << false << 0;
    QTest::newRow("blank after sign") << QByteArray("- 5") << false << 0;
    QTest::newRow("lone sign") << QByteArray("-") << false << 0;
    QTest::newRow("lone 0x") << QByteArray("0x") << false << 0;
    QTest::newRow("blanks only") << QByteArray("   ") << false << 0;
    QTest::newRow("empty") << QByteArray() << false << 0;
    QTest::newRow("tab not skipped") << QByteArray("\t5") << false << 0;
    QTest::newRow("bad hex digit") << QByteArray("$1G") << false << 0;
    QTest::newRow("zero") << QByteArray("0") << true << 0;
}

void TestNumberedName::conversion()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, ok);
    QFETCH(int, value);
    const std::optional<std::int32_t> result = toInt32(text);
    QCOMPARE(result.has_value(), ok);
    if (ok)
        QCOMPARE(*result, value);
}

void TestNumberedName::numberedName_data()
{
    QTest::addColumn<int>("serial");
    QTest::addColumn<QByteArray>("extension");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("7 .JPG") << 7 << QByteArray(".JPG") << QByteArray("Trip007.JPG");
    QTest::newRow("no extension") << 7 << QByteArray() << QByteArray("Trip007");
    QTest::newRow("0") << 0 << QByteArray(".jpg") << QByteArray("Trip000.jpg");
    QTest::newRow("42") << 42 << QByteArray(".jpg") << QByteArray("Trip042.jpg");
    QTest::newRow("1000") << 1000 << QByteArray(".jpg") << QByteArray("Trip1000.jpg");
    QTest::newRow("123456") << 123456 << QByteArray(".bmp") << QByteArray("Trip123456.bmp");
    QTest::newRow("-4") << -4 << QByteArray(".jpg") << QByteArray("Trip-004.jpg");
    QTest::newRow("-1234") << -1234 << QByteArray(".jpg") << QByteArray("Trip-1234.jpg");
    QTest::newRow("min") << int(-2147483647 - 1) << QByteArray() << QByteArray("Trip-2147483648");
}

void TestNumberedName::numberedName()
{
    QFETCH(int, serial);
    QFETCH(QByteArray, extension);
    QFETCH(QByteArray, expected);
    QCOMPARE(NumberedName("Trip", serial, extension), expected);
}

void TestNumberedName::extension_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QByteArray>("extension");
    QTest::addColumn<QByteArray>("stem");
    QTest::newRow("camera") << QByteArray("IMG_0012.JPG") << QByteArray(".JPG") << QByteArray("IMG_0012");
    QTest::newRow("none") << QByteArray("README") << QByteArray() << QByteArray("README");
    QTest::newRow("several dots") << QByteArray("a.tar.gz") << QByteArray(".gz") << QByteArray("a.tar");
    QTest::newRow("trailing dot") << QByteArray("name.") << QByteArray(".") << QByteArray("name");
    QTest::newRow("leading dot") << QByteArray(".profile") << QByteArray(".profile") << QByteArray();
    QTest::newRow("dot in folder") << QByteArray("/photos.old/README") << QByteArray() << QByteArray("/photos.old/README");
}

void TestNumberedName::extension()
{
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, extension);
    QFETCH(QByteArray, stem);
    QCOMPARE(ExtractFileExt(name), extension);
    QCOMPARE(NameWithoutExt(name), stem);
}

void TestNumberedName::pictureExt_data()
{
    QTest::addColumn<QByteArray>("extension");
    QTest::addColumn<bool>("picture");
    for (const char *yes : {".jpg", ".JPG", ".Jpg", ".bmp", ".BMP"})
        QTest::newRow(yes) << QByteArray(yes) << true;
    for (const char *no : {".jpeg", ".JPEG", ".gif", "", ".", "jpg", ".png", ".jpe"})
        QTest::newRow(*no ? no : "empty") << QByteArray(no) << false;
}

void TestNumberedName::pictureExt()
{
    QFETCH(QByteArray, extension);
    QFETCH(bool, picture);
    QCOMPARE(IsPictureExt(extension), picture);
}

QTEST_GUILESS_MAIN(TestNumberedName)
#include "tst_numberedname.moc"
