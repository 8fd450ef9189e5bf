#include "sourcelistbox.h"

#include <QCoreApplication>
#include <QDrag>
#include <QItemSelectionModel>
#include <QMimeData>
#include <QMouseEvent>
#include <QPointer>

#include <algorithm>
#include <cstdlib>

const char SourceListBox::DragMimeType[] = "application/x-pelmora-source-files";

namespace {

// The payload names the process, so that a drag with our type from another
// running program is not taken for ours.
QByteArray processTag()
{
    return QByteArray::number(QCoreApplication::applicationPid());
}

} // namespace

SourceListBox::SourceListBox(QWidget *parent)
    : SortedListBox(parent)
{
    setSelectionMode(ExtendedSelection);
    // Drags are started here, not by the view's own drag support, whose press
    // handling and start distance differ from ours.
    setDragEnabled(false);
    execDrag = [](QDrag *drag) { return drag->exec(Qt::CopyAction, Qt::CopyAction); };
}

bool SourceListBox::isOwnDrag(const QMimeData *data)
{
    return data && data->hasFormat(QLatin1String(DragMimeType)) && data->data(QLatin1String(DragMimeType)) == processTag();
}

std::vector<int> SourceListBox::SelectedRows() const
{
    std::vector<int> rows;
    const QItemSelection selection = selectionModel()->selection();
    for (const QItemSelectionRange &range : selection)
        for (int row = range.top(); row <= range.bottom(); ++row)
            rows.push_back(row);
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

void SourceListBox::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        SortedListBox::mousePressEvent(event);
        return;
    }
    const QPoint point = event->position().toPoint();
    const QModelIndex index = indexAt(point);
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    m_pressPoint = point;
    if (index.isValid() && selectionModel()->isSelected(index) && (!shift || ctrl)) {
        // A drag of the selection as it stands: the press is not a click.
        emit mouseDown(event->button(), event->modifiers(), point);
        m_dragBegun = true;
        m_pressKeptFromList = true;
        event->accept();
        return;
    }
    SortedListBox::mousePressEvent(event);
    // The view clears the selection for a plain press on no entry only when the
    // button comes up; a drag takes that release, so the click clears it now.
    if (!index.isValid() && !shift && !ctrl)
        selectionModel()->clearSelection();
    m_dragBegun = !shift && !ctrl;
    m_pressKeptFromList = false;
}

void SourceListBox::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_dragBegun) {
        SortedListBox::mouseMoveEvent(event);
        return;
    }
    if (!(event->buttons() & Qt::LeftButton)) {
        m_dragBegun = false;
        SortedListBox::mouseMoveEvent(event);
        return;
    }
    // Until the drag is active the pointer neither drags a selection nor scrolls.
    const QPoint moved = event->position().toPoint() - m_pressPoint;
    if (std::abs(moved.x()) >= DragThreshold || std::abs(moved.y()) >= DragThreshold)
        beginDrag();
    event->accept();
}

void SourceListBox::mouseReleaseEvent(QMouseEvent *event)
{
    const bool kept = m_pressKeptFromList && event->button() == Qt::LeftButton;
    if (event->button() == Qt::LeftButton) {
        m_dragBegun = false;
        m_pressKeptFromList = false;
    }
    if (kept) {
        event->accept();
        return;
    }
    SortedListBox::mouseReleaseEvent(event);
}

void SourceListBox::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        SortedListBox::mouseDoubleClickEvent(event);
        return;
    }
    // The second press of a double click follows the press rules (on the now
    // selected entry it changes nothing), then reports the double click.
    mousePressEvent(event);
    const QModelIndex index = indexAt(event->position().toPoint());
    if (index.isValid())
        emit doubleClicked(index);
}

void SourceListBox::beginDrag()
{
    m_dragBegun = false;
    m_pressKeptFromList = false;
    auto *data = new QMimeData;
    data->setData(QLatin1String(DragMimeType), processTag());
    auto *drag = new QDrag(this);
    drag->setMimeData(data);
    // The drag takes the button release; the view must not wait for it.
    setState(NoState);
    const QPointer<QDrag> guard(drag);
    execDrag(drag);
    // Qt frees a drag it ran; one that a test seam did not run is ours to free.
    if (guard)
        guard->deleteLater();
}
