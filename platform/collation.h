#pragma once
#include <QByteArray>
#include <QCollator>
#include <vector>

// The one order of every sorted list and of the renumbering: case-insensitive,
// locale-aware and numeric-aware (Trip999 before Trip1000), with ties broken by
// the bytes so that the order is total. Names are decoded from UTF-8 for comparing.
class NameCollation
{
public:
    NameCollation();

    // <0, 0 or >0; 0 only for identical bytes.
    int compare(const QByteArray &a, const QByteArray &b) const;
    bool less(const QByteArray &a, const QByteArray &b) const { return compare(a, b) < 0; }

    // Sorts names in this order, with one precomputed key per name.
    void sort(std::vector<QByteArray> &names) const;

    // The shared instance (a collator is costly to set up).
    static const NameCollation &instance();

private:
    QCollator m_collator;
};
