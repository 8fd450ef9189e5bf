#pragma once
#include <QByteArray>
#include <QRgb>

// Small picture files made by the tests themselves.
namespace TestPictures {

// A 24-bit bottom-up Windows bitmap of one colour (info header).
QByteArray bmp24(int width, int height, QRgb colour);

enum class JpegKind { Colour, Gray, Progressive, Cmyk };

// A JPEG written by libjpeg: gradients and edges, of any size (not only
// multiples of the 16-pixel blocks). CMYK reads as a header but cannot be
// turned into RGB.
QByteArray jpeg(JpegKind kind, int width, int height, int quality = 90);

} // namespace TestPictures
