#pragma once
#include <QByteArray>
#include <QImage>
#include <QSize>

#include <memory>

class QPainter;
class QRect;

// The picture holder: holds at most one picture, a Windows bitmap or a JPEG
// picture, its kind chosen by the extension of the file it loads. Copies share
// the loaded picture (and its decoding), as the preview window's image keeps
// a copy of the holder the double click loaded.
class Picture
{
public:
    enum class Kind { None, Bitmap, Jpeg };

    // Loads a file, its kind by its extension, letter case ignored: ".jpg" and
    // ".jpeg" give a JPEG picture, whose header is read now and which decodes
    // when it is first drawn; ".bmp" a bitmap, read now. Throws PlatformError
    // (unknown extension; "ファイル %s は開けません"; the bitmap and JPEG
    // errors; a picture too large to hold) or std::bad_alloc, and then keeps
    // the picture it had.
    void LoadFromFile(const QByteArray &path);

    // The same for bytes in memory.
    void loadJpeg(const QByteArray &data);
    void loadBitmap(const QByteArray &data);

    Kind kind() const;
    bool isEmpty() const { return !m_graphic; }
    QSize size() const;
    int width() const { return size().width(); }
    int height() const { return size().height(); }

    // The picture as drawn on a display of the given colour depth (a JPEG
    // picture decodes to a 236-colour palette on 8 bits or fewer), decoded at
    // the first call. The first call of a JPEG picture whose data fails throws
    // the JPEG error; later calls give a null image.
    QImage image(int displayDepth = 32) const;

    // Draws the part `area` of the picture unscaled, the picture's top-left
    // corner at the painter's origin. Throws like image().
    void draw(QPainter &painter, const QRect &area) const;

    class Graphic;

private:
    std::shared_ptr<Graphic> m_graphic;
};
