// Before <windows.h>, whose old "far" macro would rewrite their parameter names.
#include "MersenneTwister.h"
#include "ShuffleRandom.h"

#include "Mainunit.h"

#include "Exception.h"
#include "KeyFilter.h"
#include "ListExport.h"
#include "MessageBox.h"
#include "Mizelstringgrid.h"
#include "Resource.h"
#include "RunCommand.h"
#include "Texts.h"
#include "Unicode.h"

#include <commctrl.h>
#include <algorithm>
#include <commdlg.h>
#include <ctime>
#include <filesystem>
#include <imm.h>
#include <new>
#include <stdexcept>
#include <utility>

namespace {

// The labels' characters are 16 pixels high at 96 DPI, the rest of the form's 12.
constexpr int LabelPointSize = 12;
constexpr int LabelIds[] = {IDC_LABEL1, IDC_LABEL3, IDC_LABEL2};
constexpr int NumberBoxIds[] = {IDC_SAIDAIEDIT, IDC_SAISYOUEDIT, IDC_HASSEIEDIT};

// Long enough for a path past MAX_PATH.
constexpr DWORD MaxPathLength = 32768;

// Posted by long work's thread when it has ended, to wake the window's thread.
constexpr UINT WorkEndedMessage = WM_APP + 1;
constexpr UINT_PTR ProgressTimer = 1;

const wchar_t *wide(const std::u16string &text)
{
    return reinterpret_cast<const wchar_t *>(text.c_str());
}

std::wstring wideString(std::string_view utf8)
{
    const std::u16string text = mizel::toUtf16(utf8);
    return std::wstring(text.begin(), text.end());
}

HFONT createFont(const mizel::DialogTemplate &form, int pointSize, UINT dpi)
{
    LOGFONTW font{};
    font.lfHeight = -MulDiv(pointSize, int(dpi), 72);
    font.lfWeight = form.fontWeight;
    font.lfCharSet = form.fontCharSet;
    font.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
    form.fontFace.copy(font.lfFaceName, LF_FACESIZE - 1);
    HFONT handle = CreateFontIndirectW(&font);
    if (!handle)
        throw std::bad_alloc();
    return handle;
}

// Newer systems rescale a dialog's template on their own when it moves to
// another monitor; this window scales itself from its pixel geometry.
void keepDialogScalingToUs(HWND dialog)
{
    using SetBehavior = BOOL(WINAPI *)(HWND, DIALOG_DPI_CHANGE_BEHAVIORS, DIALOG_DPI_CHANGE_BEHAVIORS);
    const auto set = reinterpret_cast<SetBehavior>(
        reinterpret_cast<void *>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetDialogDpiChangeBehavior")));
    if (set)
        set(dialog, DDC_DISABLE_ALL, DDC_DISABLE_ALL);
}

// The clipboard may be held for a moment by another program.
bool openClipboard(HWND owner)
{
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (OpenClipboard(owner))
            return true;
        Sleep(20);
    }
    return false;
}

// A clipboard block, freed unless handed on.
class ClipboardBlock
{
public:
    explicit ClipboardBlock(std::size_t bytes)
        : handle(GlobalAlloc(GMEM_MOVEABLE, bytes))
    {
        if (!handle)
            throw std::bad_alloc();
    }
    ~ClipboardBlock()
    {
        if (handle)
            GlobalFree(handle);
    }
    ClipboardBlock(const ClipboardBlock &) = delete;
    ClipboardBlock &operator=(const ClipboardBlock &) = delete;
    HGLOBAL release() { return std::exchange(handle, nullptr); }
    HGLOBAL get() const { return handle; }

private:
    HGLOBAL handle;
};

// The list in the clipboard's text format. Its ASCII bytes go to the upper
// half of the block and are widened in place from the front, where each wide
// character overwrites only bytes already read.
HGLOBAL clipboardText(const mizel::ValueList &list, mizel::WorkProgress &progress)
{
    // The widening counts as much as the making of the text.
    progress.plan(list.size());
    const mizel::ListText text(list, progress);
    const std::size_t length = text.length();
    ClipboardBlock block((length + 1) * sizeof(wchar_t));
    auto *characters = static_cast<wchar_t *>(GlobalLock(block.get()));
    const auto unlock = [&] { GlobalUnlock(block.get()); };
    try {
        const char *bytes = reinterpret_cast<const char *>(characters) + length;
        text.write(const_cast<char *>(bytes));
        constexpr std::size_t chunk = std::size_t{1} << 22;
        std::uint64_t reported = 0;
        for (std::size_t i = 0; i < length;) {
            const std::size_t end = std::min(length, i + chunk);
            for (; i < end; ++i)
                characters[i] = wchar_t(static_cast<unsigned char>(bytes[i]));
            const std::uint64_t done =
                end == length ? list.size() : std::uint64_t(double(list.size()) * double(end) / double(length));
            if (!progress.advance(done - reported))
                throw mizel::WorkStopped();
            reported = done;
        }
        characters[length] = L'\0';
    } catch (...) {
        unlock();
        throw;
    }
    unlock();
    return block.release();
}

} // namespace

TMF::TMF(HINSTANCE instance)
    : FInstance(instance)
    , FTemplate(mizel::readDialogTemplate(instance, IDD_MF))
{
    if (!CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_MF), nullptr, dialogProc, reinterpret_cast<LPARAM>(this)))
        throw std::runtime_error("CreateDialogParam failed");
    initialize();

    mizel::mtSeed(static_cast<std::uint32_t>(std::time(nullptr)));
    mizel::shuffleSeed(static_cast<std::uint32_t>(std::time(nullptr)));
}

TMF::~TMF()
{
    mizel::setMessageBoxOwner(nullptr);
    if (IsWindow(FHandle))
        DestroyWindow(FHandle);
    DeleteObject(FFont);
    DeleteObject(FLabelFont);
    DestroyIcon(FIcon);
    DestroyIcon(FSmallIcon);
}

void TMF::initialize()
{
    mizel::setMessageBoxOwner(FHandle);
    keepDialogScalingToUs(FHandle);
    MizelStringGrid1 = TMizelStringGrid::fromHandle(item(IDC_MIZELSTRINGGRID1));
    for (int id : NumberBoxIds)
        SetWindowSubclass(item(id), editProc, 0, reinterpret_cast<DWORD_PTR>(this));
    // Numbers only: no input method composes into the maximum and count boxes.
    ImmAssociateContextEx(item(IDC_SAIDAIEDIT), nullptr, 0);
    ImmAssociateContextEx(item(IDC_HASSEIEDIT), nullptr, 0);
    applyDpi(GetDpiForWindow(FHandle));
    FTaskbar.attach(FHandle);
}

void TMF::show(int showCommand)
{
    RECT frame{0, 0, MulDiv(FTemplate.clientSize.cx, int(FDpi), 96), MulDiv(FTemplate.clientSize.cy, int(FDpi), 96)};
    AdjustWindowRectExForDpi(&frame, DWORD(GetWindowLongPtrW(FHandle, GWL_STYLE)), FALSE,
                             DWORD(GetWindowLongPtrW(FHandle, GWL_EXSTYLE)), FDpi);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT &desktop = monitor.rcWork;
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    SetWindowPos(FHandle, nullptr, (desktop.left + desktop.right - width) / 2, (desktop.top + desktop.bottom - height) / 2,
                 width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(FHandle, showCommand);
    UpdateWindow(FHandle);
    FormShow();
}

void TMF::applyDpi(UINT dpi)
{
    FDpi = dpi;
    HFONT oldFont = FFont;
    HFONT oldLabelFont = FLabelFont;
    FFont = createFont(FTemplate, FTemplate.fontPointSize, dpi);
    FLabelFont = createFont(FTemplate, LabelPointSize, dpi);
    for (HWND child = GetWindow(FHandle, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(FFont), TRUE);
    for (int id : LabelIds)
        SendMessageW(item(id), WM_SETFONT, reinterpret_cast<WPARAM>(FLabelFont), TRUE);
    DeleteObject(oldFont);
    DeleteObject(oldLabelFont);

    HICON oldIcon = FIcon;
    HICON oldSmallIcon = FSmallIcon;
    const auto loadIcon = [&](int width, int height) {
        return static_cast<HICON>(LoadImageW(FInstance, MAKEINTRESOURCEW(IDI_MIZEL4), IMAGE_ICON,
                                             GetSystemMetricsForDpi(width, dpi), GetSystemMetricsForDpi(height, dpi), 0));
    };
    FIcon = loadIcon(SM_CXICON, SM_CYICON);
    FSmallIcon = loadIcon(SM_CXSMICON, SM_CYSMICON);
    SendMessageW(FHandle, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(FIcon));
    SendMessageW(FHandle, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(FSmallIcon));
    DestroyIcon(oldIcon);
    DestroyIcon(oldSmallIcon);
    layout();
}

RECT TMF::scaledRect(int controlId) const
{
    const RECT &design = FTemplate.controls.at(controlId);
    const auto scale = [this](LONG pixels) { return LONG(MulDiv(pixels, int(FDpi), 96)); };
    return RECT{scale(design.left), scale(design.top), scale(design.right), scale(design.bottom)};
}

// The controls keep their places; the grid and the status bar are docked to
// the bottom edge, keep their heights and take the full width.
void TMF::layout()
{
    RECT client;
    GetClientRect(FHandle, &client);
    HDWP positions = BeginDeferWindowPos(int(FTemplate.controls.size()));
    const auto place = [&](int id, int left, int top, int width, int height) {
        if (positions)
            positions = DeferWindowPos(positions, item(id), nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    };
    for (const auto &[id, design] : FTemplate.controls) {
        if (id == IDC_MIZELSTRINGGRID1 || id == IDC_STATUSBAR)
            continue;
        const RECT rect = scaledRect(id);
        place(id, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
    }
    const RECT status = scaledRect(IDC_STATUSBAR);
    const RECT grid = scaledRect(IDC_MIZELSTRINGGRID1);
    const int statusHeight = status.bottom - status.top;
    const int gridHeight = grid.bottom - grid.top;
    place(IDC_STATUSBAR, 0, client.bottom - statusHeight, client.right, statusHeight);
    place(IDC_MIZELSTRINGGRID1, 0, client.bottom - statusHeight - gridHeight, client.right, gridHeight);
    if (positions)
        EndDeferWindowPos(positions);
}

INT_PTR CALLBACK TMF::dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        auto *form = reinterpret_cast<TMF *>(lParam);
        form->FHandle = window;
        SetWindowLongPtrW(window, DWLP_USER, lParam);
        return FALSE; // show() gives the focus
    }
    auto *form = reinterpret_cast<TMF *>(GetWindowLongPtrW(window, DWLP_USER));
    if (!form)
        return FALSE;
    try {
        return form->handleMessage(message, wParam, lParam);
    } catch (...) {
        mizel::showCurrentException();
        return TRUE;
    }
}

INT_PTR TMF::handleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        if (HIWORD(wParam) != BN_CLICKED)
            return FALSE;
        // During long work the clicks are held back; a command sent by other
        // means (a screen reader, say) has to wait for the work as well.
        if (FWork)
            return TRUE;
        switch (LOWORD(wParam)) {
        case IDC_ONAJICHK:
            OnajiChkClick();
            break;
        case IDC_SAIDAIBUTTON:
            SaidaiButtonClick();
            break;
        case IDC_EXEBUTTON:
            ExeButtonClick();
            break;
        case IDC_COPYBUTTON:
            CopyButtonClick();
            break;
        case IDC_SAVEBUTTON:
            SaveButtonClick();
            break;
        default:
            // IDOK and IDCANCEL, from Enter and Escape: there is no default
            // button, and Escape does not close the window.
            break;
        }
        return TRUE;
    case WM_SIZE:
        layout();
        return TRUE;
    case WM_DPICHANGED: {
        applyDpi(HIWORD(wParam));
        const RECT *suggested = reinterpret_cast<const RECT *>(lParam);
        SetWindowPos(FHandle, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                     suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
        return TRUE;
    }
    case WM_MOUSEWHEEL: {
        // A box that has no use for the wheel passes it on: over the grid it scrolls the grid.
        POINT point;
        GetCursorPos(&point);
        HWND grid = MizelStringGrid1->handle();
        if (WindowFromPoint(point) == grid)
            SendMessageW(grid, message, wParam, lParam);
        return TRUE;
    }
    case WM_SYSCOLORCHANGE:
        for (HWND child = GetWindow(FHandle, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
            SendMessageW(child, message, wParam, lParam);
        return TRUE;
    case WM_CLOSE:
        // Long work is stopped first; its loop closes the window when it has ended.
        if (FWork) {
            FCloseAfterWork = true;
            stopWork();
            return TRUE;
        }
        DestroyWindow(FHandle);
        return TRUE;
    case WM_TIMER:
        if (wParam != ProgressTimer)
            return FALSE;
        refreshProgress();
        return TRUE;
    case WorkEndedMessage:
        return TRUE; // it has woken the loop in doWork
    case WM_DESTROY:
        PostQuitMessage(0);
        return TRUE;
    default:
        if (message == TTaskbarProgress::buttonCreatedMessage()) {
            FTaskbar.attach(FHandle);
            return TRUE;
        }
        return FALSE;
    }
}

void TMF::processMessage(MSG &message)
{
    if (!preTranslateMessage(message)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

void TMF::replayHeldInput()
{
    if (FHeldInput.empty())
        return;
    BYTE keys[256];
    GetKeyboardState(keys);
    MSG message;
    // A command among them may run long work, which holds the input that
    // comes meanwhile behind the rest of these.
    while (FHeldInput.next(message)) {
        processMessage(message);
        // The characters its keys make come before the next message.
        MSG character;
        while (PeekMessageW(&character, nullptr, WM_CHAR, WM_SYSDEADCHAR, PM_REMOVE | PM_QS_POSTMESSAGE))
            processMessage(character);
    }
    SetKeyboardState(keys);
}

bool TMF::preTranslateMessage(MSG &message)
{
    const bool ours = message.hwnd == FHandle || IsChild(FHandle, message.hwnd);
    if (ours) {
        switch (message.message) {
        case WM_MOUSEMOVE: {
            POINT point;
            GetCursorPos(&point);
            ScreenToClient(FHandle, &point);
            // Disabled controls count: their hints show as well.
            HWND over = ChildWindowFromPointEx(FHandle, point, CWP_SKIPINVISIBLE);
            showHint(over == FHandle ? nullptr : over);
            TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, message.hwnd, 0};
            TrackMouseEvent(&track);
            break;
        }
        case WM_NCMOUSEMOVE:
            showHint(nullptr);
            break;
        case WM_MOUSELEAVE: {
            POINT point;
            GetCursorPos(&point);
            if (GetAncestor(WindowFromPoint(point), GA_ROOT) != FHandle)
                showHint(nullptr);
            break;
        }
        default:
            break;
        }
    }
    return IsDialogMessageW(FHandle, &message);
}

// The status bar follows the hint under the pointer, and changes only when
// that hint does: a command's message stays until then.
void TMF::showHint(HWND over)
{
    const wchar_t *resource = nullptr;
    const int length = over ? LoadStringW(FInstance, UINT(GetDlgCtrlID(over)), reinterpret_cast<LPWSTR>(&resource), 0) : 0;
    std::wstring hint(resource ? resource : L"", std::size_t(length));
    if (hint == FHint)
        return;
    FHint = std::move(hint);
    setStatusText(FHint);
}

void TMF::setStatusText(const std::wstring &text)
{
    SendMessageW(item(IDC_STATUSBAR), SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

std::wstring TMF::statusText() const
{
    HWND bar = item(IDC_STATUSBAR);
    std::wstring text(LOWORD(SendMessageW(bar, SB_GETTEXTLENGTHW, 0, 0)), L'\0');
    SendMessageW(bar, SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(text.data()));
    return text;
}

std::string TMF::boxText(int id) const
{
    HWND box = item(id);
    std::u16string text(std::size_t(GetWindowTextLengthW(box)), u'\0');
    GetWindowTextW(box, reinterpret_cast<wchar_t *>(text.data()), int(text.size() + 1));
    text.resize(std::size_t(GetWindowTextLengthW(box)));
    return mizel::toUtf8(text);
}

void TMF::setBoxText(int id, const std::string &utf8)
{
    SetWindowTextW(item(id), wide(mizel::toUtf16(utf8)));
}

LRESULT CALLBACK TMF::editProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data)
{
    try {
        return reinterpret_cast<TMF *>(data)->handleEditMessage(edit, message, wParam, lParam);
    } catch (...) {
        mizel::showCurrentException();
        return 0;
    }
}

LRESULT TMF::handleEditMessage(HWND edit, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CHAR:
        if (SaidaiEditKeyPress(wchar_t(wParam)))
            return 0;
        break;
    case WM_IME_COMPOSITION:
        if (lParam & GCS_RESULTSTR) {
            filterInputMethodResult(edit);
            lParam &= ~LPARAM(GCS_RESULTSTR | GCS_RESULTCLAUSE | GCS_RESULTREADSTR | GCS_RESULTREADCLAUSE);
            if (lParam == 0)
                return 0;
        }
        break;
    case WM_LBUTTONUP: {
        // After the box has handled the release, which may move the cursor.
        const LRESULT result = DefSubclassProc(edit, message, wParam, lParam);
        SendMessageW(edit, EM_SETSEL, 0, -1);
        return result;
    }
    case WM_SETFOCUS: {
        const LRESULT result = DefSubclassProc(edit, message, wParam, lParam);
        // Entered by a click, the box selects its text when the button comes up.
        if (GetKeyState(VK_LBUTTON) >= 0 && GetKeyState(VK_RBUTTON) >= 0)
            SendMessageW(edit, EM_SETSEL, 0, -1);
        return result;
    }
    case WM_NCDESTROY:
        RemoveWindowSubclass(edit, editProc, 0);
        break;
    default:
        break;
    }
    return DefSubclassProc(edit, message, wParam, lParam);
}

void TMF::FormShow()
{
    if (!shownOnce) {
        shownOnce = true;
        SetFocus(item(IDC_SAIDAIEDIT));
    }
    SendMessageW(item(IDC_SAIDAIEDIT), EM_SETSEL, 0, -1);
}

// Returns true when the typed character is discarded. Editing shortcuts
// (Ctrl+C, Ctrl+V ...) arrive as control codes and are commands, not characters.
bool TMF::SaidaiEditKeyPress(wchar_t key)
{
    if (key < 0x20 && GetKeyState(VK_CONTROL) < 0)
        return false;
    return !mizel::keyFilterPasses(char32_t(key));
}

// Text committed by an input method counts as typed: each character is filtered.
void TMF::filterInputMethodResult(HWND edit)
{
    HIMC context = ImmGetContext(edit);
    if (!context)
        return;
    const LONG bytes = ImmGetCompositionStringW(context, GCS_RESULTSTR, nullptr, 0);
    std::wstring committed(bytes > 0 ? std::size_t(bytes) / sizeof(wchar_t) : 0, L'\0');
    if (!committed.empty())
        ImmGetCompositionStringW(context, GCS_RESULTSTR, committed.data(), DWORD(bytes));
    ImmReleaseContext(edit, context);
    for (wchar_t c : committed) {
        if (mizel::keyFilterPasses(char32_t(c)))
            DefSubclassProc(edit, WM_CHAR, c, 1);
    }
}

void TMF::OnajiChkClick()
{
    EnableWindow(item(IDC_SAIDAIBUTTON), IsDlgButtonChecked(FHandle, IDC_ONAJICHK) == BST_CHECKED);
}

void TMF::SaidaiButtonClick()
{
    if (IsDlgButtonChecked(FHandle, IDC_ONAJICHK) != BST_CHECKED)
        return;
    setBoxText(IDC_HASSEIEDIT, mizel::maxCountText(boxText(IDC_SAIDAIEDIT), boxText(IDC_SAISYOUEDIT)));
}

void TMF::ExeButtonClick()
{
    const mizel::RunBoxes typed{boxText(IDC_SAIDAIEDIT), boxText(IDC_SAISYOUEDIT), boxText(IDC_HASSEIEDIT),
                                IsDlgButtonChecked(FHandle, IDC_ONAJICHK) == BST_CHECKED};
    mizel::RunBoxes boxes = typed;
    mizel::fillEmptyBoxes(boxes);
    if (boxes.max != typed.max)
        setBoxText(IDC_SAIDAIEDIT, boxes.max);
    if (boxes.min != typed.min)
        setBoxText(IDC_SAISYOUEDIT, boxes.min);
    if (boxes.count != typed.count)
        setBoxText(IDC_HASSEIEDIT, boxes.count);
    ResultVector.clear();

    const mizel::RunCheck check = mizel::checkRun(boxes);
    switch (check.outcome) {
    case mizel::RunCheck::Outcome::TooMany:
        mizel::messageBox(mizel::texts::tooMany);
        return;
    case mizel::RunCheck::Outcome::MinAboveMax:
        mizel::messageBox(mizel::texts::minAboveMax);
        return;
    case mizel::RunCheck::Outcome::Generate:
        break;
    }
    if (check.countText)
        setBoxText(IDC_HASSEIEDIT, *check.countText);

    setStatusText(wideString(mizel::texts::working));
    const DWORD startTick = GetTickCount();
    // The grid must not read the list while another thread fills it.
    MizelStringGrid1->releaseVector();
    bool ended = false;
    try {
        ended = doWork(mizel::WorkKind::Run, [this, range = check.range, distinct = boxes.distinct](mizel::WorkProgress &progress) {
            mizel::fillList(ResultVector, range, distinct, progress);
        });
    } catch (...) {
        MizelStringGrid1->loadVector(&ResultVector);
        throw;
    }
    // Stopped, it leaves no list, and gives its memory back (fillList does
    // when the stop reaches it; a window closed meanwhile may find it whole).
    if (!ended)
        mizel::ValueList().swap(ResultVector);
    MizelStringGrid1->loadVector(&ResultVector);
    if (ended)
        showFinishedMessage(startTick);
}

// Runs work on a thread of its own while this thread paints, shows the
// progress and holds the user's input back; returns true when the work ended
// on its own, false when it was stopped by Escape or by closing the window.
// The work's errors are rethrown here.
bool TMF::doWork(mizel::WorkKind kind, const mizel::BackgroundWork::Work &work)
{
    const std::wstring statusBefore = statusText();
    HWND window = FHandle;
    mizel::BackgroundWork background(kind, work, [window] { PostMessageW(window, WorkEndedMessage, 0, 0); });
    struct Watching
    {
        TMF &form;
        ~Watching()
        {
            KillTimer(form.FHandle, ProgressTimer);
            form.FWork = nullptr;
            form.FTaskbar.clear();
        }
    } watching{*this};
    FWork = &background;
    FProgressText.clear();
    SetTimer(FHandle, ProgressTimer, mizel::BackgroundWork::refreshTicks, nullptr);
    std::optional<int> quitCode;
    while (!background.ended()) {
        MsgWaitForMultipleObjectsEx(0, nullptr, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        pumpDuringWork(quitCode);
    }
    if (quitCode)
        PostQuitMessage(*quitCode);

    if (std::exchange(FCloseAfterWork, false)) {
        // The work's outcome, even an error, no longer matters.
        try {
            background.finish();
        } catch (...) {
        }
        FHeldInput.clear();
        PostMessageW(FHandle, WM_CLOSE, 0, 0);
        return false;
    }
    try {
        background.finish();
    } catch (const mizel::WorkStopped &) {
        setStatusText(wideString(background.stoppedMessage()));
        return false;
    }
    if (!FProgressText.empty())
        setStatusText(statusBefore);
    return true;
}

// Everything but the user's input is handled as usual: paint, timers, sent
// messages, and the frame's own mouse messages, so that the window can be
// moved, resized and closed. Keys, characters, buttons and wheels are held
// for after the work, Escape stops it.
void TMF::pumpDuringWork(std::optional<int> &quitCode)
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            quitCode = int(message.wParam);
            continue;
        }
        switch (THeldInput::actionDuringWork(message)) {
        case THeldInput::Action::Dispatch:
            DispatchMessageW(&message);
            break;
        case THeldInput::Action::Hold:
            FHeldInput.hold(message);
            break;
        case THeldInput::Action::Drop:
            break;
        case THeldInput::Action::Stop:
            stopWork();
            break;
        }
    }
}

// From the timer, which also runs while the frame is being moved or resized.
void TMF::refreshProgress()
{
    if (!FWork)
        return;
    std::optional<std::string> text = FWork->progressMessage(mizel::tickCount());
    if (!text)
        return;
    if (*text != FProgressText) {
        setStatusText(wideString(*text));
        FProgressText = std::move(*text);
    }
    FTaskbar.show(FWork->percent(), FWork->stopRequested());
}

void TMF::stopWork()
{
    if (!FWork)
        return;
    FWork->requestStop();
    refreshProgress();
}

void TMF::showFinishedMessage(DWORD startTick)
{
    setStatusText(wideString(mizel::finishedMessage(GetTickCount() - startTick)));
}

void TMF::CopyButtonClick()
{
    // The text is made before the clipboard is opened, so that no other
    // program waits for it meanwhile, and a stopped Copy leaves it as it was.
    HGLOBAL block = nullptr;
    const bool ended = doWork(mizel::WorkKind::Copy, [this, &block](mizel::WorkProgress &progress) {
        block = clipboardText(ResultVector, progress);
    });
    if (!ended) {
        if (block)
            GlobalFree(block);
        return;
    }

    if (!openClipboard(FHandle)) {
        GlobalFree(block);
        throw mizel::Exception(std::string(mizel::texts::clipboardNotOpened));
    }
    EmptyClipboard();
    const bool stored = SetClipboardData(CF_UNICODETEXT, block) != nullptr;
    CloseClipboard();
    if (!stored) {
        GlobalFree(block);
        throw std::bad_alloc();
    }
    mizel::messageBox(mizel::texts::copied);
}

void TMF::SaveButtonClick()
{
    std::u16string filter;
    for (const mizel::texts::SaveFileType &type : mizel::texts::saveFileTypes)
        filter += mizel::toUtf16(type.name) + u'\0' + mizel::toUtf16(type.patterns) + u'\0';
    const std::u16string defaultSuffix = mizel::toUtf16(mizel::texts::defaultSuffix);
    std::wstring fileName = savedFileName;
    fileName.resize(MaxPathLength);

    OPENFILENAMEW SD{};
    SD.lStructSize = sizeof SD;
    SD.hwndOwner = FHandle;
    SD.lpstrFilter = wide(filter);
    SD.nFilterIndex = DWORD(savedFilterIndex);
    SD.lpstrFile = fileName.data();
    SD.nMaxFile = MaxPathLength;
    SD.lpstrDefExt = wide(defaultSuffix);
    SD.Flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_ENABLESIZING | OFN_EXPLORER | OFN_PATHMUSTEXIST
        | OFN_NOCHANGEDIR;
    if (!GetSaveFileNameW(&SD)) {
        if (CommDlgExtendedError() != 0)
            throw mizel::Exception(std::string(mizel::texts::unknownError));
        return;
    }
    savedFileName = fileName.c_str();
    savedFilterIndex = int(SD.nFilterIndex);

    // Stopped, saveList leaves the earlier file as it was.
    const std::filesystem::path path(savedFileName);
    const mizel::ListFormat format = mizel::formatForFilterIndex(savedFilterIndex);
    bool saved = false;
    if (!doWork(mizel::WorkKind::Save, [this, &path, format, &saved](mizel::WorkProgress &progress) {
            saved = mizel::saveList(path, ResultVector, format, progress);
        }))
        return;
    if (!saved)
        mizel::messageBox(mizel::texts::notSaved);
    else if (!ResultVector.empty())
        mizel::messageBox(mizel::texts::saved);
}
