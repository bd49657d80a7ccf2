#pragma once
#include <QApplication>
#include <QString>
#include <QTranslator>
#include <memory>

class X11ClipboardGuard;

// The application object: registers the font substitutions and is the
// default error display for every exception that leaves an event handler.
class MizelApplication : public QApplication
{
public:
    MizelApplication(int &argc, char **argv);
    ~MizelApplication() override;

    bool notify(QObject *receiver, QEvent *event) override;

    // Runs the event loop until the main window is closed. An exception that
    // leaves the loop past notify() (thrown inside the platform's own event
    // handling, a clipboard conversion for one) is shown, and the loop goes on
    // with the window and its list.
    static void execUntilClosed(const QWidget &mainWindow);

private:
    QTranslator qtTranslator;
    std::unique_ptr<X11ClipboardGuard> clipboardGuard;
};

namespace mizel {

// What the error box shows: the message lead, the text quoted from the user's
// input (isolated, so that no direction mark in it can reorder the words
// around it, and shortened in the middle when too long for the screen) and the
// rest, with a full stop appended when the message's last character's first
// cp932 byte compares greater than ".".
QString errorDisplayText(const QString &lead, const QString &quoted = {}, const QString &rest = {});

class Exception;
// The same for one of the program's own errors, its quoted part isolated.
QString errorDisplayText(const Exception &error);

// Shows the exception being handled in the error box; call from a catch block.
void showCurrentException();

} // namespace mizel
