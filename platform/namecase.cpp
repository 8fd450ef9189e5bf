#include "namecase.h"

#include <QString>
#include <QStringDecoder>

namespace {

bool isAscii(const QByteArray &text)
{
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

bool decodeUtf8(const QByteArray &bytes, QString &text)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    text = decoder.decode(bytes);
    return !decoder.hasError();
}

char asciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

bool asciiStartsWith(const QByteArray &name, const QByteArray &prefix)
{
    if (name.size() < prefix.size())
        return false;
    for (qsizetype i = 0; i < prefix.size(); ++i)
        if (asciiLower(name[i]) != asciiLower(prefix[i]))
            return false;
    return true;
}

} // namespace

namespace NameCase {

bool startsWith(const QByteArray &name, const QByteArray &prefix)
{
    if (prefix.isEmpty())
        return true;
    if (isAscii(prefix) && isAscii(name))
        return asciiStartsWith(name, prefix);
    QString nameText, prefixText;
    if (decodeUtf8(name, nameText) && decodeUtf8(prefix, prefixText))
        return nameText.startsWith(prefixText, Qt::CaseInsensitive);
    return asciiStartsWith(name, prefix);
}

bool equals(const QByteArray &a, const QByteArray &b)
{
    if (isAscii(a) && isAscii(b))
        return a.size() == b.size() && asciiStartsWith(a, b);
    QString aText, bText;
    if (decodeUtf8(a, aText) && decodeUtf8(b, bText))
        return aText.compare(bText, Qt::CaseInsensitive) == 0;
    return a.size() == b.size() && asciiStartsWith(a, b);
}

} // namespace NameCase
