#include "MessageBox.h"

#include <QApplication>

namespace mizel {

void messageBox(const QString &text, QMessageBox::Icon icon)
{
    QMessageBox box(icon, QApplication::applicationDisplayName(), text, QMessageBox::Ok);
    box.exec();
}

} // namespace mizel
