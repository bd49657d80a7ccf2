#pragma once
// One-column result grid that shows a list of any length without copying it:
// it scrolls by row and formats only the cells it paints. A window class of
// its own, drawn with GDI at the scale of the monitor it is on.
#include <windows.h>

#include "GridText.h"

#include <cstdint>
#include <string>

class TMizelStringGridAccessible;

class TMizelStringGrid
{
public:
    static constexpr const wchar_t *ClassName = L"TMizelStringGrid";
    static constexpr int ColWidth = 261;
    static constexpr int DefaultRowHeight = mizel::GridRows::rowHeight;
    static constexpr int GridLineWidth = mizel::GridRows::lineWidth;

    static void registerClass(HINSTANCE instance);
    static TMizelStringGrid *fromHandle(HWND window);

    // Binds the list (never copied) and repaints before returning.
    void loadVector(const mizel::ValueList *list);
    // Stops reading the list, which another thread is about to fill: the rows
    // stay as they are, blank, until the next loadVector.
    void releaseVector();

    HWND handle() const { return FHandle; }
    bool hasFocus() const { return GetFocus() == FHandle; }
    // The rows and the view, in pixels at 96 DPI.
    mizel::GridRows rows() const;
    std::int64_t currentRow() const { return FCurrent; }
    bool isRowSelected(std::int64_t row) const;
    // The cp932 text a cell shows: the header, a number, or nothing past the list's end.
    std::string cellText(std::int64_t row) const;
    // Where a row's cell lies on the screen; empty when the row is out of view.
    RECT cellScreenRect(std::int64_t row) const;
    // The row under a point of the screen, -1 for none.
    std::int64_t rowAtScreen(POINT point) const;
    // Moves the focus to the grid and its current cell to row.
    void takeFocus(std::int64_t row);

private:
    enum GridDrawFlag { gdSelected = 0x1, gdFocused = 0x2, gdFixed = 0x4 };
    using TGridDrawState = unsigned;

    explicit TMizelStringGrid(HWND window);
    ~TMizelStringGrid();
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    // Draws the text of one cell; the background, edges and focus are paintCell's.
    void DrawCell(int ACol, std::int64_t ARow, const RECT &Rect, TGridDrawState State);
    void GridTextOut(RECT Rect, const std::string &Text);

    void paint();
    void paintCell(std::int64_t row, int y);
    int scaled(int pixels) const { return MulDiv(pixels, FDpi, 96); }
    int viewHeight() const;
    void setRowCount(std::int64_t value);
    void setFixedRows(std::int64_t value);
    void updateScrollRange();
    void setTopRow(std::int64_t row);
    void scrollIntoView(std::int64_t row);
    void focusCell(std::int64_t row, bool moveAnchor);
    void announceCurrentCell();
    std::int64_t rowAt(int y) const;
    void keyDown(WPARAM virtualKey);
    void mouseDown(int x, int y);
    void mouseMove(int y);
    void wheel(int delta);
    void verticalScroll(int request);

    HWND FHandle;
    UINT FDpi;
    HFONT FFont = nullptr;
    const mizel::ValueList *FVector = nullptr;
    std::int64_t RowCount = 2;
    std::int64_t FixedRows = 1;
    std::int64_t FTop = 1;
    std::int64_t FCurrent = 1;
    std::int64_t FAnchor = 1;
    bool FSelecting = false;
    int FWheelRemainder = 0;
    HDC Canvas = nullptr; // set while a paint is under way
    TMizelStringGridAccessible *FAccessible = nullptr;
};
