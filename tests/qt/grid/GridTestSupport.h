#pragma once
#include "Mizelstringgrid.h"

#include <QFont>
#include <QStringList>
#include <QTest>

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

// Shows the grid as the form sizes it, with the focus; false if it never got it.
inline bool showFocused(TMizelStringGrid &grid)
{
    grid.setFont(windowFont());
    grid.resize(285, 320);
    grid.show();
    grid.activateWindow();
    grid.setFocus();
    return QTest::qWaitForWindowActive(&grid);
}
