#include "picture.h"
#include "bmpreader.h"
#include "bytesource.h"
#include "jpegdecoder.h"
#include "picturelimits.h"
#include "platformerror.h"
#include "texts.h"
#include "app/pelmoraMain/numberedname.h"

#include <QFile>
#include <QPainter>
#include <QRect>

#include <utility>

class Picture::Graphic
{
public:
    virtual ~Graphic() = default;
    virtual Kind kind() const = 0;
    virtual QSize size() const = 0;
    virtual QImage image(int displayDepth) = 0;
};

namespace {

class BitmapGraphic : public Picture::Graphic
{
public:
    explicit BitmapGraphic(QImage image) : m_image(std::move(image)) { }
    Picture::Kind kind() const override { return Picture::Kind::Bitmap; }
    QSize size() const override { return m_image.size(); }
    QImage image(int) override { return m_image; }

private:
    QImage m_image;
};

// A JPEG picture keeps the file's bytes and its header until it is first
// drawn; then it decodes once and keeps the decoded picture instead.
class JpegGraphic : public Picture::Graphic
{
public:
    explicit JpegGraphic(QByteArray data)
        : m_data(std::move(data)), m_header(Jpeg::readHeader(m_data))
    {
    }
    Picture::Kind kind() const override { return Picture::Kind::Jpeg; }
    QSize size() const override { return QSize(m_header.width, m_header.height); }

    QImage image(int displayDepth) override
    {
        if (m_state == State::Loaded) {
            // A fatal error shows once: whatever happens, the data is gone.
            const QByteArray data = std::exchange(m_data, QByteArray());
            m_state = State::Failed;
            m_image = Jpeg::decode(data, displayDepth <= 8);
            m_state = State::Decoded;
        }
        return m_image;
    }

private:
    enum class State { Loaded, Decoded, Failed };
    QByteArray m_data;
    Jpeg::Header m_header;
    QImage m_image;
    State m_state = State::Loaded;
};

Picture::Kind kindOfExtension(const QByteArray &extension)
{
    const QByteArray lower = extension.toLower();
    if (lower == ".jpg" || lower == ".jpeg")
        return Picture::Kind::Jpeg;
    if (lower == ".bmp")
        return Picture::Kind::Bitmap;
    return Picture::Kind::None;
}

} // namespace

void Picture::LoadFromFile(const QByteArray &path)
{
    const QByteArray extension = NumberedNames::ExtractFileExt(path);
    const Kind kind = kindOfExtension(extension);
    if (kind == Kind::None)
        throw PlatformError(QString::fromUtf8(Texts::UnknownPictureExt).arg(QFile::decodeName(extension)));

    FileSource file(path);
    if (kind == Kind::Jpeg) {
        if (file.size() > PictureLimits::MaxJpegFileBytes)
            throw PictureLimits::fileTooLarge(path);
        m_graphic = std::make_shared<JpegGraphic>(file.readAll());
    } else {
        m_graphic = std::make_shared<BitmapGraphic>(Bmp::read(file));
    }
}

void Picture::loadJpeg(const QByteArray &data)
{
    m_graphic = std::make_shared<JpegGraphic>(data);
}

void Picture::loadBitmap(const QByteArray &data)
{
    m_graphic = std::make_shared<BitmapGraphic>(Bmp::read(data));
}

Picture::Kind Picture::kind() const
{
    return m_graphic ? m_graphic->kind() : Kind::None;
}

QSize Picture::size() const
{
    return m_graphic ? m_graphic->size() : QSize(0, 0);
}

QImage Picture::image(int displayDepth) const
{
    return m_graphic ? m_graphic->image(displayDepth) : QImage();
}

void Picture::draw(QPainter &painter, const QRect &area) const
{
    if (!m_graphic)
        return;
    const QImage picture = m_graphic->image(painter.device() ? painter.device()->depth() : 32);
    if (picture.isNull())
        return;
    const QRect part = area.intersected(picture.rect());
    if (!part.isEmpty())
        painter.drawImage(part.topLeft(), picture, part);
}
