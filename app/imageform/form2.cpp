#include "form2.h"
#include "imagecontrol.h"

#include <QGuiApplication>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QShowEvent>
#include <QVBoxLayout>

// Outer bounds (frame and title bar included) are the frame geometry; the
// client area is the widget's own size. Qt's x(), y() and move() of a window
// already work on the frame position.

TForm2::TForm2(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Form2"));
    // Closing the preview only hides it, and an open preview does not keep the
    // program running once the main window closes.
    setAttribute(Qt::WA_QuitOnClose, false);

    m_scrollArea = new QScrollArea(this);
    m_scrollArea->setObjectName(QStringLiteral("ScrollBox"));
    m_scrollArea->setFrameShape(QFrame::NoFrame);
    m_scrollArea->setWidgetResizable(false);
    m_scrollArea->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_scrollArea->horizontalScrollBar()->setTracking(true);
    m_scrollArea->verticalScrollBar()->setTracking(true);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSizeConstraint(QLayout::SetNoConstraint); // the client size is the picture's
    layout->addWidget(m_scrollArea);

    Image1 = new ImageControl;
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->resize(417, 361);
    m_scrollArea->setWidget(Image1);
    setHorzRange(0);
    setVertRange(0);

    // Its first place on the screen; never centred.
    move(192, 107);
    resize(862, 613);

    desktopSize = &TForm2::screenDesktopSize;
}

QSize TForm2::screenDesktopSize()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->virtualGeometry().size() : QSize(0, 0);
}

void TForm2::setHorzRange(int range)
{
    m_horzRange = range;
    m_scrollArea->setHorizontalScrollBarPolicy(range > 0 ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    if (range == 0)
        m_scrollArea->horizontalScrollBar()->setValue(0);
}

void TForm2::setVertRange(int range)
{
    m_vertRange = range;
    m_scrollArea->setVerticalScrollBarPolicy(range > 0 ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    if (range == 0)
        m_scrollArea->verticalScrollBar()->setValue(0);
}

void TForm2::showEvent(QShowEvent *event)
{
    // Only the change from hidden to shown: a window coming back from the
    // task bar gets a spontaneous show event, and is left as it is.
    if (!event->spontaneous())
        FormShow();
    QWidget::showEvent(event);
}

// Horizontal fit against the desktop's width DW: a window passing the right
// edge moves left until its right edge meets the desktop's; a window wider
// than the desktop starts at 0, is cut to the desktop's width and scrolls
// over the whole picture.
void TForm2::fitHorizontally(int desktopWidth)
{
    const int outerWidth = frameGeometry().width();
    if (desktopWidth >= x() + outerWidth)
        return;
    if (desktopWidth < outerWidth) {
        move(0, y());
        setHorzRange(Image1->width());
        resize(desktopWidth - (outerWidth - width()), height());
    } else {
        move(desktopWidth - outerWidth, y());
    }
}

void TForm2::fitVertically(int desktopHeight)
{
    const int outerHeight = frameGeometry().height();
    if (desktopHeight >= y() + outerHeight)
        return;
    if (desktopHeight < outerHeight) {
        move(x(), 0);
        setVertRange(Image1->height());
        resize(width(), desktopHeight - (outerHeight - height()));
    } else {
        move(x(), desktopHeight - outerHeight);
    }
}

void TForm2::FormShow()
{
    setHorzRange(0);
    setVertRange(0);
    resize(Image1->size());
    if (y() < 0)
        move(x(), 0);
    if (x() < 0)
        move(0, y());

    const QSize desktop = desktopSize ? desktopSize() : screenDesktopSize();
    // A scroll bar takes its room inside the client area. The window grows by
    // it so that the strip of the picture beside the bar stays in view; the
    // fit of the other axis then cuts it to the desktop where it must.
    fitHorizontally(desktop.width());
    if (m_horzRange > 0)
        resize(width(), height() + m_scrollArea->horizontalScrollBar()->sizeHint().height());
    fitVertically(desktop.height());
    if (m_vertRange > 0 && m_horzRange == 0) {
        resize(width() + m_scrollArea->verticalScrollBar()->sizeHint().width(), height());
        fitHorizontally(desktop.width());
    }
}
