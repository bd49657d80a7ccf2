#include "TaskbarProgress.h"

TTaskbarProgress::~TTaskbarProgress()
{
    if (FTaskbar)
        FTaskbar->Release();
}

UINT TTaskbarProgress::buttonCreatedMessage()
{
    static const UINT message = RegisterWindowMessageW(L"TaskbarButtonCreated");
    return message;
}

void TTaskbarProgress::attach(HWND window)
{
    if (FTaskbar)
        FTaskbar->Release();
    FWindow = window;
    FTaskbar = nullptr;
    FTried = false;
    FState = TBPF_NOPROGRESS;
}

bool TTaskbarProgress::ready()
{
    if (!FTried && FWindow) {
        FTried = true;
        void *taskbar = nullptr;
        if (SUCCEEDED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3, &taskbar))) {
            FTaskbar = static_cast<ITaskbarList3 *>(taskbar);
            if (FAILED(FTaskbar->HrInit())) {
                FTaskbar->Release();
                FTaskbar = nullptr;
            }
        }
    }
    return FTaskbar != nullptr;
}

void TTaskbarProgress::setState(TBPFLAG state)
{
    if (state != FState && ready())
        FTaskbar->SetProgressState(FWindow, state);
    FState = state;
}

void TTaskbarProgress::show(int percent, bool stopping)
{
    setState(stopping ? TBPF_PAUSED : TBPF_NORMAL);
    if (ready())
        FTaskbar->SetProgressValue(FWindow, ULONGLONG(percent), 100);
}

void TTaskbarProgress::clear()
{
    setState(TBPF_NOPROGRESS);
}
