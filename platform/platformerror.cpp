#include "platformerror.h"
#include "texts.h"

#include <QFile>

PlatformError::PlatformError(QString message)
    : m_message(std::move(message)), m_utf8(m_message.toUtf8())
{
}

PlatformError PlatformError::listIndex(int index)
{
    return PlatformError(QString::fromUtf8(Texts::ListIndexError).arg(index));
}

PlatformError PlatformError::fileCreate(const QByteArray &path)
{
    return PlatformError(QString::fromUtf8(Texts::FileCreateError).arg(QFile::decodeName(path)));
}

PlatformError PlatformError::fileOpen(const QByteArray &path)
{
    return PlatformError(QString::fromUtf8(Texts::FileOpenError).arg(QFile::decodeName(path)));
}

PlatformError PlatformError::streamRead()
{
    return PlatformError(QString::fromUtf8(Texts::StreamReadError));
}

PlatformError PlatformError::streamWrite()
{
    return PlatformError(QString::fromUtf8(Texts::StreamWriteError));
}

PlatformError PlatformError::invalidBitmap()
{
    return PlatformError(QString::fromUtf8(Texts::InvalidBitmap));
}

PlatformError PlatformError::jpeg(int code)
{
    return PlatformError(QString::fromUtf8(Texts::JpegError).arg(code));
}
