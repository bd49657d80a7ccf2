#pragma once
// The user's input that arrives while long work runs: held back, in order,
// and handed out again once the work has ended. Each message keeps the
// keyboard's state of the moment it was taken from the queue, so that
// GetKeyState and TranslateMessage see then what they would have seen.
#include <windows.h>

#include <array>
#include <deque>

class THeldInput
{
public:
    // What becomes of a message taken from the queue during the work.
    enum class Action {
        Dispatch, // not input, or the frame's (move, size, close) and Alt+F4
        Hold,     // keys, characters, buttons and wheels
        Drop,     // pointer moves: stale by the time the work ends
        Stop,     // Escape
    };
    static Action actionDuringWork(const MSG &message);

    void hold(const MSG &message);
    bool empty() const { return FHeld.empty(); }
    // Takes the oldest message, sent to the focus if it is a key's, and gives
    // the thread its keyboard state of then.
    bool next(MSG &message);
    void clear() { FHeld.clear(); }

private:
    struct Held
    {
        MSG message;
        std::array<BYTE, 256> keys;
    };
    std::deque<Held> FHeld;
};
