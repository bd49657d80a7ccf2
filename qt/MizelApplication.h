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

// Shows the exception being handled in the error box; call from a catch block.
void showCurrentException();

} // namespace mizel
