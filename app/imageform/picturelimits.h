#pragma once
#include "platformerror.h"

#include <QByteArray>
#include <QtGlobal>

// The sizes the picture decoders accept. A file's header may claim any size;
// these bounds are checked before anything is allocated for it.
namespace PictureLimits {

// The most pixels a decoded picture may hold: 2^28, that is 16384 x 16384 or
// a 65535 x 4096 panorama, about 1 GiB at four bytes per pixel. The largest
// camera pictures (150 megapixels) and stitched panoramas stay well below it;
// a header that claims more is refused instead of exhausting memory.
inline constexpr qint64 MaxPicturePixels = qint64(1) << 28;

// The longest side accepted, so that a row of the decoded picture stays
// addressable by the image code (a row's bit count must fit in an int).
inline constexpr qint64 MaxPictureSide = qint64(1) << 24;

// The largest JPEG file read whole into memory. A photograph at the pixel bound
// above compresses to far less.
inline constexpr qint64 MaxJpegFileBytes = qint64(1) << 30;

inline bool fits(qint64 width, qint64 height)
{
    return width > 0 && height > 0 && width <= MaxPictureSide && height <= MaxPictureSide
           && width <= MaxPicturePixels / height;
}

// "画像が大きすぎて表示できません (w × h)"
PlatformError tooLarge(qint64 width, qint64 height);
// "ファイル %s は大きすぎて表示できません"
PlatformError fileTooLarge(const QByteArray &path);

} // namespace PictureLimits
