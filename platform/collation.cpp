#include "collation.h"

#include <QFile>
#include <QString>

#include <unicode/ucol.h>

#include <algorithm>
#include <cstring>
#include <numeric>
#include <string>

NameCollation::NameCollation()
{
    // An explicit locale: the process's own may be C, where no numeric
    // collation exists.
    UErrorCode status = U_ZERO_ERROR;
    m_collator = ucol_open("ja_JP", &status);
    if (U_FAILURE(status) || !m_collator) {
        status = U_ZERO_ERROR;
        m_collator = ucol_open("", &status);
    }
    ucol_setAttribute(m_collator, UCOL_NORMALIZATION_MODE, UCOL_ON, &status);
    ucol_setAttribute(m_collator, UCOL_STRENGTH, UCOL_SECONDARY, &status);       // letter case ignored
    ucol_setAttribute(m_collator, UCOL_NUMERIC_COLLATION, UCOL_ON, &status);     // digits by value
    ucol_setAttribute(m_collator, UCOL_ALTERNATE_HANDLING, UCOL_NON_IGNORABLE, &status);
}

NameCollation::~NameCollation()
{
    ucol_close(m_collator);
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
    UErrorCode status = U_ZERO_ERROR;
    const UCollationResult order = ucol_strcollUTF8(m_collator, a.constData(), int32_t(a.size()),
                                                    b.constData(), int32_t(b.size()), &status);
    if (U_SUCCESS(status) && order != UCOL_EQUAL)
        return order == UCOL_LESS ? -1 : 1;
    return a < b ? -1 : 1;
}

namespace {

// Appends the sort key of one name to the buffer; returns its length.
uint32_t appendKey(const UCollator *collator, const QByteArray &name, std::string &keys)
{
    const QString text = QFile::decodeName(name);
    const UChar *utf16 = reinterpret_cast<const UChar *>(text.utf16());
    const int32_t length = int32_t(text.size());
    uint8_t local[256];
    int32_t needed = ucol_getSortKey(collator, utf16, length, local, sizeof local);
    if (needed <= int32_t(sizeof local)) {
        keys.append(reinterpret_cast<const char *>(local), size_t(needed));
        return uint32_t(needed);
    }
    std::string big(size_t(needed), '\0');
    needed = ucol_getSortKey(collator, utf16, length, reinterpret_cast<uint8_t *>(big.data()), needed);
    keys.append(big.data(), size_t(needed));
    return uint32_t(needed);
}

} // namespace

std::vector<uint32_t> NameCollation::sortedOrder(const std::vector<QByteArray> &names) const
{
    const size_t n = names.size();
    std::vector<uint32_t> order(n);
    std::iota(order.begin(), order.end(), 0u);
    if (n < 2)
        return order;
    // All keys in one buffer; keys include their terminating zero byte, so
    // strcmp orders them as the collator would.
    std::string keys;
    std::vector<size_t> offsets;
    offsets.reserve(n);
    for (const QByteArray &name : names) {
        offsets.push_back(keys.size());
        appendKey(m_collator, name, keys);
    }
    const char *base = keys.data();
    std::sort(order.begin(), order.end(), [&](uint32_t x, uint32_t y) {
        const int c = std::strcmp(base + offsets[x], base + offsets[y]);
        if (c != 0)
            return c < 0;
        return names[x] < names[y];
    });
    return order;
}

void NameCollation::sort(std::vector<QByteArray> &names) const
{
    std::vector<uint32_t> order = sortedOrder(names);
    permute(names, order);
}
