#include "Cp932.h"

#include <gtest/gtest.h>

using mizel::fromCp932;
using mizel::isCp932LeadByte;
using mizel::isTrailByte;
using mizel::toCp932;

TEST(Cp932, ConvertsJapaneseTextBothWays)
{
    EXPECT_EQ(toCp932(QStringLiteral("乱数")), QByteArray("\x97\x90\x90\x94"));
    // 表 has the trail byte 0x5C, the value of a backslash.
    EXPECT_EQ(toCp932(QStringLiteral("表示")), QByteArray("\x95\x5C\x8E\xA6"));
    EXPECT_EQ(toCp932(QStringLiteral("-2147483648")), QByteArray("-2147483648"));
    const QString mixed = QStringLiteral("生成終了　生成時間:12ミリ秒ｱ");
    EXPECT_EQ(fromCp932(toCp932(mixed)), mixed);
}

TEST(Cp932, CharacterOutsideCp932BecomesQuestionMark)
{
    EXPECT_EQ(toCp932(QStringLiteral("a\u00E9b")), QByteArray("a?b"));
    EXPECT_EQ(toCp932(QString::fromUtf8("\xF0\x9F\x98\x80乱")), QByteArray("?\x97\x90"));
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
    const QByteArray header("\x97\x90\x90\x94");  // 乱数: every byte has a lead-byte value
    EXPECT_FALSE(isTrailByte(header, 1));
    EXPECT_TRUE(isTrailByte(header, 2));
    EXPECT_FALSE(isTrailByte(header, 3));
    EXPECT_TRUE(isTrailByte(header, 4));
    // Outside 1..L, including the terminating zero at L + 1.
    EXPECT_FALSE(isTrailByte(header, 0));
    EXPECT_FALSE(isTrailByte(header, -3));
    EXPECT_FALSE(isTrailByte(header, 5));

    // The run stops at a byte that cannot lead: ASCII or half-width katakana.
    const QByteArray mixed("a\x97\x90\xB1\x95\x5C" "b");  // a 乱 ｱ 表 b
    EXPECT_FALSE(isTrailByte(mixed, 1));
    EXPECT_FALSE(isTrailByte(mixed, 2));
    EXPECT_TRUE(isTrailByte(mixed, 3));
    EXPECT_FALSE(isTrailByte(mixed, 4));
    EXPECT_FALSE(isTrailByte(mixed, 5));
    EXPECT_TRUE(isTrailByte(mixed, 6));
    EXPECT_FALSE(isTrailByte(mixed, 7));

    const QByteArray digits("12345");
    for (qsizetype p = 0; p <= digits.size() + 1; ++p)
        EXPECT_FALSE(isTrailByte(digits, p));
}
