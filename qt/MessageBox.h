#pragma once
#include <QMessageBox>
#include <QString>

namespace mizel {

// Modal box captioned with the application title, one OK button, centred on
// the screen; the text is shown as plain text.
void messageBox(const QString &text, QMessageBox::Icon icon = QMessageBox::NoIcon);

} // namespace mizel
