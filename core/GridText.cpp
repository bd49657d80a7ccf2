#include "GridText.h"

#include "Cp932.h"
#include "NumberText.h"
#include "Texts.h"
#include "Unicode.h"

#include <algorithm>
#include <climits>

namespace mizel {

GridTextSplit splitGridText(std::string_view text, int E, int W)
{
    const int L = int(text.size());
    if (W >= E)
        return {true, L};
    const int avg = L > 0 ? E / L : 0;
    // A text narrower than one pixel a byte has no average to split by.
    if (avg == 0)
        return {false, L};
    // Bytes that fit at the average width, less a margin of four; clamped in
    // 64 bits so that no width, however wild, overflows.
    int k = int(std::clamp<std::int64_t>(std::int64_t(W) / avg - 4, 0, L + 1));
    if (isTrailByte(text, k))
        ++k;
    // Byte k opening a pair moves the whole pair to line 2.
    const int s = isTrailByte(text, k + 1) ? k - 1 : k;
    return {false, std::clamp(s, 0, L)};
}

std::string_view gridHeaderText()
{
    static const std::string header = toCp932(toUtf16(texts::gridHeader));
    return header;
}

std::string gridNumberText(const ValueList *list, std::int64_t row)
{
    if (!list || row <= 0 || std::uint64_t(row - 1) >= list->size())
        return {};
    char text[maxNumberTextLength];
    const char *end = formatNumber(text, (*list)[std::size_t(row - 1)]);
    return std::string(text, std::size_t(end - text));
}

std::string gridCellText(const ValueList *list, std::int64_t row)
{
    return row == 0 ? std::string(gridHeaderText()) : gridNumberText(list, row);
}

int gridRowCount(std::size_t n)
{
    return n > 0 ? int(std::min<std::size_t>(n, INT_MAX - 1) + 1) : 1;
}

std::int64_t GridRows::fullVisible() const
{
    return std::max<std::int64_t>((viewHeight - fixed * pitch) / pitch, 1);
}

std::int64_t GridRows::maxTop() const
{
    return std::max(fixed, count - fullVisible());
}

std::int64_t GridRows::clampTop(std::int64_t row) const
{
    return std::clamp(row, fixed, maxTop());
}

std::int64_t GridRows::topShowing(std::int64_t row) const
{
    if (row < fixed)
        return top;
    if (row < top)
        return clampTop(row);
    const std::int64_t full = fullVisible();
    return row >= top + full ? clampTop(row - full + 1) : top;
}

std::int64_t GridRows::inView() const
{
    const std::int64_t started = (viewHeight + pitch - 1) / pitch;
    const std::int64_t fixedShown = std::min(fixed, started);
    return fixedShown + std::clamp<std::int64_t>(started - fixedShown, 0, count - top);
}

std::int64_t GridRows::indexInView(std::int64_t row) const
{
    const std::int64_t index = row < fixed ? row : fixed + (row - top);
    return index >= 0 && index < inView() && row >= 0 && row < count ? index : -1;
}

std::int64_t GridRows::rowAt(std::int64_t y) const
{
    if (y < 0)
        return -1;
    const std::int64_t fixedHeight = fixed * pitch;
    const std::int64_t row = y < fixedHeight ? y / pitch : top + (y - fixedHeight) / pitch;
    return row < count ? row : -1;
}

std::int64_t GridRows::dragRow(std::int64_t y) const
{
    const std::int64_t fixedHeight = fixed * pitch;
    const std::int64_t row = y < fixedHeight ? top - 1 : std::min(top + (y - fixedHeight) / pitch, top + fullVisible());
    return clampRow(row);
}

GridMove GridRows::moveByKey(GridKey key, bool ctrl, std::int64_t current) const
{
    const std::int64_t lastFullVisible = top + fullVisible() - 1;
    const std::int64_t page = std::max<std::int64_t>(lastFullVisible - top, 1);
    GridMove move{top, current};
    switch (key) {
    case GridKey::Up:
        if (ctrl)
            --move.top;
        else
            --move.current;
        break;
    case GridKey::Down:
        if (ctrl)
            ++move.top;
        else
            ++move.current;
        break;
    case GridKey::PageUp:
        if (ctrl) {
            move.current = top;
        } else {
            move.current -= page;
            move.top -= page;
        }
        break;
    case GridKey::PageDown:
        if (ctrl) {
            move.current = lastFullVisible;
        } else {
            move.current += page;
            move.top += page;
        }
        break;
    // With one column, Home and End go to the first and last row with or without Ctrl.
    case GridKey::Home:
        move.current = fixed;
        break;
    case GridKey::End:
        move.current = count - 1;
        break;
    }
    move.current = clampRow(move.current);
    return move;
}

} // namespace mizel
