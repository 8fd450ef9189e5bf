#pragma once
#include "sortedlistbox.h"

class QDropEvent;

// The theme file list: single selection; the one place that takes drops, and
// only drags that come from the program's own source file list.
class ThemeFileListBox : public SortedListBox
{
    Q_OBJECT
public:
    explicit ThemeFileListBox(QWidget *parent = nullptr);

signals:
    // A drag of ours moves over the list; a handler may set accept to false.
    // source is the list the drag came from (null when the platform does not say).
    void dragOver(QObject *source, bool &accept);
    // A drag of ours was dropped on the list (after the drop is accepted).
    void dragDropped(QObject *source);

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    bool accepts(QDropEvent *event);
};
