#pragma once
#include <QByteArray>
#include <QImage>

class ByteSource;

// Our reader of Windows bitmap (.bmp) files: the 14-byte file header "BM",
// then a core (12-byte), info (40-byte), V2/V3 info (52/56), OS/2 (64), V4
// (108) or V5 (124) header; 1, 4, 8, 16, 24 and 32 bits per pixel; RLE8 and
// RLE4; bit-field masks; bottom-up and top-down rows.
//
// Every size and offset taken from the file is checked before it is used.
// Pixel data missing at the end of a short file is not an error: the rows (or
// the part of a row) it would have filled stay blank (zero: black, or the
// first colour of the colour table).
//
// The picture comes out in the format it is drawn in, read straight into the
// image's rows: palette pictures as Indexed8 (the colour table padded with
// black to every index the depth allows), 16-bit 5-5-5 and 5-6-5 as RGB555
// and RGB16, 24-bit as BGR888, 32-bit as RGB32 (the fourth byte ignored);
// other bit-field layouts are converted to RGB32.
//
// Errors throw PlatformError: "ストリームからの読み込みエラー" for a file that
// ends inside its headers or colour table, "ビットマップイメージが不正です" for
// one that is no bitmap or whose header makes no sense, the too-large error
// beyond PictureLimits::MaxPicturePixels, std::bad_alloc when the picture's
// memory cannot be had.
namespace Bmp {

QImage read(ByteSource &source);
QImage read(const QByteArray &data);

} // namespace Bmp
