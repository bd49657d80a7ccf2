#include "HeldInput.h"

THeldInput::Action THeldInput::actionDuringWork(const MSG &message)
{
    switch (message.message) {
    case WM_KEYDOWN:
        return message.wParam == VK_ESCAPE ? Action::Stop : Action::Hold;
    case WM_SYSKEYDOWN:
        // The system closes the window on Alt+F4, which stops the work first.
        return message.wParam == VK_F4 && (HIWORD(message.lParam) & KF_ALTDOWN) ? Action::Dispatch : Action::Hold;
    case WM_MOUSEMOVE:
        return Action::Drop;
    default:
        break;
    }
    const bool key = message.message >= WM_KEYFIRST && message.message <= WM_KEYLAST;
    const bool mouse = message.message >= WM_MOUSEFIRST && message.message <= WM_MOUSELAST;
    return key || mouse ? Action::Hold : Action::Dispatch;
}

void THeldInput::hold(const MSG &message)
{
    Held held{message, {}};
    GetKeyboardState(held.keys.data());
    FHeld.push_back(held);
}

bool THeldInput::next(MSG &message)
{
    if (FHeld.empty())
        return false;
    Held held = FHeld.front();
    FHeld.pop_front();
    message = held.message;
    // Keys go where the focus is now, as they would have gone had they waited
    // in the queue: a held click before them may have moved it.
    HWND focus = GetFocus();
    if (focus && message.message >= WM_KEYFIRST && message.message <= WM_KEYLAST)
        message.hwnd = focus;
    SetKeyboardState(held.keys.data());
    return true;
}
