#include "bmpreader.h"
#include "bytesource.h"
#include "picturelimits.h"
#include "picturememory.h"
#include "platformerror.h"

#include <QList>
#include <QRgb>

#include <climits>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

namespace {

enum Compression : quint32 { BiRgb = 0, BiRle8 = 1, BiRle4 = 2, BiBitFields = 3, BiAlphaBitFields = 6 };

inline quint16 le16(const uchar *p) { return quint16(p[0] | (p[1] << 8)); }
inline quint32 le32(const uchar *p)
{
    return quint32(p[0]) | (quint32(p[1]) << 8) | (quint32(p[2]) << 16) | (quint32(p[3]) << 24);
}

// Reads exactly length bytes of a header or the colour table; a file that
// ends before them is a stream read error.
void readExact(ByteSource &source, qint64 offset, void *dest, qint64 length)
{
    if (source.read(offset, dest, length) != length)
        throw PlatformError::streamRead();
}

// One colour channel of a bit-field pixel: the run of set bits starting at
// the mask's lowest set bit, scaled to 8 bits.
struct Channel
{
    int shift = 0;
    int bits = 0;
    quint32 run = 0; // (1 << bits) - 1

    explicit Channel(quint32 mask)
    {
        if (mask == 0)
            return;
        while (!(mask & 1u)) {
            mask >>= 1;
            ++shift;
        }
        while ((mask & 1u) && bits < 32) {
            mask >>= 1;
            ++bits;
        }
        run = bits >= 32 ? 0xFFFFFFFFu : (1u << bits) - 1u;
    }

    int value(quint32 pixel) const
    {
        if (bits == 0)
            return 0;
        const quint32 v = (pixel >> shift) & run;
        if (bits >= 8)
            return int(v >> (bits - 8));
        return int((v * 255u + run / 2) / run);
    }
};

struct Layout
{
    qint64 width = 0;
    qint64 height = 0;
    bool topDown = false;
    int bitCount = 0;
    quint32 compression = BiRgb;
    quint32 masks[3] = {0, 0, 0};
    QList<QRgb> colours;     // padded to every index the depth allows
    qint64 dataOffset = 0;
    qint64 rowBytes = 0;     // a row of pixel data in the file, 4-byte aligned
};

Layout readLayout(ByteSource &source)
{
    uchar fileHeader[14];
    readExact(source, 0, fileHeader, sizeof fileHeader);
    if (fileHeader[0] != 'B' || fileHeader[1] != 'M')
        throw PlatformError::invalidBitmap();
    const quint32 offBits = le32(fileHeader + 10);

    uchar header[124] = {};
    readExact(source, 14, header, 4);
    const quint32 headerSize = le32(header);
    switch (headerSize) {
    case 12: case 40: case 52: case 56: case 64: case 108: case 124:
        break;
    default:
        throw PlatformError::invalidBitmap();
    }
    readExact(source, 14, header, headerSize);
    const bool core = headerSize == 12;

    Layout layout;
    quint32 coloursUsed = 0;
    if (core) {
        layout.width = le16(header + 4);
        layout.height = le16(header + 6);
        layout.bitCount = le16(header + 10);
    } else {
        layout.width = qint32(le32(header + 4));
        const qint32 height = qint32(le32(header + 8));
        if (height == INT_MIN)
            throw PlatformError::invalidBitmap();
        layout.topDown = height < 0;
        layout.height = layout.topDown ? -qint64(height) : qint64(height);
        layout.bitCount = le16(header + 14);
        layout.compression = le32(header + 16);
        coloursUsed = le32(header + 32);
    }

    if (layout.width <= 0 || layout.height <= 0)
        throw PlatformError::invalidBitmap();
    const int bpp = layout.bitCount;
    const bool depthKnown = core ? (bpp == 1 || bpp == 4 || bpp == 8 || bpp == 24)
                                 : (bpp == 1 || bpp == 4 || bpp == 8 || bpp == 16 || bpp == 24 || bpp == 32);
    if (!depthKnown)
        throw PlatformError::invalidBitmap();
    bool compressionFits = false;
    switch (layout.compression) {
    case BiRgb: compressionFits = true; break;
    case BiRle8: compressionFits = bpp == 8 && !layout.topDown; break;
    case BiRle4: compressionFits = bpp == 4 && !layout.topDown; break;
    case BiBitFields:
    case BiAlphaBitFields: compressionFits = bpp == 16 || bpp == 32; break;
    default: break;
    }
    if (!compressionFits)
        throw PlatformError::invalidBitmap();
    if (!PictureLimits::fits(layout.width, layout.height))
        throw PictureLimits::tooLarge(layout.width, layout.height);

    qint64 afterHeaders = 14 + qint64(headerSize);
    if (layout.compression == BiBitFields || layout.compression == BiAlphaBitFields) {
        if (headerSize == 40 || headerSize == 64) {
            // The masks follow the header (an alpha mask too for alpha bit fields).
            uchar masks[16];
            const qint64 length = layout.compression == BiAlphaBitFields ? 16 : 12;
            readExact(source, afterHeaders, masks, length);
            afterHeaders += length;
            for (int i = 0; i < 3; ++i)
                layout.masks[i] = le32(masks + 4 * i);
        } else {
            for (int i = 0; i < 3; ++i)
                layout.masks[i] = le32(header + 40 + 4 * i);
        }
    } else if (bpp == 16) {
        layout.masks[0] = 0x7C00; layout.masks[1] = 0x03E0; layout.masks[2] = 0x001F;
    } else if (bpp == 32) {
        layout.masks[0] = 0xFF0000; layout.masks[1] = 0xFF00; layout.masks[2] = 0xFF;
    }

    qint64 tableEnd = afterHeaders;
    if (bpp <= 8) {
        // A colour table may be shorter than the depth allows (coloursUsed);
        // one claiming more entries is read up to what the depth can index.
        const int depthColours = 1 << bpp;
        const int entrySize = core ? 3 : 4;
        const int count = (core || coloursUsed == 0 || coloursUsed > quint32(depthColours))
                              ? depthColours : int(coloursUsed);
        uchar table[256 * 4];
        readExact(source, afterHeaders, table, qint64(count) * entrySize);
        layout.colours.reserve(depthColours);
        for (int i = 0; i < count; ++i) {
            const uchar *e = table + i * entrySize;
            layout.colours.append(qRgb(e[2], e[1], e[0]));
        }
        while (layout.colours.size() < depthColours)
            layout.colours.append(qRgb(0, 0, 0));
        tableEnd = afterHeaders + qint64(count) * entrySize;
    }

    // The pixel data starts where the file header says, unless that points
    // into the headers or the colour table (0 in some writers' files): then
    // right after them.
    layout.dataOffset = qint64(offBits) >= tableEnd ? qint64(offBits) : tableEnd;
    layout.rowBytes = ((layout.width * bpp + 31) / 32) * 4;
    return layout;
}

QImage::Format formatFor(const Layout &layout)
{
    const quint32 *m = layout.masks;
    switch (layout.bitCount) {
    case 1: case 4: case 8:
        return QImage::Format_Indexed8;
    case 16:
        if (m[0] == 0x7C00 && m[1] == 0x03E0 && m[2] == 0x001F)
            return QImage::Format_RGB555;
        if (m[0] == 0xF800 && m[1] == 0x07E0 && m[2] == 0x001F)
            return QImage::Format_RGB16;
        return QImage::Format_RGB32;
    case 24:
        return QImage::Format_BGR888;
    default:
        return QImage::Format_RGB32;
    }
}

// The blank a missing row stays: zero, but opaque black in RGB32.
void blankRow(uchar *row, qsizetype bytes, QImage::Format format)
{
    if (format == QImage::Format_RGB32) {
        auto *p = reinterpret_cast<quint32 *>(row);
        std::fill(p, p + bytes / 4, 0xFF000000u);
    } else {
        std::memset(row, 0, size_t(bytes));
    }
}

// Reads the RLE8 / RLE4 stream byte by byte through a small buffer.
class StreamReader
{
public:
    StreamReader(ByteSource &source, qint64 offset) : m_source(source), m_position(offset) { }
    bool next(uchar &byte)
    {
        if (m_at == m_length) {
            m_length = m_source.read(m_position, m_buffer, sizeof m_buffer);
            m_at = 0;
            if (m_length <= 0) {
                m_length = 0;
                return false;
            }
            m_position += m_length;
        }
        byte = m_buffer[m_at++];
        return true;
    }

private:
    ByteSource &m_source;
    qint64 m_position;
    uchar m_buffer[65536];
    qint64 m_length = 0;
    qint64 m_at = 0;
};

void decodeRle(ByteSource &source, const Layout &layout, QImage &image)
{
    image.fill(0); // pixels the stream skips or never reaches stay at index 0
    const bool rle4 = layout.compression == BiRle4;
    const qint64 width = layout.width;
    const qint64 height = layout.height;
    uchar *bits = image.bits();
    const qsizetype bpl = image.bytesPerLine();
    auto reader = std::make_unique<StreamReader>(source, layout.dataOffset);

    qint64 x = 0;
    qint64 y = 0; // counted from the bottom row
    auto put = [&](uchar index) {
        if (x < width && y < height)
            bits[(height - 1 - y) * bpl + x] = index;
        ++x;
    };

    uchar count, value;
    while (y < height && reader->next(count) && reader->next(value)) {
        if (count > 0) { // a run of one index, or two alternating nibbles
            if (!rle4 && x < width && y < height) {
                const qint64 n = qMin<qint64>(count, width - x);
                std::memset(bits + (height - 1 - y) * bpl + x, value, size_t(n));
                x += count;
            } else {
                for (int i = 0; i < count; ++i)
                    put(rle4 ? ((i & 1) ? (value & 0x0F) : (value >> 4)) : value);
            }
            continue;
        }
        if (value == 0) { // end of line
            x = 0;
            ++y;
        } else if (value == 1) { // end of bitmap
            break;
        } else if (value == 2) { // delta: move right and up
            uchar dx, dy;
            if (!reader->next(dx) || !reader->next(dy))
                break;
            x += dx;
            y += dy;
        } else { // absolute run of `value` indexes, padded to an even byte count
            const int pixels = value;
            const int bytes = rle4 ? (pixels + 1) / 2 : pixels;
            bool complete = true;
            for (int i = 0; i < bytes && complete; ++i) {
                uchar b;
                if (!reader->next(b)) {
                    complete = false;
                    break;
                }
                if (rle4) {
                    put(b >> 4);
                    if (2 * i + 1 < pixels)
                        put(b & 0x0F);
                } else {
                    put(b);
                }
            }
            uchar pad;
            if (!complete || ((bytes & 1) && !reader->next(pad)))
                break;
        }
    }
}

void decodeRows(ByteSource &source, const Layout &layout, QImage &image)
{
    const QImage::Format format = image.format();
    const int bpp = layout.bitCount;
    const qint64 width = layout.width;
    const qint64 height = layout.height;
    uchar *bits = image.bits();
    const qsizetype bpl = image.bytesPerLine();
    // The file's rows have the image's own layout (and the same 4-byte
    // aligned length): read them straight into the picture.
    const bool direct = bpp == 8 || bpp == 24 || (bpp == 16 && format != QImage::Format_RGB32)
                        || (bpp == 32 && layout.masks[0] == 0xFF0000 && layout.masks[1] == 0xFF00
                            && layout.masks[2] == 0xFF);
    std::vector<uchar> row(direct ? 0 : size_t(layout.rowBytes));
    const Channel red(layout.masks[0]), green(layout.masks[1]), blue(layout.masks[2]);

    for (qint64 i = 0; i < height; ++i) {
        uchar *dst = bits + (layout.topDown ? i : height - 1 - i) * bpl;
        const qint64 offset = layout.dataOffset + i * layout.rowBytes;
        if (direct) {
            Q_ASSERT(bpl == layout.rowBytes);
            const qint64 got = source.read(offset, dst, layout.rowBytes);
            if (got < layout.rowBytes)
                std::memset(dst + got, 0, size_t(layout.rowBytes - got));
            if (bpp == 32) { // the fourth byte is no alpha: every pixel opaque
                auto *p = reinterpret_cast<quint32 *>(dst);
                for (qint64 x = 0; x < width; ++x)
                    p[x] |= 0xFF000000u;
            }
            if (got < layout.rowBytes) { // the file ends here: the rest stays blank
                for (qint64 j = i + 1; j < height; ++j)
                    blankRow(bits + (layout.topDown ? j : height - 1 - j) * bpl, bpl, format);
                return;
            }
            continue;
        }

        const qint64 got = source.read(offset, row.data(), layout.rowBytes);
        if (got < layout.rowBytes)
            std::memset(row.data() + got, 0, size_t(layout.rowBytes - got));
        const uchar *src = row.data();
        switch (bpp) {
        case 1:
            for (qint64 x = 0; x < width; ++x)
                dst[x] = (src[x >> 3] >> (7 - (x & 7))) & 1;
            break;
        case 4:
            for (qint64 x = 0; x < width; ++x)
                dst[x] = (x & 1) ? (src[x >> 1] & 0x0F) : (src[x >> 1] >> 4);
            break;
        default: { // bit fields to RGB32
            auto *p = reinterpret_cast<QRgb *>(dst);
            for (qint64 x = 0; x < width; ++x) {
                const quint32 pixel = bpp == 16 ? le16(src + 2 * x) : le32(src + 4 * x);
                p[x] = qRgb(red.value(pixel), green.value(pixel), blue.value(pixel));
            }
            break;
        }
        }
        if (got < layout.rowBytes) {
            for (qint64 j = i + 1; j < height; ++j)
                blankRow(bits + (layout.topDown ? j : height - 1 - j) * bpl, bpl, format);
            return;
        }
    }
}

} // namespace

namespace Bmp {

QImage read(ByteSource &source)
{
    const Layout layout = readLayout(source);
    QImage image = PictureMemory::allocate(int(layout.width), int(layout.height), formatFor(layout));
    if (image.format() == QImage::Format_Indexed8)
        image.setColorTable(layout.colours);
    if (layout.compression == BiRle8 || layout.compression == BiRle4)
        decodeRle(source, layout, image);
    else
        decodeRows(source, layout, image);
    return image;
}

QImage read(const QByteArray &data)
{
    MemorySource source(data);
    return read(source);
}

} // namespace Bmp
