#pragma once
// The program's modal boxes: captioned with its title, one OK button, centred
// on the screen, owned by the main window while it exists.
#include <windows.h>

#include <string>
#include <string_view>

namespace mizel {

// The window that message boxes belong to and block.
void setMessageBoxOwner(HWND owner);

// icon is 0 (none) or one of the MB_ICON flags.
void messageBox(std::u16string_view text, UINT icon = 0);
void messageBox(std::string_view utf8Text, UINT icon = 0);

// The default error display: shows the exception being handled in the error
// box; call from a catch block.
void showCurrentException();

} // namespace mizel
