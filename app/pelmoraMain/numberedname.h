#pragma once
#include <QByteArray>
#include <cstdint>
#include <optional>

// Numbered names of theme pictures: theme name + serial ("%3.3d") + extension.
// Names are bytes; lengths count bytes.
namespace NumberedNames {

// The extensions that count as pictures, lower case with the dot.
inline constexpr const char *PictureExts[] = {".jpg", ".bmp", ""};

QByteArray NumberedName(const QByteArray &theme, std::int32_t serial, const QByteArray &extension);

// The serial a theme file's bare name carries after the first
// themeName.size() bytes of its name without extension; -1 when none.
std::int32_t NumberOfName(const QByteArray &name, const QByteArray &themeName);

// The whole text as one 32-bit number: leading blanks, an optional sign and
// decimal digits, or a "$", "x", "X", "0x", "0X" prefix and hexadecimal digits
// (two's complement). Nothing may follow the number.
std::optional<std::int32_t> toInt32(const QByteArray &text);

// From the last "." after the last "/" to the end, dot included; empty when none.
QByteArray ExtractFileExt(const QByteArray &name);

// The name without its extension.
QByteArray NameWithoutExt(const QByteArray &name);

bool IsPictureExt(const QByteArray &extension);

} // namespace NumberedNames
