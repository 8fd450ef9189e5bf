#pragma once
#include <QAbstractListModel>
#include <QByteArray>
#include <vector>

// Names (bytes as the file system gives them) kept in the one sorted order of
// NameCollation. Display text is decoded on demand, so a list holds nothing per
// entry but the name itself.
class SortedNameModel : public QAbstractListModel
{
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    void clear();
    // Inserts one name at its sorted place; returns its row.
    int add(const QByteArray &name);
    // Replaces every entry by the given names, sorted once, in one reset.
    void assign(std::vector<QByteArray> names);
    // The same for names already in this order.
    void assignSorted(std::vector<QByteArray> names);

    int count() const { return int(m_names.size()); }
    const QByteArray &nameAt(int row) const { return m_names[size_t(row)]; }
    const std::vector<QByteArray> &names() const { return m_names; }

    void setItemsDragEnabled(bool enabled) { m_dragEnabled = enabled; }

private:
    std::vector<QByteArray> m_names;
    bool m_dragEnabled = false;
};
