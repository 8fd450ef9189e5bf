#include "imagecontrol.h"

#include <QPaintEvent>
#include <QPainter>

#include <exception>

ImageControl::ImageControl(QWidget *parent)
    : QWidget(parent)
{
}

void ImageControl::setPicture(const Picture &picture)
{
    m_picture = picture;
    if (picture.width() > 0 && picture.height() > 0)
        resize(picture.size());
    update();
}

void ImageControl::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    try {
        m_picture.draw(painter, event->rect());
    } catch (...) {
        // A JPEG picture that fails at its first decoding. An error box cannot
        // open in the middle of painting: the error goes to the application's
        // default error handler once the paint is over.
        const std::exception_ptr error = std::current_exception();
        QMetaObject::invokeMethod(this, [error] { std::rethrow_exception(error); }, Qt::QueuedConnection);
    }
}
