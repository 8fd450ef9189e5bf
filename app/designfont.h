#pragma once
#include <QFont>
#include <QString>

// The Japanese gothic faces of the window layouts ("ＭＳ Ｐゴシック" unless told
// otherwise). They are asked for by name, with the IPA gothics that fontconfig
// offers in their place where they are missing.
inline QFont designFont(int pixelSize, const QString &family = QStringLiteral("ＭＳ Ｐゴシック"))
{
    QFont font;
    font.setFamilies({family, QStringLiteral("IPAPGothic"), QStringLiteral("IPAGothic")});
    font.setPixelSize(pixelSize);
    return font;
}
