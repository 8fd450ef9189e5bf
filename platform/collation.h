#pragma once
#include <QByteArray>
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

    // The shared instance (a collator is costly to set up).
    static const NameCollation &instance();

private:
    UCollator *m_collator = nullptr;
};
