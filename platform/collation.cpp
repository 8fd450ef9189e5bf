#include "collation.h"

#include <QFile>
#include <QLocale>

#include <algorithm>
#include <numeric>

NameCollation::NameCollation()
    : m_collator(QLocale(QLocale::Japanese, QLocale::Japan))
{
    // An explicit locale: under the C locale Qt's collator ignores numeric mode.
    m_collator.setCaseSensitivity(Qt::CaseInsensitive);
    m_collator.setNumericMode(true);
    m_collator.setIgnorePunctuation(false);
}

const NameCollation &NameCollation::instance()
{
    static const NameCollation collation;
    return collation;
}

int NameCollation::compare(const QByteArray &a, const QByteArray &b) const
{
    if (a == b)
        return 0;
    const int order = m_collator.compare(QFile::decodeName(a), QFile::decodeName(b));
    if (order != 0)
        return order;
    return a < b ? -1 : 1;
}

void NameCollation::sort(std::vector<QByteArray> &names) const
{
    const size_t n = names.size();
    if (n < 2)
        return;
    std::vector<QCollatorSortKey> keys;
    keys.reserve(n);
    for (const QByteArray &name : names)
        keys.push_back(m_collator.sortKey(QFile::decodeName(name)));

    std::vector<quint32> order(n);
    std::iota(order.begin(), order.end(), 0u);
    std::sort(order.begin(), order.end(), [&](quint32 x, quint32 y) {
        const int c = keys[x].compare(keys[y]);
        if (c != 0)
            return c < 0;
        return names[x] < names[y];
    });
    keys.clear();
    keys.shrink_to_fit();

    std::vector<QByteArray> sorted;
    sorted.reserve(n);
    for (quint32 i : order)
        sorted.push_back(std::move(names[i]));
    names.swap(sorted);
}
