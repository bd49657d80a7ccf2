#pragma once
// The main window: three number boxes, the no-duplicates check box, the
// commands and the result grid. The form's look lives in Mainunit.rc.
#include <windows.h>

#include "BackgroundWork.h"
#include "ValueList.h"
#include "DialogTemplate.h"
#include "HeldInput.h"
#include "TaskbarProgress.h"

#include <cstdint>
#include <optional>
#include <string>

class TMizelStringGrid;

class TMF
{
public:
    explicit TMF(HINSTANCE instance);
    ~TMF();
    TMF(const TMF &) = delete;
    TMF &operator=(const TMF &) = delete;

    HWND handle() const { return FHandle; }
    // Shows the window at the centre of the desktop and gives the maximum box the focus.
    void show(int showCommand);
    // One message of the message loop.
    void processMessage(MSG &message);
    // The input held back during long work, handled now in its order.
    void replayHeldInput();

private:
    static INT_PTR CALLBACK dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK editProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data);
    INT_PTR handleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handleEditMessage(HWND edit, UINT message, WPARAM wParam, LPARAM lParam);

    // The window's part of the message loop: the hints and the dialog keys.
    // True when the message has been handled.
    bool preTranslateMessage(MSG &message);

    void initialize();
    void applyDpi(UINT dpi);
    void layout();
    RECT scaledRect(int controlId) const;
    void showHint(HWND over);

    void FormShow();
    bool SaidaiEditKeyPress(wchar_t key);
    void filterInputMethodResult(HWND edit);
    void OnajiChkClick();
    void SaidaiButtonClick();
    void ExeButtonClick();
    void CopyButtonClick();
    void SaveButtonClick();
    void showFinishedMessage(DWORD startTick);
    void setStatusText(const std::wstring &text);
    std::wstring statusText() const;

    bool doWork(mizel::WorkKind kind, const mizel::BackgroundWork::Work &work);
    void pumpDuringWork(std::optional<int> &quitCode);
    void refreshProgress();
    void stopWork();

    HWND item(int id) const { return GetDlgItem(FHandle, id); }
    std::string boxText(int id) const;
    void setBoxText(int id, const std::string &utf8);

    HINSTANCE FInstance;
    HWND FHandle = nullptr;
    mizel::DialogTemplate FTemplate;
    UINT FDpi = 96;
    HFONT FFont = nullptr;
    HFONT FLabelFont = nullptr;
    HICON FIcon = nullptr;
    HICON FSmallIcon = nullptr;
    TMizelStringGrid *MizelStringGrid1 = nullptr;
    std::wstring FHint;
    std::wstring savedFileName;
    int savedFilterIndex = 1;
    mizel::ValueList ResultVector;
    bool shownOnce = false;

    // Set while long work runs.
    mizel::BackgroundWork *FWork = nullptr;
    std::string FProgressText;
    bool FCloseAfterWork = false;
    THeldInput FHeldInput;
    TTaskbarProgress FTaskbar;
};
