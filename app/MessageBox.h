#pragma once
#include <QMessageBox>
#include <QString>

namespace mizel {

// Modal box captioned with the application title, one OK button, centred on
// the screen (a dialog without a parent is placed there).
void messageBox(const QString &text, QMessageBox::Icon icon = QMessageBox::NoIcon);

} // namespace mizel
