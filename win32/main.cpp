#include "Mainunit.h"
#include "MessageBox.h"
#include "Mizelstringgrid.h"

#include <commctrl.h>
#include <ole2.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand)
{
    // The save dialog and the screen readers' calls need a single-threaded apartment.
    const HRESULT ole = OleInitialize(nullptr);
    try {
        const INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
        InitCommonControlsEx(&controls);
        TMizelStringGrid::registerClass(instance);
        TMF MF(instance);
        MF.show(showCommand);
        MSG message;
        while (GetMessageW(&message, nullptr, 0, 0) > 0) {
            MF.processMessage(message);
            // Once a command with long work has returned (and closed its message box).
            MF.replayHeldInput();
        }
    } catch (...) {
        mizel::showCurrentException();
    }
    if (SUCCEEDED(ole))
        OleUninitialize();
    return 0;
}
