#pragma once
// The form's geometry and font as the dialog resource states them. Its
// numbers are pixels at 96 DPI; the window scales them to each monitor.
#include <windows.h>

#include <map>
#include <string>

namespace mizel {

struct DialogTemplate
{
    SIZE clientSize;
    std::wstring fontFace;
    int fontPointSize;
    int fontWeight;
    BYTE fontCharSet;
    std::map<int, RECT> controls; // by control id
};

// Reads an extended dialog template (DIALOGEX) with a font.
DialogTemplate readDialogTemplate(HINSTANCE instance, int id);

} // namespace mizel
