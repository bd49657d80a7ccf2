#include "Cp932.h"

#include <gtest/gtest.h>

using mizel::fromCp932;
using mizel::isCp932LeadByte;
using mizel::isTrailByte;
using mizel::toCp932;

TEST(Cp932, ConvertsJapaneseTextBothWays)
{
    EXPECT_EQ(toCp932(u"乱数"), std::string("\x97\x90\x90\x94"));
    // 表 has the trail byte 0x5C, the value of a backslash.
    EXPECT_EQ(toCp932(u"表示"), std::string("\x95\x5C\x8E\xA6"));
    EXPECT_EQ(toCp932(u"-2147483648"), std::string("-2147483648"));
    const std::u16string mixed = u"生成終了　生成時間:12ミリ秒ｱ";
    EXPECT_EQ(fromCp932(toCp932(mixed)), mixed);
}

TEST(Cp932, CharacterOutsideCp932BecomesQuestionMark)
{
    EXPECT_EQ(toCp932(u"a\u00E9b"), "a?b");
    // Half a surrogate pair is no character either.
    EXPECT_EQ(toCp932(std::u16string(1, char16_t(0xD83D)) + u"b"), "?b");
    EXPECT_EQ(toCp932(u"😀乱"), std::string("?\x97\x90"));
}

TEST(Cp932, LeadByteRangesAndTheirBorders)
{
    for (int b : {0x81, 0x9F, 0xE0, 0xFC, 0x90, 0x97})
        EXPECT_TRUE(isCp932LeadByte(static_cast<unsigned char>(b))) << std::hex << b;
    // 0x80, 0xA0 to 0xDF (half-width katakana) and 0xFD up stand alone.
    for (int b : {0x00, 0x5C, 0x7F, 0x80, 0xA0, 0xB1, 0xDF, 0xFD, 0xFF})
        EXPECT_FALSE(isCp932LeadByte(static_cast<unsigned char>(b))) << std::hex << b;
}

TEST(Cp932, TrailBytesFollowOddRunsOfLeadByteValues)
{
    const std::string header("\x97\x90\x90\x94");  // 乱数: every byte has a lead-byte value
    EXPECT_FALSE(isTrailByte(header, 1));
    EXPECT_TRUE(isTrailByte(header, 2));
    EXPECT_FALSE(isTrailByte(header, 3));
    EXPECT_TRUE(isTrailByte(header, 4));
    // Outside 1..L, including the terminating zero at L + 1.
    EXPECT_FALSE(isTrailByte(header, 0));
    EXPECT_FALSE(isTrailByte(header, -3));
    EXPECT_FALSE(isTrailByte(header, 5));

    // The run stops at a byte that cannot lead: ASCII or half-width katakana.
    const std::string mixed("a\x97\x90\xB1\x95\x5C" "b");  // a 乱 ｱ 表 b
    EXPECT_FALSE(isTrailByte(mixed, 1));
    EXPECT_FALSE(isTrailByte(mixed, 2));
    EXPECT_TRUE(isTrailByte(mixed, 3));
    EXPECT_FALSE(isTrailByte(mixed, 4));
    EXPECT_FALSE(isTrailByte(mixed, 5));
    EXPECT_TRUE(isTrailByte(mixed, 6));
    EXPECT_FALSE(isTrailByte(mixed, 7));

    const std::string digits("12345");
    for (std::ptrdiff_t p = 0; p <= std::ptrdiff_t(digits.size()) + 1; ++p)
        EXPECT_FALSE(isTrailByte(digits, p));
}
