#pragma once
// What the one-column result grid shows, apart from any toolkit: the text of
// a row, where a text too wide for its cell breaks, and which rows a view of
// a given height holds. The grid scrolls by row and formats only the cells it
// paints, so a list of any length is shown without copying it.
#include "ValueList.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace mizel {

// Where a cell text too wide for its cell breaks: fits means one line at the
// cell's bottom; otherwise the first firstLength bytes go on line 1 and the
// rest on line 2.
struct GridTextSplit
{
    bool fits;
    int firstLength;
};

// Text is cp932 bytes measuring E pixels; W is the shrunk cell width.
GridTextSplit splitGridText(std::string_view text, int E, int W);

// The cp932 bytes of the header cell.
std::string_view gridHeaderText();
// Element row - 1 of the list as text; empty for row 0, with no list bound,
// and for rows past the list's end.
std::string gridNumberText(const ValueList *list, std::int64_t row);
// The text a cell shows: the header, a number, or nothing past the list's end.
std::string gridCellText(const ValueList *list, std::int64_t row);

// Rows for a list of n values: the header and one a value, as many as an int
// row index reaches; an empty list leaves the header alone.
int gridRowCount(std::size_t n);

// The keys that move through the grid.
enum class GridKey { Up, Down, PageUp, PageDown, Home, End };

// Where a key takes the view's top row and the focused row.
struct GridMove
{
    std::int64_t top;     // not yet clamped: the view clamps it as it scrolls
    std::int64_t current; // a row below the fixed ones
};

// The rows of a grid and the place of a view of viewHeight pixels in them:
// fixed rows at its top, then rows from top on. Every row is pitch pixels
// high, its grid line included.
struct GridRows
{
    static constexpr int rowHeight = 20;
    static constexpr int lineWidth = 1;
    static constexpr int pitch = rowHeight + lineWidth;

    std::int64_t count;
    std::int64_t fixed;
    std::int64_t top;
    std::int64_t viewHeight;

    // Rows below the fixed ones that fit whole; at least one.
    std::int64_t fullVisible() const;
    // The last top row: the one that shows the last row at the view's bottom.
    std::int64_t maxTop() const;
    std::int64_t clampTop(std::int64_t row) const;
    // The top row that brings row into view with as little scrolling as can be.
    std::int64_t topShowing(std::int64_t row) const;
    std::int64_t clampRow(std::int64_t row) const { return row < fixed ? fixed : row >= count ? count - 1 : row; }
    // Rows with a cell in the view: the fixed ones, then those from top that
    // start inside it. Index i of them is shown at y = i * pitch.
    std::int64_t inView() const;
    std::int64_t rowInView(std::int64_t index) const { return index < fixed ? index : top + (index - fixed); }
    std::int64_t indexInView(std::int64_t row) const;  // -1 for a row out of view
    // The row at y in the view, -1 above it or past the last row. A grid line
    // belongs to the cell above it.
    std::int64_t rowAt(std::int64_t y) const;
    // The row a selection dragged to y reaches: past the top or the bottom of
    // the view, the row just beyond it, so that each move scrolls one row in.
    std::int64_t dragRow(std::int64_t y) const;
    // A key pressed with the focus on row current. Ctrl with Up or Down
    // scrolls the view and leaves the focus; with Page Up or Page Down it
    // moves the focus to the view's first or last whole row.
    GridMove moveByKey(GridKey key, bool ctrl, std::int64_t current) const;
};

} // namespace mizel
