#pragma once
#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <vector>

class QWidget;

// Holds a window's input while long work runs on another thread: Escape, and
// closing the window, ask the work to stop; every other key, click and wheel
// turn meant for the window waits and is delivered in order once the guard
// goes, as if typed after the work.
class WorkInputGuard : public QObject
{
public:
    WorkInputGuard(QWidget *window, std::function<void()> requestStop);
    ~WorkInputGuard() override;

    // Whether the user tried to close the window meanwhile.
    bool closeRequested() const { return closeWanted; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool isForWindow(QObject *receiver) const;

    struct HeldEvent
    {
        QPointer<QObject> receiver;
        std::unique_ptr<QEvent> event;
    };

    QWidget *window;
    std::function<void()> requestStop;
    std::vector<HeldEvent> held;
    bool closeWanted = false;
};
