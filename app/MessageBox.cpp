#include "MessageBox.h"

#include <QApplication>

namespace mizel {

void messageBox(const QString &text, QMessageBox::Icon icon)
{
    QMessageBox box(icon, QApplication::applicationDisplayName(), text, QMessageBox::Ok);
    // Pasted text quoted in a message is never markup.
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

} // namespace mizel
