#include "picturelimits.h"
#include "texts.h"

#include <QFile>

namespace PictureLimits {

PlatformError tooLarge(qint64 width, qint64 height)
{
    return PlatformError(QString::fromUtf8(Texts::PictureTooLarge).arg(width).arg(height));
}

PlatformError fileTooLarge(const QByteArray &path)
{
    return PlatformError(QString::fromUtf8(Texts::PictureFileTooLarge).arg(QFile::decodeName(path)));
}

} // namespace PictureLimits
