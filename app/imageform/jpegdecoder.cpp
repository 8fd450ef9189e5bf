#include "jpegdecoder.h"
#include "picturelimits.h"
#include "picturememory.h"
#include "platformerror.h"

#include <QList>
#include <QRgb>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include <jpeglib.h>
#include <jerror.h>

// Everything between setjmp and a possible longjmp below is plain C data:
// a longjmp out of libjpeg must never skip a C++ destructor. C++ objects (the
// image, the row table) live in the callers' frames, outside the jumps.

namespace {

struct ErrorManager
{
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    int code;
};

extern "C" void errorExit(j_common_ptr cinfo)
{
    auto *manager = reinterpret_cast<ErrorManager *>(cinfo->err);
    manager->code = manager->pub.msg_code;
    std::longjmp(manager->jump, 1);
}

// Warnings and trace messages are not shown, nor written to stderr.
extern "C" void emitMessage(j_common_ptr, int) { }
extern "C" void outputMessage(j_common_ptr) { }

// One decompressor with its error manager. The C++ side owns it; the
// protected stages below use it.
struct Decompressor
{
    jpeg_decompress_struct cinfo;
    ErrorManager error;

    Decompressor()
    {
        std::memset(&cinfo, 0, sizeof cinfo);
        cinfo.err = jpeg_std_error(&error.pub);
        error.pub.error_exit = errorExit;
        error.pub.emit_message = emitMessage;
        error.pub.output_message = outputMessage;
        error.code = 0;
    }
    // Also right after a failed creation: libjpeg then left no memory pool.
    ~Decompressor() { jpeg_destroy_decompress(&cinfo); }
    Decompressor(const Decompressor &) = delete;
    Decompressor &operator=(const Decompressor &) = delete;
};

// The JPEG error for a code of the library; its out-of-memory error is the
// program's own out-of-memory error.
[[noreturn]] void throwJpegError(int code)
{
    if (code == JERR_OUT_OF_MEMORY)
        throw std::bad_alloc();
    throw PlatformError::jpeg(code);
}

// Each stage returns true when it ran through, false after a fatal error of
// the library, whose message code is then in error.code.

bool protectedCreate(Decompressor *d)
{
    if (setjmp(d->error.jump))
        return false;
    jpeg_create_decompress(&d->cinfo); // fails only when its first pool cannot be had
    return true;
}

bool protectedReadHeader(Decompressor *d, const uchar *data, size_t size)
{
    if (setjmp(d->error.jump))
        return false;
    jpeg_mem_src(&d->cinfo, data, static_cast<unsigned long>(size));
    jpeg_read_header(&d->cinfo, TRUE);
    return true;
}

bool protectedStart(Decompressor *d, bool palette)
{
    if (setjmp(d->error.jump))
        return false;
    jpeg_decompress_struct *cinfo = &d->cinfo;
    cinfo->scale_num = 1;
    cinfo->scale_denom = 1;
    cinfo->dct_method = JDCT_ISLOW;
    cinfo->do_fancy_upsampling = TRUE;
    cinfo->do_block_smoothing = TRUE;
    const bool grayscale = cinfo->jpeg_color_space == JCS_GRAYSCALE;
    if (grayscale || palette) {
        cinfo->out_color_space = grayscale ? JCS_GRAYSCALE : JCS_RGB;
        cinfo->quantize_colors = TRUE;
        cinfo->desired_number_of_colors = Jpeg::PaletteColours;
        cinfo->two_pass_quantize = TRUE;
        cinfo->dither_mode = JDITHER_FS;
    } else {
        // The byte order of QImage::Format_RGB32 (0xffRRGGBB as a native
        // 32-bit word), the fourth byte set to 0xff by the library.
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
        cinfo->out_color_space = JCS_EXT_BGRA;
#else
        cinfo->out_color_space = JCS_EXT_ARGB;
#endif
        cinfo->quantize_colors = FALSE;
    }
    jpeg_start_decompress(cinfo);
    return true;
}

bool protectedReadRows(Decompressor *d, JSAMPROW *rows)
{
    if (setjmp(d->error.jump))
        return false;
    jpeg_decompress_struct *cinfo = &d->cinfo;
    while (cinfo->output_scanline < cinfo->output_height) {
        const JDIMENSION got = jpeg_read_scanlines(cinfo, rows + cinfo->output_scanline,
                                                   cinfo->output_height - cinfo->output_scanline);
        if (got == 0)
            break; // cannot happen with a memory source; never loop for ever
    }
    // jpeg_finish_decompress is left out on purpose: it would only read on to
    // the end marker, and nothing after the last row changes the picture.
    return true;
}

// Creates the decompressor and reads the header; throws on failure.
void begin(Decompressor &d, const uchar *data, size_t size)
{
    if (!protectedCreate(&d) || !protectedReadHeader(&d, data, size))
        throwJpegError(d.error.code);
    if (!PictureLimits::fits(d.cinfo.image_width, d.cinfo.image_height))
        throw PictureLimits::tooLarge(d.cinfo.image_width, d.cinfo.image_height);
}

} // namespace

namespace Jpeg {

Header readHeader(const uchar *data, size_t size)
{
    Decompressor d;
    begin(d, data, size);
    Header header;
    header.width = int(d.cinfo.image_width);
    header.height = int(d.cinfo.image_height);
    header.grayscale = d.cinfo.jpeg_color_space == JCS_GRAYSCALE;
    header.progressive = d.cinfo.progressive_mode;
    return header;
}

Header readHeader(const QByteArray &data)
{
    return readHeader(reinterpret_cast<const uchar *>(data.constData()), size_t(data.size()));
}

QImage decode(const uchar *data, size_t size, bool palette)
{
    Decompressor d;
    begin(d, data, size);
    if (!protectedStart(&d, palette))
        throwJpegError(d.error.code);

    const jpeg_decompress_struct &cinfo = d.cinfo;
    const bool indexed = cinfo.quantize_colors;
    if (!PictureLimits::fits(cinfo.output_width, cinfo.output_height))
        throw PictureLimits::tooLarge(cinfo.output_width, cinfo.output_height);
    QImage image = PictureMemory::allocate(int(cinfo.output_width), int(cinfo.output_height),
                                           indexed ? QImage::Format_Indexed8 : QImage::Format_RGB32);

    // libjpeg writes every row straight into the image.
    std::vector<JSAMPROW> rows(cinfo.output_height);
    uchar *bits = image.bits();
    const qsizetype bpl = image.bytesPerLine();
    for (JDIMENSION y = 0; y < cinfo.output_height; ++y)
        rows[y] = bits + qsizetype(y) * bpl;
    if (!protectedReadRows(&d, rows.data()))
        throwJpegError(d.error.code);

    if (indexed) {
        // The quantizer's colour map, padded with black so that every index
        // an 8-bit pixel can hold names a colour.
        QList<QRgb> colours(256, qRgb(0, 0, 0));
        const int count = qMin(cinfo.actual_number_of_colors, 256);
        for (int i = 0; i < count; ++i) {
            if (cinfo.out_color_components == 1) {
                const int v = cinfo.colormap[0][i];
                colours[i] = qRgb(v, v, v);
            } else {
                colours[i] = qRgb(cinfo.colormap[0][i], cinfo.colormap[1][i], cinfo.colormap[2][i]);
            }
        }
        image.setColorTable(colours);
    }
    return image;
}

QImage decode(const QByteArray &data, bool palette)
{
    return decode(reinterpret_cast<const uchar *>(data.constData()), size_t(data.size()), palette);
}

} // namespace Jpeg
