#pragma once
#include <QApplication>
#include <QString>
#include <QTranslator>

// The application object: registers the font substitutions and is the
// default error display for every exception that leaves an event handler.
class MizelApplication : public QApplication
{
public:
    MizelApplication(int &argc, char **argv);

    bool notify(QObject *receiver, QEvent *event) override;

private:
    QTranslator qtTranslator;
};

namespace mizel {

// The message with a full stop appended when the last character's first
// cp932 byte compares greater than ".".
QString errorDisplayText(const QString &message);

// Shows the exception being handled in the error box; call from a catch block.
void showCurrentException();

} // namespace mizel
