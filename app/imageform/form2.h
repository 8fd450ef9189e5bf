#pragma once
#include <QSize>
#include <QWidget>

#include <functional>

class ImageControl;
class QScrollArea;

// The picture preview window: shows Image1's picture at its natural size and
// fits itself to the desktop each time it goes from hidden to shown
// (FormShow). Its caption stays "Form2".
class TForm2 : public QWidget
{
    Q_OBJECT
public:
    explicit TForm2(QWidget *parent = nullptr);

    ImageControl *Image1;

    // Fits the window to Image1 and the desktop; runs when the window goes
    // from hidden to shown, before it appears on the screen.
    void FormShow();

    // The size of the virtual desktop (the rectangle enclosing all screens),
    // read anew at each showing; replaced by tests.
    std::function<QSize()> desktopSize;
    static QSize screenDesktopSize();

    // The scroll ranges of the window: 0 shows no scroll bar on that axis and
    // keeps the view at offset 0; a range greater than 0 (the picture's
    // extent) lets the whole picture scroll into view on that axis.
    int horzRange() const { return m_horzRange; }
    int vertRange() const { return m_vertRange; }
    void setHorzRange(int range);
    void setVertRange(int range);

    QScrollArea *scrollArea() const { return m_scrollArea; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    void fitHorizontally(int desktopWidth);
    void fitVertically(int desktopHeight);

    QScrollArea *m_scrollArea;
    int m_horzRange = 0;
    int m_vertRange = 0;
};
