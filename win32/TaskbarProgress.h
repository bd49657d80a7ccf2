#pragma once
// The progress of long work on the window's taskbar button. Where the shell
// offers no taskbar interface (older systems, some Wine setups), none shows.
#include <windows.h>

#include <shobjidl.h>

class TTaskbarProgress
{
public:
    TTaskbarProgress() = default;
    ~TTaskbarProgress();
    TTaskbarProgress(const TTaskbarProgress &) = delete;
    TTaskbarProgress &operator=(const TTaskbarProgress &) = delete;

    // The message the shell sends once the window has a taskbar button.
    static UINT buttonCreatedMessage();
    // The interface is made on first use, and again after the button was
    // made anew (the shell restarted).
    void attach(HWND window);

    // Stopping shows yellow: the work goes on until it reaches a point where it can stop.
    void show(int percent, bool stopping);
    void clear();

private:
    bool ready();
    void setState(TBPFLAG state);

    HWND FWindow = nullptr;
    ITaskbarList3 *FTaskbar = nullptr;
    bool FTried = false;
    TBPFLAG FState = TBPF_NOPROGRESS;
};
