#pragma once
#include <QFont>
#include <QStringList>

// The window's font as the form sets it, with the free fonts that stand in
// for it on this system.
inline QFont windowFont()
{
    const QString face = QStringLiteral("ＭＳ Ｐゴシック");
    QFont::insertSubstitutions(face, {QStringLiteral("Monapo"), QStringLiteral("IPAPGothic")});
    QFont font(face);
    font.setPixelSize(12);
    return font;
}
