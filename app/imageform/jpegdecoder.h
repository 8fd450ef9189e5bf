#pragma once
#include <QByteArray>
#include <QImage>

// JPEG decoding through libjpeg (libjpeg-turbo's jpeg62 API), called directly.
// libjpeg's fatal errors come back through its error manager (setjmp/longjmp)
// and are then thrown as "JPEG エラー #%d" with the library's message code; no
// C++ exception ever passes through the library. Warnings (a damaged data
// segment, a missing end marker) are ignored: the picture is what decoded.
// Both functions work on bytes in memory, so they can be fed from a file read
// whole or from a test or fuzzer's buffer.
namespace Jpeg {

struct Header
{
    int width = 0;
    int height = 0;
    bool grayscale = false;
    bool progressive = false;
};

// Reads the header only. Throws the JPEG error when it cannot be read, and the
// too-large error beyond PictureLimits::MaxPicturePixels.
Header readHeader(const uchar *data, size_t size);
Header readHeader(const QByteArray &data);

// Decodes at full scale with libjpeg's defaults: the accurate integer
// transform, fancy upsampling and block smoothing. Colour pictures come out as
// RGB32 (written by libjpeg straight into the image's rows); grayscale
// pictures, and every picture when `palette` is set (a display of 256 colours
// or fewer), as Indexed8 with a palette of 236 colours made by libjpeg's own
// quantizer. Throws the JPEG error for a fatal error of the library,
// std::bad_alloc when memory runs out, the too-large error like readHeader.
QImage decode(const uchar *data, size_t size, bool palette = false);
QImage decode(const QByteArray &data, bool palette = false);

// The number of colours of the palette decodings.
inline constexpr int PaletteColours = 236;

} // namespace Jpeg
