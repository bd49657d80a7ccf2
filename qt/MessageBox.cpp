#include "MessageBox.h"

#include <QApplication>
#include <QScreen>

namespace mizel {

namespace {

// Qt places a box before it has its final size; this one is moved to the
// centre of its screen once the size is known, just before it appears.
class CentredMessageBox : public QMessageBox
{
public:
    using QMessageBox::QMessageBox;

protected:
    void showEvent(QShowEvent *event) override
    {
        QMessageBox::showEvent(event);
        const QRect frame = frameGeometry();
        move(screen()->availableGeometry().center() - (frame.center() - frame.topLeft()));
    }
};

} // namespace

void messageBox(const QString &text, QMessageBox::Icon icon)
{
    CentredMessageBox box(icon, QApplication::applicationDisplayName(), text, QMessageBox::Ok);
    // Pasted text quoted in a message is never markup.
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

} // namespace mizel
