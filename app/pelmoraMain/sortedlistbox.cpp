#include "sortedlistbox.h"
#include "sortednamemodel.h"
#include "namecase.h"
#include "platformerror.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyledItemDelegate>

namespace {

// Every row as high as the list's item height.
class FixedRowDelegate : public QStyledItemDelegate
{
public:
    FixedRowDelegate(const SortedListBox *list, QObject *parent)
        : QStyledItemDelegate(parent), m_list(list) { }

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        if (m_list->itemHeight() > 0)
            size.setHeight(m_list->itemHeight());
        return size;
    }

private:
    const SortedListBox *m_list;
};

} // namespace

SortedListBox::SortedListBox(QWidget *parent)
    : QListView(parent), m_model(new SortedNameModel(this))
{
    setModel(m_model);
    setUniformItemSizes(true);
    setEditTriggers(NoEditTriggers);
    setSelectionMode(SingleSelection);
    setItemDelegate(new FixedRowDelegate(this, this));
}

void SortedListBox::Clear()
{
    m_model->clear();
}

int SortedListBox::Add(const QByteArray &name)
{
    return m_model->add(name);
}

void SortedListBox::Assign(std::vector<QByteArray> names)
{
    setUpdatesEnabled(false);
    m_model->assign(std::move(names));
    setUpdatesEnabled(true);
}

int SortedListBox::Count() const
{
    return m_model->count();
}

QByteArray SortedListBox::Item(int i) const
{
    if (i < 0 || i >= m_model->count())
        throw PlatformError::listIndex(i);
    return m_model->nameAt(i);
}

int SortedListBox::ItemIndex() const
{
    if (selectionMode() == SingleSelection) {
        const QModelIndexList rows = selectionModel()->selectedRows();
        return rows.isEmpty() ? -1 : rows.first().row();
    }
    const QModelIndex current = currentIndex();
    return current.isValid() ? current.row() : -1;
}

void SortedListBox::SetItemIndex(int i)
{
    if (i < 0 || i >= m_model->count()) {
        selectionModel()->clearSelection();
        return;
    }
    const QModelIndex index = m_model->index(i);
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
}

bool SortedListBox::Selected(int i) const
{
    if (i < 0 || i >= m_model->count())
        throw PlatformError::listIndex(i);
    return selectionModel()->isSelected(m_model->index(i));
}

void SortedListBox::SetSelected(int i, bool selected)
{
    if (i < 0 || i >= m_model->count())
        throw PlatformError::listIndex(i);
    selectionModel()->select(m_model->index(i), selected ? QItemSelectionModel::Select
                                                         : QItemSelectionModel::Deselect);
}

int SortedListBox::SelCount() const
{
    if (selectionMode() == SingleSelection)
        return -1; // as the single-selection list box reports it
    return int(selectionModel()->selectedRows().size());
}

int SortedListBox::IndexOfExact(const QByteArray &name) const
{
    const std::vector<QByteArray> &names = m_model->names();
    for (size_t i = 0; i < names.size(); ++i)
        if (NameCase::equals(names[i], name))
            return int(i);
    return -1;
}

void SortedListBox::setItemHeight(int height)
{
    m_itemHeight = height;
    doItemsLayout();
}

void SortedListBox::mousePressEvent(QMouseEvent *event)
{
    const int before = ItemIndex();
    emit mouseDown(event->button(), event->modifiers(), event->position().toPoint());
    QListView::mousePressEvent(event);
    if (event->button() == Qt::LeftButton && selectionMode() == SingleSelection) {
        // A click that leaves an entry selected reports a selection, also a
        // click on the entry that was already selected.
        if (ItemIndex() >= 0 && (indexAt(event->position().toPoint()).isValid() || ItemIndex() != before))
            emit userSelected();
    }
}

void SortedListBox::keyPressEvent(QKeyEvent *event)
{
    const int before = ItemIndex();
    QListView::keyPressEvent(event);
    const int after = ItemIndex();
    if (after != before && after >= 0)
        emit userSelected();
}
