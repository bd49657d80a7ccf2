#include "Cp932.h"
#include "GridText.h"

#include <gtest/gtest.h>

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
