#include "sortednamemodel.h"
#include "collation.h"

#include <QFile>

#include <algorithm>

int SortedNameModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_names.size());
}

QVariant SortedNameModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= count())
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return QFile::decodeName(m_names[size_t(index.row())]);
    default:
        return {};
    }
}

Qt::ItemFlags SortedNameModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags f = QAbstractListModel::flags(index);
    if (m_dragEnabled && index.isValid())
        f |= Qt::ItemIsDragEnabled;
    return f;
}

void SortedNameModel::clear()
{
    if (m_names.empty())
        return;
    beginResetModel();
    m_names.clear();
    m_names.shrink_to_fit();
    endResetModel();
}

int SortedNameModel::add(const QByteArray &name)
{
    const NameCollation &collation = NameCollation::instance();
    const auto place = std::upper_bound(m_names.begin(), m_names.end(), name,
                                        [&](const QByteArray &a, const QByteArray &b) { return collation.less(a, b); });
    const int row = int(place - m_names.begin());
    beginInsertRows({}, row, row);
    m_names.insert(place, name);
    endInsertRows();
    return row;
}

void SortedNameModel::assign(std::vector<QByteArray> names)
{
    NameCollation::instance().sort(names);
    assignSorted(std::move(names));
}

void SortedNameModel::assignSorted(std::vector<QByteArray> names)
{
    beginResetModel();
    m_names = std::move(names);
    endResetModel();
}
