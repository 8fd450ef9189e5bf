#pragma once
#include <QByteArray>
#include <cstdint>
#include <vector>

struct UCollator;

// The one order of every sorted list and of the renumbering: case-insensitive,
// locale-aware (Japanese) and numeric-aware (Trip999 before Trip1000), with ties
// broken by the bytes so that the order is total and the same on every run.
//
// It is ICU's Japanese collation at secondary strength with numeric ordering:
// the collation Qt's QCollator uses for QLocale(Japanese, Japan) with
// case-insensitivity and numeric mode. ICU is called directly so that a large
// list can be sorted with its keys packed in one buffer (a 1,000,000-name
// listing would otherwise hold a separate key object per name).
class NameCollation
{
public:
    NameCollation();
    ~NameCollation();
    NameCollation(const NameCollation &) = delete;
    NameCollation &operator=(const NameCollation &) = delete;

    // <0, 0 or >0; 0 only for identical bytes. Names are UTF-8; bytes that are
    // not valid UTF-8 compare as replacement characters.
    int compare(const QByteArray &a, const QByteArray &b) const;
    bool less(const QByteArray &a, const QByteArray &b) const { return compare(a, b) < 0; }

    // Sorts names in this order, with one precomputed key per name.
    void sort(std::vector<QByteArray> &names) const;
    // The positions of the names in sorted order (names unchanged).
    std::vector<uint32_t> sortedOrder(const std::vector<QByteArray> &names) const;
    // Moves each items[order[i]] to items[i], in place; order is used up.
    template<typename T>
    static void permute(std::vector<T> &items, std::vector<uint32_t> &order);

    // The shared instance (a collator is costly to set up).
    static const NameCollation &instance();

private:
    UCollator *m_collator = nullptr;
};

template<typename T>
void NameCollation::permute(std::vector<T> &items, std::vector<uint32_t> &order)
{
    // One cycle at a time, so no second copy of the items is needed.
    const size_t n = items.size();
    for (size_t start = 0; start < n; ++start) {
        if (order[start] == start)
            continue;
        T held = std::move(items[start]);
        size_t at = start;
        for (;;) {
            const size_t from = order[at];
            order[at] = uint32_t(at);
            if (from == start) {
                items[at] = std::move(held);
                break;
            }
            items[at] = std::move(items[from]);
            at = from;
        }
    }
}
