#include "RunCommand.h"
#include "TextToInt.h"

#include <gtest/gtest.h>

using mizel::RunCheck;
using Outcome = mizel::RunCheck::Outcome;

namespace {

RunCheck check(const char *max, const char *min, const char *count, bool distinct)
{
    mizel::RunBoxes boxes{max, min, count, distinct};
    mizel::fillEmptyBoxes(boxes);
    return mizel::checkRun(boxes);
}

// The text of the conversion error Run reports, or "" when there is none.
std::string failingText(const char *max, const char *min, const char *count, bool distinct)
{
    try {
        check(max, min, count, distinct);
    } catch (const mizel::EConvertError &error) {
        return error.message();
    }
    return {};
}

} // namespace

TEST(RunCheck, OutcomesAndTheRangeUsed)
{
    const RunCheck plain = check("10", "-5", "3", false);
    EXPECT_EQ(plain.outcome, Outcome::Generate);
    EXPECT_EQ(plain.range.min, -5);
    EXPECT_EQ(plain.range.span, 16);
    EXPECT_EQ(plain.range.count, 3);
    EXPECT_FALSE(plain.countText);
    EXPECT_EQ(check("", "", "", true).range.span, 1);
    EXPECT_EQ(check("$7FFFFFFF", "-2147483648", "1", false).range.span, std::int64_t{1} << 32);

    EXPECT_EQ(check("5", "6", "1", false).outcome, Outcome::MinAboveMax);
    // The count less one, wrapping, against the maximum: a count of 0 or below
    // passes, one above the maximum plus one does not.
    EXPECT_EQ(check("5", "0", "7", true).outcome, Outcome::TooMany);
    EXPECT_EQ(check("5", "9", "7", true).outcome, Outcome::TooMany);
    EXPECT_EQ(check("5", "0", "0", true).outcome, Outcome::Generate);
    EXPECT_EQ(check("5", "0", "-3", true).outcome, Outcome::Generate);
    EXPECT_EQ(check("-2147483648", "-2147483648", "-2147483648", true).outcome, Outcome::TooMany);

    // Six values asked for, five in the range: the count box gets 5.
    const RunCheck lowered = check("5", "1", "6", true);
    EXPECT_EQ(lowered.outcome, Outcome::Generate);
    EXPECT_EQ(lowered.range.count, 5);
    EXPECT_EQ(lowered.countText, "5");
}

// Maximum, then count, then minimum: the first bad box read is the one reported,
// and the minimum is not read when the count check already failed.
TEST(RunCheck, BoxesAreReadInRunsOrder)
{
    EXPECT_EQ(failingText("a", "b", "c", false), "'a' は整数ではありません");
    EXPECT_EQ(failingText("1", "b", "c", false), "'c' は整数ではありません");
    EXPECT_EQ(failingText("1", "b", "1", false), "'b' は整数ではありません");
    EXPECT_EQ(failingText("1", "b", "9", true), "");
}

TEST(RunCheck, MaxCountIsTheRangeSizeClampedToACount)
{
    EXPECT_EQ(mizel::maxCountText("10", "1"), "10");
    EXPECT_EQ(mizel::maxCountText("2147483647", "-2147483648"), "2147483647");
    EXPECT_EQ(mizel::maxCountText("-2147483648", "2147483647"), "-2147483648");
    EXPECT_EQ(mizel::maxCountText("1", "5"), "-3");
    EXPECT_THROW(mizel::maxCountText("1", ""), mizel::EConvertError);
    EXPECT_EQ(mizel::finishedMessage(0xFFFFFFFFu), "生成終了　生成時間:-1ミリ秒");
}
