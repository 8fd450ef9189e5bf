#include "themefilelistbox.h"
#include "sourcelistbox.h"

#include <QDragEnterEvent>
#include <QDropEvent>

ThemeFileListBox::ThemeFileListBox(QWidget *parent)
    : SortedListBox(parent)
{
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDropIndicatorShown(false);
}

bool ThemeFileListBox::accepts(QDropEvent *event)
{
    // Ours: the source list's type and this process's tag, and, where the
    // platform names the source, a source file list.
    if (!SourceListBox::isOwnDrag(event->mimeData()))
        return false;
    QObject *source = event->source();
    if (source && !qobject_cast<SourceListBox *>(source))
        return false;
    bool accept = true;
    emit dragOver(source, accept);
    return accept;
}

void ThemeFileListBox::dragEnterEvent(QDragEnterEvent *event)
{
    if (accepts(event)) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void ThemeFileListBox::dragMoveEvent(QDragMoveEvent *event)
{
    if (accepts(event)) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void ThemeFileListBox::dragLeaveEvent(QDragLeaveEvent *event)
{
    event->accept();
}

void ThemeFileListBox::dropEvent(QDropEvent *event)
{
    if (!accepts(event)) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    emit dragDropped(event->source());
}
