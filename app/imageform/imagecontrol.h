#pragma once
#include "picture.h"

#include <QWidget>

// The image control of the preview window: holds a picture and draws it
// unscaled from its top-left corner. Auto-size: a picture whose width and
// height are both greater than 0 gives the control exactly that size.
class ImageControl : public QWidget
{
    Q_OBJECT
public:
    explicit ImageControl(QWidget *parent = nullptr);

    const Picture &picture() const { return m_picture; }
    // Keeps a copy of the holder (sharing its loaded picture) and takes its size.
    void setPicture(const Picture &picture);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    Picture m_picture;
};
