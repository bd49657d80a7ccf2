#include "Mizelstringgrid.h"

#include "Cp932.h"
#include "MessageBox.h"
#include "MizelstringgridAccessible.h"

#include <algorithm>
#include <stdexcept>
#include <oleacc.h>
#include <windowsx.h>

namespace {

constexpr std::int64_t RowPitch = mizel::GridRows::pitch;

// Grid lines take their colour on the way from the window to the text colour:
// all the way around fixed cells, and a quarter (63 of 255) elsewhere, which
// gives the classic black and silver on white under black text and lines
// that neither vanish nor glare on a dark scheme.
constexpr int FixedLineInk = 255;
constexpr int LineInk = 63;

COLORREF lineColor(int ink)
{
    const COLORREF base = GetSysColor(COLOR_WINDOW);
    const COLORREF text = GetSysColor(COLOR_WINDOWTEXT);
    const auto mix = [ink](int from, int to) { return from + (to - from) * ink / 255; };
    return RGB(mix(GetRValue(base), GetRValue(text)), mix(GetGValue(base), GetGValue(text)),
               mix(GetBValue(base), GetBValue(text)));
}

void fill(HDC dc, int left, int top, int width, int height, COLORREF color)
{
    const RECT rect{left, top, left + width, top + height};
    SetBkColor(dc, color);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
}

const wchar_t *wide(const std::u16string &text)
{
    return reinterpret_cast<const wchar_t *>(text.c_str());
}

} // namespace

void TMizelStringGrid::registerClass(HINSTANCE instance)
{
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_DBLCLKS;
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = ClassName;
    if (!RegisterClassExW(&windowClass))
        throw std::runtime_error("RegisterClassEx failed");
}

TMizelStringGrid *TMizelStringGrid::fromHandle(HWND window)
{
    return reinterpret_cast<TMizelStringGrid *>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

TMizelStringGrid::TMizelStringGrid(HWND window)
    : FHandle(window)
    , FDpi(GetDpiForWindow(window))
{
}

TMizelStringGrid::~TMizelStringGrid()
{
    if (FAccessible)
        FAccessible->disconnect();
}

LRESULT CALLBACK TMizelStringGrid::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE)
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(new TMizelStringGrid(window)));
    TMizelStringGrid *grid = fromHandle(window);
    if (!grid)
        return DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        delete grid;
        return DefWindowProcW(window, message, wParam, lParam);
    }
    try {
        return grid->handleMessage(message, wParam, lParam);
    } catch (...) {
        mizel::showCurrentException();
        return 0;
    }
}

LRESULT TMizelStringGrid::handleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        updateScrollRange();
        return 0;
    case WM_SETFONT:
        FFont = reinterpret_cast<HFONT>(wParam);
        if (LOWORD(lParam))
            InvalidateRect(FHandle, nullptr, FALSE);
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(FFont);
    case WM_DPICHANGED_AFTERPARENT:
        FDpi = GetDpiForWindow(FHandle);
        updateScrollRange();
        InvalidateRect(FHandle, nullptr, FALSE);
        return 0;
    case WM_SIZE:
        updateScrollRange();
        InvalidateRect(FHandle, nullptr, FALSE);
        return 0;
    case WM_ERASEBKGND:
        return 1; // paint() covers every pixel
    case WM_PAINT:
        paint();
        return 0;
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS;
    case WM_KEYDOWN:
        keyDown(wParam);
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        mouseDown(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        return 0;
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        SetFocus(FHandle);
        return 0;
    case WM_MOUSEMOVE:
        if (FSelecting)
            mouseMove(GET_Y_LPARAM(lParam));
        return 0;
    case WM_LBUTTONUP:
        if (FSelecting)
            ReleaseCapture();
        return 0;
    case WM_CAPTURECHANGED:
        FSelecting = false;
        return 0;
    case WM_MOUSEWHEEL:
        wheel(GET_WHEEL_DELTA_WPARAM(wParam));
        return 0;
    case WM_VSCROLL:
        verticalScroll(LOWORD(wParam));
        return 0;
    case WM_SETFOCUS:
        InvalidateRect(FHandle, nullptr, FALSE);
        // The system announces the grid itself; the cell comes after it.
        announceCurrentCell();
        return 0;
    case WM_KILLFOCUS:
        InvalidateRect(FHandle, nullptr, FALSE);
        return 0;
    case WM_SYSCOLORCHANGE:
        InvalidateRect(FHandle, nullptr, FALSE);
        return 0;
    case WM_GETOBJECT:
        if (static_cast<LONG>(lParam) == OBJID_CLIENT) {
            if (!FAccessible)
                FAccessible = new TMizelStringGridAccessible(this);
            // __uuidof, not IID_IAccessible: MinGW's import library holds the
            // latter as data of oleacc.dll, which a plain reference misses.
            return LresultFromObject(__uuidof(IAccessible), wParam, FAccessible);
        }
        break;
    default:
        break;
    }
    return DefWindowProcW(FHandle, message, wParam, lParam);
}

void TMizelStringGrid::loadVector(const mizel::ValueList *list)
{
    FVector = list;
    setRowCount(mizel::gridRowCount(list->size()));
    NotifyWinEvent(EVENT_OBJECT_REORDER, FHandle, OBJID_CLIENT, CHILDID_SELF);
    RedrawWindow(FHandle, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

void TMizelStringGrid::releaseVector()
{
    FVector = nullptr;
    InvalidateRect(FHandle, nullptr, FALSE);
}

mizel::GridRows TMizelStringGrid::rows() const
{
    return {RowCount, FixedRows, FTop, viewHeight()};
}

int TMizelStringGrid::viewHeight() const
{
    RECT client;
    GetClientRect(FHandle, &client);
    return MulDiv(client.bottom, 96, int(FDpi));
}

bool TMizelStringGrid::isRowSelected(std::int64_t row) const
{
    return row >= FixedRows && row >= std::min(FAnchor, FCurrent) && row <= std::max(FAnchor, FCurrent);
}

std::string TMizelStringGrid::cellText(std::int64_t row) const
{
    return mizel::gridCellText(FVector, row);
}

RECT TMizelStringGrid::cellScreenRect(std::int64_t row) const
{
    const std::int64_t index = rows().indexInView(row);
    if (index < 0)
        return {};
    const int y = int(index * RowPitch);
    RECT rect{0, scaled(y), scaled(ColWidth), scaled(y + DefaultRowHeight)};
    MapWindowPoints(FHandle, HWND_DESKTOP, reinterpret_cast<POINT *>(&rect), 2);
    return rect;
}

std::int64_t TMizelStringGrid::rowAtScreen(POINT point) const
{
    ScreenToClient(FHandle, &point);
    RECT client;
    GetClientRect(FHandle, &client);
    if (point.x < 0 || point.x >= scaled(ColWidth + GridLineWidth) || point.y >= client.bottom)
        return -1;
    return rowAt(point.y);
}

void TMizelStringGrid::takeFocus(std::int64_t row)
{
    SetFocus(FHandle);
    if (row >= FixedRows && row < RowCount)
        focusCell(row, true);
}

void TMizelStringGrid::setRowCount(std::int64_t value)
{
    value = std::max<std::int64_t>(value, 1);
    if (value == RowCount)
        return;
    // A grid keeps at least one row that is not fixed.
    if (value <= FixedRows)
        setFixedRows(value - 1);
    RowCount = value;
    if (FCurrent >= RowCount)
        FCurrent = FAnchor = RowCount - 1;
    FAnchor = std::min(FAnchor, RowCount - 1);
    FTop = rows().clampTop(FTop);
    updateScrollRange();
}

void TMizelStringGrid::setFixedRows(std::int64_t value)
{
    // As a string grid does, a new fixed row count starts the view, the focus
    // and the selection afresh at the first row below the fixed ones.
    FixedRows = value;
    FCurrent = FAnchor = FTop = FixedRows;
}

// The scroll bar counts rows, never pixels, so any row count fits its int range.
void TMizelStringGrid::updateScrollRange()
{
    const mizel::GridRows view = rows();
    FTop = view.clampTop(FTop);
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    info.nMin = 0;
    info.nPage = UINT(view.fullVisible());
    info.nMax = int(view.maxTop() - FixedRows + view.fullVisible() - 1);
    info.nPos = int(FTop - FixedRows);
    SetScrollInfo(FHandle, SB_VERT, &info, TRUE);
}

void TMizelStringGrid::setTopRow(std::int64_t row)
{
    row = rows().clampTop(row);
    if (row == FTop)
        return;
    FTop = row;
    SetScrollPos(FHandle, SB_VERT, int(FTop - FixedRows), TRUE);
    InvalidateRect(FHandle, nullptr, FALSE);
    NotifyWinEvent(EVENT_OBJECT_REORDER, FHandle, OBJID_CLIENT, CHILDID_SELF);
}

void TMizelStringGrid::scrollIntoView(std::int64_t row)
{
    if (row >= FixedRows)
        setTopRow(rows().topShowing(row));
}

void TMizelStringGrid::focusCell(std::int64_t row, bool moveAnchor)
{
    FCurrent = row;
    if (moveAnchor)
        FAnchor = FCurrent;
    scrollIntoView(row);
    InvalidateRect(FHandle, nullptr, FALSE);
    announceCurrentCell();
}

// Tells screen readers which cell has the focus now, so they read it out.
void TMizelStringGrid::announceCurrentCell()
{
    if (!hasFocus())
        return;
    const std::int64_t index = rows().indexInView(FCurrent);
    if (index >= 0) {
        NotifyWinEvent(EVENT_OBJECT_SELECTION, FHandle, OBJID_CLIENT, LONG(index + 1));
        NotifyWinEvent(EVENT_OBJECT_FOCUS, FHandle, OBJID_CLIENT, LONG(index + 1));
    }
}

std::int64_t TMizelStringGrid::rowAt(int y) const
{
    return rows().rowAt(MulDiv(y, 96, int(FDpi)));
}

void TMizelStringGrid::paint()
{
    PAINTSTRUCT ps;
    HDC screen = BeginPaint(FHandle, &ps);
    RECT client;
    GetClientRect(FHandle, &client);
    // Drawn off screen and shown at once, so nothing flickers while scrolling.
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, std::max<LONG>(client.right, 1), std::max<LONG>(client.bottom, 1));
    HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
    HGDIOBJ oldFont = SelectObject(dc, FFont ? FFont : GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    Canvas = dc;
    // The area beyond the column and below the last row shows the grid's colour.
    fill(dc, 0, 0, client.right, client.bottom, GetSysColor(COLOR_WINDOW));
    const mizel::GridRows view = rows();
    for (std::int64_t index = 0, shown = view.inView(); index < shown; ++index)
        paintCell(view.rowInView(index), int(index * RowPitch));
    Canvas = nullptr;
    BitBlt(screen, 0, 0, client.right, client.bottom, dc, 0, 0, SRCCOPY);
    SelectObject(dc, oldFont);
    SelectObject(dc, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(dc);
    EndPaint(FHandle, &ps);
}

// One cell with the grid lines to its right and below it. Lines are a whole
// number of device pixels (one at fractional scales), and the cell's inside
// reaches them, so nothing alternates in thickness from row to row.
void TMizelStringGrid::paintCell(std::int64_t row, int y)
{
    const bool fixed = row < FixedRows;
    TGridDrawState state = 0;
    if (fixed)
        state |= gdFixed;
    else if (isRowSelected(row))
        state |= gdSelected;
    if (row == FCurrent && hasFocus())
        state |= gdFocused;
    const bool highlighted = (state & gdSelected) && !(state & gdFocused);

    const int top = scaled(y);
    const int right = scaled(ColWidth + GridLineWidth);
    const int bottom = scaled(y + int(RowPitch));
    const int line = std::max(1, GridLineWidth * int(FDpi) / 96);
    const RECT inside{0, top, right - line, bottom - line};
    const int width = inside.right - inside.left;
    const int height = inside.bottom - inside.top;

    const COLORREF lines = lineColor(fixed ? FixedLineInk : LineInk);
    fill(Canvas, inside.right, top, line, height + line, lines);
    fill(Canvas, 0, inside.bottom, width, line, lines);
    fill(Canvas, 0, top, width, height,
         GetSysColor(highlighted ? COLOR_HIGHLIGHT : fixed ? COLOR_BTNFACE : COLOR_WINDOW));

    SetTextColor(Canvas, GetSysColor(highlighted ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    DrawCell(0, row, inside, state);

    if (fixed) {
        // Raised edge: light top and left, dark bottom and right.
        const COLORREF dark = GetSysColor(COLOR_3DSHADOW);
        const COLORREF light = GetSysColor(COLOR_3DHILIGHT);
        fill(Canvas, inside.right - line, top, line, height, dark);
        fill(Canvas, 0, inside.bottom - line, width, line, dark);
        fill(Canvas, 0, top, width - line, line, light);
        fill(Canvas, 0, top, line, height - line, light);
    }
    if (state & gdFocused) {
        SetTextColor(Canvas, GetSysColor(COLOR_WINDOWTEXT));
        SetBkColor(Canvas, GetSysColor(COLOR_WINDOW));
        DrawFocusRect(Canvas, &inside);
    }
}

void TMizelStringGrid::DrawCell(int ACol, std::int64_t ARow, const RECT &Rect, TGridDrawState)
{
    if (ACol == 0 && ARow == 0) {
        GridTextOut(Rect, std::string(mizel::gridHeaderText()));
        return;
    }
    const std::string text = mizel::gridNumberText(FVector, ARow);
    if (!text.empty())
        GridTextOut(Rect, text);
}

void TMizelStringGrid::GridTextOut(RECT Rect, const std::string &Text)
{
    const std::u16string text = mizel::fromCp932(Text);
    SIZE extent{};
    GetTextExtentPoint32W(Canvas, wide(text), int(text.size()), &extent);
    const int E = extent.cx;
    const int H = extent.cy;
    Rect.left += scaled(2);
    Rect.bottom -= scaled(2);
    const int W = Rect.right - Rect.left;
    const mizel::GridTextSplit split = mizel::splitGridText(Text, E, W);
    if (split.fits) {
        // One line standing on the shrunk bottom edge, clipped to the shrunk rectangle.
        DrawTextW(Canvas, wide(text), -1, &Rect, DT_SINGLELINE | DT_BOTTOM | DT_NOPREFIX);
        return;
    }
    // Two lines from the cell's top, unclipped: line 2 may run into the next row.
    const int x = Rect.left + scaled(GridLineWidth);
    const int y = Rect.top + scaled(GridLineWidth);
    const std::u16string first = mizel::fromCp932(std::string_view(Text).substr(0, split.firstLength));
    const std::u16string second = mizel::fromCp932(std::string_view(Text).substr(split.firstLength));
    TextOutW(Canvas, x, y, wide(first), int(first.size()));
    TextOutW(Canvas, x, y + H, wide(second), int(second.size()));
}

void TMizelStringGrid::keyDown(WPARAM virtualKey)
{
    mizel::GridKey key;
    switch (virtualKey) {
    case VK_UP:
        key = mizel::GridKey::Up;
        break;
    case VK_DOWN:
        key = mizel::GridKey::Down;
        break;
    case VK_PRIOR:
        key = mizel::GridKey::PageUp;
        break;
    case VK_NEXT:
        key = mizel::GridKey::PageDown;
        break;
    case VK_HOME:
        key = mizel::GridKey::Home;
        break;
    case VK_END:
        key = mizel::GridKey::End;
        break;
    default:
        return;
    }
    const mizel::GridRows view = rows();
    const mizel::GridMove move = view.moveByKey(key, GetKeyState(VK_CONTROL) < 0, FCurrent);
    if (move.top != view.top)
        setTopRow(move.top);
    if (move.current != FCurrent)
        focusCell(move.current, GetKeyState(VK_SHIFT) >= 0);
}

void TMizelStringGrid::mouseDown(int x, int y)
{
    SetFocus(FHandle);
    const std::int64_t row = rowAt(y);
    // Fixed rows and the space beside the column take no clicks.
    if (x >= scaled(ColWidth + GridLineWidth) || row < FixedRows)
        return;
    FSelecting = true;
    SetCapture(FHandle);
    if (GetKeyState(VK_SHIFT) < 0) {
        FAnchor = row;
        scrollIntoView(row);
        InvalidateRect(FHandle, nullptr, FALSE);
    } else {
        focusCell(row, true);
    }
}

// Dragging past the top or bottom of the view extends the selection one row
// a move, scrolling it in.
void TMizelStringGrid::mouseMove(int y)
{
    const std::int64_t anchor = rows().dragRow(MulDiv(y, 96, int(FDpi)));
    if (anchor == FAnchor)
        return;
    FAnchor = anchor;
    scrollIntoView(anchor);
    InvalidateRect(FHandle, nullptr, FALSE);
}

// The view scrolls by the system's lines per notch, in rows; the focus stays.
void TMizelStringGrid::wheel(int delta)
{
    UINT lines = 3;
    SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
    FWheelRemainder += delta;
    const int notches = FWheelRemainder / WHEEL_DELTA;
    if (notches == 0)
        return;
    FWheelRemainder -= notches * WHEEL_DELTA;
    const std::int64_t step = lines == WHEEL_PAGESCROLL ? rows().fullVisible() : std::int64_t(lines);
    setTopRow(FTop - notches * step);
}

void TMizelStringGrid::verticalScroll(int request)
{
    const std::int64_t page = rows().fullVisible();
    switch (request) {
    case SB_LINEUP:
        setTopRow(FTop - 1);
        break;
    case SB_LINEDOWN:
        setTopRow(FTop + 1);
        break;
    case SB_PAGEUP:
        setTopRow(FTop - page);
        break;
    case SB_PAGEDOWN:
        setTopRow(FTop + page);
        break;
    case SB_TOP:
        setTopRow(FixedRows);
        break;
    case SB_BOTTOM:
        setTopRow(rows().maxTop());
        break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: {
        // The message's own position has 16 bits; the tracking position has 32.
        SCROLLINFO info{};
        info.cbSize = sizeof info;
        info.fMask = SIF_TRACKPOS;
        GetScrollInfo(FHandle, SB_VERT, &info);
        setTopRow(FixedRows + info.nTrackPos);
        break;
    }
    default:
        break;
    }
}
