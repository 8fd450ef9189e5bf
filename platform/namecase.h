#pragma once
#include <QByteArray>

// Letter-case-blind comparison of names given as bytes: Unicode case folding
// where both sides are valid UTF-8, ASCII folding otherwise.
namespace NameCase {

bool equals(const QByteArray &a, const QByteArray &b);
bool startsWith(const QByteArray &name, const QByteArray &prefix);

} // namespace NameCase
