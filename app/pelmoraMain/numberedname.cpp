#include "numberedname.h"

#include <cstdio>

namespace NumberedNames {

QByteArray NumberedName(const QByteArray &theme, std::int32_t serial, const QByteArray &extension)
{
    char digits[16];
    const int length = std::snprintf(digits, sizeof digits, "%3.3d", serial);
    QByteArray name;
    name.reserve(theme.size() + length + extension.size());
    name += theme;
    name.append(digits, length);
    name += extension;
    return name;
}

namespace {

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

std::optional<std::int32_t> toInt32(const QByteArray &text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text[i] == ' ')
        ++i;
    if (i == n)
        return std::nullopt;

    qsizetype hexStart = -1;
    if (text[i] == '$' || text[i] == 'x' || text[i] == 'X')
        hexStart = i + 1;
    else if (text[i] == '0' && i + 1 < n && (text[i + 1] == 'x' || text[i + 1] == 'X'))
        hexStart = i + 2;

    if (hexStart >= 0) {
        if (hexStart == n)
            return std::nullopt;
        std::uint64_t value = 0;
        for (qsizetype k = hexStart; k < n; ++k) {
            const int d = hexDigit(text[k]);
            if (d < 0)
                return std::nullopt;
            value = value * 16 + std::uint64_t(d);
            if (value > 0xFFFFFFFFull)
                return std::nullopt;
        }
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
    }

    bool negative = false;
    if (text[i] == '+' || text[i] == '-') {
        negative = text[i] == '-';
        ++i;
    }
    if (i == n)
        return std::nullopt;
    std::int64_t value = 0;
    for (; i < n; ++i) {
        const char c = text[i];
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
        if (value > 2147483648ll)
            return std::nullopt;
    }
    if (negative)
        value = -value;
    if (value > 2147483647ll)
        return std::nullopt;
    return static_cast<std::int32_t>(value);
}

std::int32_t NumberOfName(const QByteArray &name, const QByteArray &themeName)
{
    const QByteArray stem = NameWithoutExt(name);
    const QByteArray tail = stem.size() > themeName.size() ? stem.mid(themeName.size()) : QByteArray();
    return toInt32(tail).value_or(-1);
}

namespace {

// Position of the dot that starts the extension, or -1.
qsizetype extensionDot(const QByteArray &name)
{
    for (qsizetype i = name.size() - 1; i >= 0; --i) {
        if (name[i] == '.')
            return i;
        if (name[i] == '/')
            return -1;
    }
    return -1;
}

} // namespace

QByteArray ExtractFileExt(const QByteArray &name)
{
    const qsizetype dot = extensionDot(name);
    return dot < 0 ? QByteArray() : name.mid(dot);
}

QByteArray NameWithoutExt(const QByteArray &name)
{
    const qsizetype dot = extensionDot(name);
    return dot < 0 ? name : name.left(dot);
}

bool IsPictureExt(const QByteArray &extension)
{
    const QByteArray lower = extension.toLower(); // ASCII letters only: the table is ASCII
    for (const char *entry : PictureExts) {
        if (!*entry)
            break;
        if (lower == entry)
            return true;
    }
    return false;
}

} // namespace NumberedNames
