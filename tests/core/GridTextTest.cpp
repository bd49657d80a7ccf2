#include "Cp932.h"
#include "GridText.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <utility>
#include <vector>

using mizel::splitGridText;

namespace {

const std::string twentyDigits("12345678901234567890");
const std::string headerThrice = "\x97\x90\x90\x94\x97\x90\x90\x94\x97\x90\x90\x94";  // 乱数乱数乱数

} // namespace

TEST(GridTextSplit, TextNoWiderThanTheCellFits)
{
    EXPECT_TRUE(splitGridText(twentyDigits, 100, 100).fits);  // equality fits
    EXPECT_TRUE(splitGridText(twentyDigits, 60, 259).fits);
    EXPECT_FALSE(splitGridText(twentyDigits, 101, 100).fits);
}

TEST(GridTextSplit, SingleByteTextSplitsAtTheAverageWidthLessFour)
{
    // avg 6, k = 100 / 6 - 4 = 12.
    const auto split = splitGridText(twentyDigits, 120, 100);
    EXPECT_FALSE(split.fits);
    EXPECT_EQ(split.firstLength, 12);
}

TEST(GridTextSplit, DoubleByteCharacterIsNeverCut)
{
    // avg 6, k = 4 is a trail byte so k = 5; byte 6 is a trail byte so s = 4.
    const auto split = splitGridText(headerThrice, 72, 50);
    EXPECT_FALSE(split.fits);
    EXPECT_EQ(split.firstLength, 4);
    EXPECT_EQ(mizel::fromCp932(headerThrice.substr(0, split.firstLength)), u"乱数");
    EXPECT_EQ(mizel::fromCp932(headerThrice.substr(split.firstLength)), u"乱数乱数");

    // k = 2 lands on the trail byte of 乱 and the next byte stands alone: s = 3.
    EXPECT_EQ(splitGridText(std::string("\x97\x90" "abcdef"), 8, 6).firstLength, 3);
    // k = 2 lands on the lead byte of 乱: the pair moves to line 2, s = 1.
    EXPECT_EQ(splitGridText(std::string("a\x97\x90" "bcdefg"), 9, 6).firstLength, 1);
    // A trail byte with an ASCII value (表 is 95 5C) counts as a trail byte too.
    EXPECT_EQ(splitGridText(std::string("a\x95\x5C" "bcdefg"), 9, 6).firstLength, 1);
}

TEST(GridTextSplit, FirstLineLengthIsLimitedToTheText)
{
    // W / avg of 4 or less leaves line 1 empty.
    EXPECT_EQ(splitGridText(twentyDigits, 120, 24).firstLength, 0);
    EXPECT_EQ(splitGridText(twentyDigits, 120, 5).firstLength, 0);
    EXPECT_EQ(splitGridText(headerThrice, 72, 0).firstLength, 0);
    // avg truncated to 1 makes k = 14 for 10 bytes: all on line 1.
    const auto whole = splitGridText(std::string("0123456789"), 19, 18);
    EXPECT_FALSE(whole.fits);
    EXPECT_EQ(whole.firstLength, 10);
}

TEST(GridTextSplit, TextNarrowerThanOnePixelAByteStaysWhole)
{
    // avg would be 0: no division, the whole text on line 1.
    const auto split = splitGridText(std::string("0123456789"), 5, 3);
    EXPECT_FALSE(split.fits);
    EXPECT_EQ(split.firstLength, 10);
}

TEST(GridText, CellTexts)
{
    const mizel::ValueList list{7, -2147483648};
    EXPECT_EQ(mizel::gridCellText(&list, 0), "\x97\x90\x90\x94");
    EXPECT_EQ(mizel::gridCellText(&list, 1), "7");
    EXPECT_EQ(mizel::gridCellText(&list, 2), "-2147483648");
    EXPECT_EQ(mizel::gridCellText(&list, 3), "");
    EXPECT_EQ(mizel::gridCellText(nullptr, 1), "");
    EXPECT_EQ(mizel::gridNumberText(&list, 0), "");
}

// A view 320 pixels high: 16 rows started in it, the header and 14 whole rows below it.
TEST(GridText, RowsOfAView)
{
    EXPECT_EQ(mizel::gridRowCount(0), 1);
    EXPECT_EQ(mizel::gridRowCount(20), 21);
    EXPECT_EQ(mizel::gridRowCount(SIZE_MAX), INT32_MAX);

    const mizel::GridRows rows{101, 1, 1, 320};
    EXPECT_EQ(rows.fullVisible(), 14);
    EXPECT_EQ(rows.maxTop(), 87);
    EXPECT_EQ(rows.clampTop(500), 87);
    EXPECT_EQ(rows.inView(), 16);
    EXPECT_EQ(rows.rowInView(0), 0);
    EXPECT_EQ(rows.rowInView(15), 15);
    EXPECT_EQ(rows.indexInView(16), -1);
    // A grid line belongs to the row above it.
    EXPECT_EQ(rows.rowAt(20), 0);
    EXPECT_EQ(rows.rowAt(21), 1);
    EXPECT_EQ(rows.rowAt(-1), -1);
    EXPECT_EQ(mizel::GridRows({3, 1, 1, 320}).rowAt(63), -1);
    // Scrolling shows a row with as little movement as can be.
    EXPECT_EQ(rows.topShowing(10), 1);
    EXPECT_EQ(rows.topShowing(15), 2);
    EXPECT_EQ(rows.topShowing(0), 1);
    EXPECT_EQ(mizel::GridRows({101, 1, 40, 320}).topShowing(30), 30);
    // A drag above or below the view reaches one row beyond it.
    EXPECT_EQ(mizel::GridRows({101, 1, 40, 320}).dragRow(5), 39);
    EXPECT_EQ(rows.dragRow(10000), 15);
    EXPECT_EQ(rows.dragRow(-10), 1);
    // A short list: every row in view, and no scrolling.
    const mizel::GridRows few{4, 1, 1, 320};
    EXPECT_EQ(few.inView(), 4);
    EXPECT_EQ(few.maxTop(), 1);
}

// Rows 40 to 53 whole in view, the focus on row 45.
TEST(GridText, KeysMoveTheFocusAndTheView)
{
    using mizel::GridKey;
    using Move = std::pair<std::int64_t, std::int64_t>; // top, current
    const mizel::GridRows rows{101, 1, 40, 320};
    const auto move = [&](GridKey key, bool ctrl) {
        const mizel::GridMove to = rows.moveByKey(key, ctrl, 45);
        return Move(to.top, to.current);
    };
    EXPECT_EQ(move(GridKey::Up, false), Move(40, 44));
    EXPECT_EQ(move(GridKey::Up, true), Move(39, 45));
    EXPECT_EQ(move(GridKey::Down, true), Move(41, 45));
    EXPECT_EQ(move(GridKey::PageDown, false), Move(53, 58));
    EXPECT_EQ(move(GridKey::PageUp, false), Move(27, 32));
    EXPECT_EQ(move(GridKey::PageDown, true), Move(40, 53));
    EXPECT_EQ(move(GridKey::PageUp, true), Move(40, 40));
    EXPECT_EQ(move(GridKey::Home, true), Move(40, 1));
    EXPECT_EQ(move(GridKey::End, false), Move(40, 100));
    // The focus stays on the rows below the header.
    EXPECT_EQ(rows.moveByKey(GridKey::PageUp, false, 3).current, 1);
    EXPECT_EQ(rows.moveByKey(GridKey::Down, false, 100).current, 100);
}
