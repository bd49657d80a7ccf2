#include "WorkInputGuard.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QWidget>
#include <QWindow>

WorkInputGuard::WorkInputGuard(QWidget *window, std::function<void()> requestStop)
    : window(window)
    , requestStop(std::move(requestStop))
{
    QCoreApplication::instance()->installEventFilter(this);
}

WorkInputGuard::~WorkInputGuard()
{
    QCoreApplication::instance()->removeEventFilter(this);
    for (HeldEvent &input : held) {
        if (input.receiver)
            QCoreApplication::postEvent(input.receiver, input.event.release());
    }
}

bool WorkInputGuard::isForWindow(QObject *receiver) const
{
    if (receiver == window->windowHandle())
        return true;
    auto *widget = qobject_cast<QWidget *>(receiver);
    return widget && widget->window() == window;
}

bool WorkInputGuard::eventFilter(QObject *watched, QEvent *event)
{
    if (!isForWindow(watched))
        return false;
    switch (event->type()) {
    case QEvent::Close:
        if (watched != window)
            return false;
        closeWanted = true;
        requestStop();
        event->ignore();
        return true;
    case QEvent::KeyPress:
        if (static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) {
            requestStop();
            return true;
        }
        [[fallthrough]];
    case QEvent::KeyRelease:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::InputMethod:
        // Typed during the work: applied after it, in order.
        held.push_back({watched, std::unique_ptr<QEvent>(event->clone())});
        return true;
    case QEvent::ShortcutOverride:
    case QEvent::StatusTip:
    case QEvent::ToolTip:
    case QEvent::ContextMenu:
        // Hovering must not replace the progress on the status bar.
        return true;
    default:
        return false;
    }
}
