#pragma once
#include "sortedlistbox.h"

#include <QPoint>
#include <functional>
#include <vector>

class QDrag;
class QMimeData;

// The source file list: extended selection, and the program's only drag
// source. A left press on an entry that is already selected (Shift not held,
// or Ctrl held) begins a drag of the whole selection and leaves the selection
// as it is, also when the button comes up without moving. Any other left press
// is an ordinary click first and then begins a drag unless Shift or Ctrl was
// held. A begun drag becomes active 5 pixels away from the press point.
class SourceListBox : public SortedListBox
{
    Q_OBJECT
public:
    explicit SourceListBox(QWidget *parent = nullptr);

    // The type of the data our drags carry; only drags that carry it, from
    // this process, are ours.
    static const char DragMimeType[];
    static constexpr int DragThreshold = 5;

    // True when the data was made by a SourceListBox of this process.
    static bool isOwnDrag(const QMimeData *data);

    // The rows of the selected entries, in list order.
    std::vector<int> SelectedRows() const;

    // Runs an active drag and returns when it ends; tests replace it, since
    // no pointer moves on their platform to finish a real drag.
    std::function<Qt::DropAction(QDrag *)> execDrag;

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    void beginDrag();

    bool m_dragBegun = false;     // a left press may still become a drag
    bool m_pressKeptFromList = false; // that press never reached the list's own handling
    QPoint m_pressPoint;
};
