#pragma once
// The Win32 calls whose failures decide how a save ends, made through these
// pointers so that tests can fail them as a full or broken disk would.
#include <windows.h>

namespace mizel {

struct WindowsFileCalls
{
    decltype(&WriteFile) writeFile = WriteFile;
    decltype(&FlushFileBuffers) flushFileBuffers = FlushFileBuffers;
    decltype(&ReplaceFileW) replaceFile = ReplaceFileW;
    decltype(&MoveFileExW) moveFile = MoveFileExW;
};

extern WindowsFileCalls windowsFileCalls;

} // namespace mizel
