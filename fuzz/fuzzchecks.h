#pragma once
// What the fuzz targets do with one input, and what they check of the result.
// The targets call these and abort on a failed check; the regression test
// replays the inputs the fuzzers found through the same functions. Each
// function returns an empty string when every check holds, else what failed.
// Errors the program reports to the user (PlatformError) and memory it cannot
// have (std::bad_alloc) are expected outcomes; any other exception escapes.

#include "app/imageform/bmpreader.h"
#include "app/imageform/jpegdecoder.h"
#include "app/imageform/picture.h"
#include "app/imageform/picturelimits.h"
#include "app/pelmoraMain/numberedname.h"
#include "platformerror.h"

#include <QByteArray>
#include <QImage>
#include <QString>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <optional>
#include <string>

namespace FuzzChecks {

// A header may claim a picture of up to PictureLimits::MaxPicturePixels, which
// the program accepts and fills, from a file of a few bytes. Filling a quarter
// of a gigapixel takes seconds and runs the same code as a small picture, so
// the fuzz inputs decode only pictures up to these sizes; a larger claim is
// still read as far as its header (where the too-large error is raised).
inline constexpr qint64 BmpDecodePixels = qint64(1) << 18;
inline constexpr qint64 JpegDecodePixels = qint64(1) << 20;

// ---- Windows bitmaps --------------------------------------------------------

inline quint32 fuzzLe32(const QByteArray &d, int at)
{
    return quint32(uchar(d[at])) | (quint32(uchar(d[at + 1])) << 8) | (quint32(uchar(d[at + 2])) << 16)
           | (quint32(uchar(d[at + 3])) << 24);
}

// True when the file's header claims a picture the reader would accept but
// that is too big to decode in a fuzz run.
inline bool bmpTooBigToFuzz(const QByteArray &d)
{
    if (d.size() < 26)
        return false;
    qint64 width, height;
    if (fuzzLe32(d, 14) == 12) {
        width = uchar(d[18]) | (uchar(d[19]) << 8);
        height = uchar(d[20]) | (uchar(d[21]) << 8);
    } else {
        width = qint32(fuzzLe32(d, 18));
        height = qint32(fuzzLe32(d, 22));
        height = height < 0 ? -height : height;
    }
    return PictureLimits::fits(width, height) && width * height > BmpDecodePixels;
}

// Every pixel of a palette picture names an entry of its colour table.
inline QString checkIndexes(const QImage &image, int colours)
{
    for (int y = 0; y < image.height(); ++y) {
        const uchar *row = image.constScanLine(y);
        for (int x = 0; x < image.width(); ++x)
            if (row[x] >= colours)
                return QStringLiteral("pixel (%1, %2) has index %3 of %4 colours").arg(x).arg(y).arg(row[x]).arg(colours);
    }
    return QString();
}

inline QString bmp(const QByteArray &data)
{
    if (bmpTooBigToFuzz(data))
        return QString();

    // A holder that already holds a picture keeps it when a load fails.
    Picture holder;
    holder.loadBitmap(QByteArray::fromHex("424d1e000000000000001a0000000c00000001000100010018000000ff00"));
    const QSize before = holder.size();

    try {
        holder.loadBitmap(data);
    } catch (const PlatformError &) {
        return holder.size() == before && holder.kind() == Picture::Kind::Bitmap
                   ? QString() : QStringLiteral("a failed load replaced the picture held");
    } catch (const std::bad_alloc &) {
        return QString();
    }

    const QImage image = holder.image();
    if (image.isNull() || image.size() != holder.size())
        return QStringLiteral("the picture read has no pixels");
    if (!PictureLimits::fits(image.width(), image.height()))
        return QStringLiteral("a picture beyond the size bound was read");
    if (image.format() == QImage::Format_Indexed8) {
        const int colours = image.colorCount();
        if (colours != 2 && colours != 16 && colours != 256)
            return QStringLiteral("colour table of %1 entries").arg(colours);
        return checkIndexes(image, colours);
    }
    return QString();
}

// ---- JPEG pictures ----------------------------------------------------------

// The decoded picture of a header: its size, an indexed picture's indexes
// within the quantizer's colours.
inline QString checkDecoded(const QImage &image, const Jpeg::Header &header, bool palette)
{
    if (image.size() != QSize(header.width, header.height))
        return QStringLiteral("decoded %1 x %2 for a header of %3 x %4")
            .arg(image.width()).arg(image.height()).arg(header.width).arg(header.height);
    const bool indexed = palette || header.grayscale;
    if (image.format() != (indexed ? QImage::Format_Indexed8 : QImage::Format_RGB32))
        return QStringLiteral("decoded to format %1").arg(int(image.format()));
    if (indexed) {
        if (image.colorCount() != 256)
            return QStringLiteral("colour table of %1 entries").arg(image.colorCount());
        return checkIndexes(image, Jpeg::PaletteColours);
    }
    return QString();
}

inline QString jpeg(const QByteArray &data)
{
    Jpeg::Header header;
    try {
        header = Jpeg::readHeader(data);
    } catch (const PlatformError &) {
        return QString();
    } catch (const std::bad_alloc &) {
        return QString();
    }
    if (!PictureLimits::fits(header.width, header.height))
        return QStringLiteral("a header beyond the size bound was read");

    // The holder reads the same header, decodes at the first image() and
    // never again.
    Picture holder;
    try {
        holder.loadJpeg(data);
    } catch (const PlatformError &) {
        return QStringLiteral("the holder refused a header that reads");
    }
    if (holder.size() != QSize(header.width, header.height))
        return QStringLiteral("the holder's size differs from the header's");
    if (qint64(header.width) * header.height > JpegDecodePixels)
        return QString();

    bool decoded = false;
    try {
        const QImage image = holder.image(32);
        decoded = true;
        const QString failure = checkDecoded(image, header, false);
        if (!failure.isEmpty())
            return failure;
    } catch (const PlatformError &) {
    } catch (const std::bad_alloc &) {
    }
    // A second call neither decodes nor throws.
    const QImage again = holder.image(32);
    if (!decoded && !again.isNull())
        return QStringLiteral("a failed decoding gave a picture later");

    // The palette decoding of a 256-colour display.
    try {
        const QString failure = checkDecoded(Jpeg::decode(data, true), header, true);
        if (!failure.isEmpty())
            return failure;
    } catch (const PlatformError &) {
    } catch (const std::bad_alloc &) {
    }
    return QString();
}

// ---- Numbered names ---------------------------------------------------------

// The conversion done a second way, through the C library's strtoll and
// strtoull on the digits once their form is checked.
inline std::optional<std::int32_t> referenceToInt32(const QByteArray &text)
{
    const std::string s(text.constData(), size_t(text.size()));
    size_t i = s.find_first_not_of(' ');
    if (i == std::string::npos)
        return std::nullopt;
    auto digitsOnly = [&](size_t from, const char *set) {
        return from < s.size() && s.find_first_not_of(set, from) == std::string::npos;
    };
    static const char decimal[] = "0123456789";
    static const char hex[] = "0123456789abcdefABCDEF";

    size_t hexFrom = std::string::npos;
    if (s[i] == '$' || s[i] == 'x' || s[i] == 'X')
        hexFrom = i + 1;
    else if (s.compare(i, 2, "0x") == 0 || s.compare(i, 2, "0X") == 0)
        hexFrom = i + 2;
    if (hexFrom != std::string::npos) {
        if (!digitsOnly(hexFrom, hex))
            return std::nullopt;
        errno = 0;
        const unsigned long long v = std::strtoull(s.c_str() + hexFrom, nullptr, 16);
        if (errno == ERANGE || v > 0xFFFFFFFFull)
            return std::nullopt;
        return std::int32_t(std::uint32_t(v));
    }
    const size_t digitsFrom = (s[i] == '+' || s[i] == '-') ? i + 1 : i;
    if (!digitsOnly(digitsFrom, decimal))
        return std::nullopt;
    errno = 0;
    const long long v = std::strtoll(s.c_str() + i, nullptr, 10);
    if (errno == ERANGE || v < INT32_MIN || v > INT32_MAX)
        return std::nullopt;
    return std::int32_t(v);
}

inline QString describe(std::optional<std::int32_t> v)
{
    return v ? QString::number(*v) : QStringLiteral("none");
}

// The input: its first byte is the theme name's length, then the theme name,
// then the file name (and the text converted).
inline QString numberedName(const QByteArray &data)
{
    if (data.isEmpty())
        return QString();
    const qsizetype themeLength = qMin<qsizetype>(uchar(data[0]), data.size() - 1);
    const QByteArray theme = data.mid(1, themeLength);
    const QByteArray name = data.mid(1 + themeLength);

    const auto converted = NumberedNames::toInt32(name);
    const auto expected = referenceToInt32(name);
    if (converted != expected)
        return QStringLiteral("toInt32(%1) = %2, expected %3")
            .arg(QString::fromLatin1(name.toHex()), describe(converted), describe(expected));

    // The serial of a name: the part after the theme name's length, without
    // the extension (from the last "." that follows every "/").
    std::string stem(name.constData(), size_t(name.size()));
    const size_t mark = stem.find_last_of("./");
    if (mark != std::string::npos && stem[mark] == '.')
        stem.erase(mark);
    const QByteArray tail = qsizetype(stem.size()) > theme.size()
                                ? QByteArray(stem.data() + theme.size(), qsizetype(stem.size()) - theme.size())
                                : QByteArray();
    const std::int32_t serial = NumberedNames::NumberOfName(name, theme);
    if (serial != referenceToInt32(tail).value_or(-1))
        return QStringLiteral("NumberOfName(%1, %2) = %3, expected %4")
            .arg(QString::fromLatin1(name.toHex()), QString::fromLatin1(theme.toHex()))
            .arg(serial).arg(referenceToInt32(tail).value_or(-1));

    // The extension and the name without it make up the name; the picture
    // test is an exact comparison after lower-casing A to Z.
    const QByteArray ext = NumberedNames::ExtractFileExt(name);
    if (NumberedNames::NameWithoutExt(name) + ext != name)
        return QStringLiteral("name without extension + extension is not the name %1").arg(QString::fromLatin1(name.toHex()));
    const QByteArray lower = ext.toLower();
    if (NumberedNames::IsPictureExt(ext) != (lower == ".jpg" || lower == ".bmp"))
        return QStringLiteral("IsPictureExt(%1) is wrong").arg(QString::fromLatin1(ext.toHex()));

    // Round trips: a serial taken from the input, written as a numbered name
    // with the name's own extension, reads back; so do its decimal and
    // hexadecimal texts.
    std::int32_t value = 0;
    std::memcpy(&value, name.leftJustified(4, '\0', true).constData(), 4);
    const QByteArray &extension = ext;
    const QByteArray numbered = NumberedNames::NumberedName(theme, value, extension);
    if (!numbered.startsWith(theme) || !numbered.endsWith(extension))
        return QStringLiteral("NumberedName lost its theme or extension");
    // A name whose theme holds a "." and that has no extension of its own
    // reads an extension out of the theme: then no serial comes back.
    if (NumberedNames::ExtractFileExt(numbered) == extension
        && NumberedNames::NumberOfName(numbered, theme) != value)
        return QStringLiteral("serial %1 did not come back from %2").arg(value).arg(QString::fromLatin1(numbered.toHex()));
    const QByteArray forms[] = {
        QByteArray::number(value),
        QByteArray(" ") + (value >= 0 ? "+" : "") + QByteArray::number(value),
        "$" + QByteArray::number(std::uint32_t(value), 16),
        "0X000" + QByteArray::number(std::uint32_t(value), 16).toUpper(),
    };
    for (const QByteArray &form : forms)
        if (NumberedNames::toInt32(form) != value)
            return QStringLiteral("toInt32(%1) is not %2").arg(QString::fromLatin1(form)).arg(value);
    return QString();
}

} // namespace FuzzChecks
