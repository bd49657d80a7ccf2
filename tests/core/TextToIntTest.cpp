#include "TextToInt.h"

#include <gtest/gtest.h>

using mizel::textToInt;

TEST(TextToInt, AcceptsDecimalAndHexadecimalForms)
{
    const std::pair<const char *, std::int32_t> accepted[] = {
        {"0", 0}, {"007", 7}, {" 7", 7}, {"   -0", 0}, {"+5", 5},
        {"2147483647", 2147483647}, {"-2147483648", INT32_MIN}, {"000000000000012", 12},
        {"0x1F", 31}, {"0X1f", 31}, {"$10", 16}, {"x1a", 26}, {"X0", 0},
        {"-$10", 16}, {"+0xff", 255}, {"$FFFFFFFF", -1}, {"$80000000", INT32_MIN},
        {"$000000001", 1},
    };
    for (const auto &[text, value] : accepted)
        EXPECT_EQ(textToInt(text), value) << text;
}

TEST(TextToInt, RejectsEverythingElse)
{
    const char *rejected[] = {
        "", "   ", "-", "+", "$", "x", "0x", "-$", "7 ", "1.5", "+-1", "--1", "\t7",
        "2147483648", "-2147483649", "99999999999999999999", "$100000000", "0x1G",
        "1e3", " - 1", "$-1", "00x1", "0x 1", "１２", "7\n", "#5", "%", "1,000",
    };
    for (const char *text : rejected)
        EXPECT_THROW(textToInt(text), mizel::EConvertError) << text;
}

TEST(TextToInt, MessageQuotesTheTextUnchanged)
{
    for (const std::string text : {"1.5", "", "  abc ", "１２３😀"}) {
        try {
            textToInt(text);
            FAIL() << text;
        } catch (const mizel::Exception &error) {
            EXPECT_EQ(std::string(error.what()), "'" + text + "' は整数ではありません");
        }
    }
}

TEST(TextToInt, ErrorIsAStandardException)
{
    EXPECT_THROW(textToInt("?"), std::exception);
}
