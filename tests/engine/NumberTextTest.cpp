#include "NumberText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

using namespace mizel;

namespace {

std::string number(std::int32_t value)
{
    char buffer[maxNumberTextLength + 4];
    std::fill(std::begin(buffer), std::end(buffer), 'x');
    char* end = formatNumber(buffer, value);
    EXPECT_TRUE(std::all_of(end, std::end(buffer), [](char c) { return c == 'x'; })) << "wrote past the end";
    return {buffer, end};
}

std::string standard(std::int32_t value)
{
    char buffer[16];
    return {buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr};
}

// The text written, checked to leave every byte after its end alone: pieces of a
// list are formatted side by side, end to end.
std::string untouchedAfter(std::string& out, const char* end)
{
    EXPECT_TRUE(std::all_of(end, std::as_const(out).data() + out.size(), [](char c) { return c == 'x'; })) << "wrote past the end";
    out.resize(end - out.data());
    return out;
}

std::string textLines(const std::vector<std::int32_t>& values)
{
    std::string out(values.size() * maxTextLineLength + 4, 'x');
    return untouchedAfter(out, formatTextLines(out.data(), values.data(), values.data() + values.size()));
}

std::string csvFields(const std::vector<std::int32_t>& values, bool endsList)
{
    std::string out(values.size() * maxCsvFieldLength + 4, 'x');
    return untouchedAfter(out, formatCsvFields(out.data(), values.data(), values.data() + values.size(), endsList));
}

} // namespace

TEST(NumberText, FormatsLikeStandardConversion)
{
    EXPECT_EQ(number(0), "0");
    EXPECT_EQ(number(-7), "-7");
    EXPECT_EQ(number(INT32_MAX), "2147483647");
    EXPECT_EQ(number(INT32_MIN), "-2147483648");

    // Both sides of every change in digit count, for both signs.
    for (std::int64_t power = 1; power <= 1000000000; power *= 10) {
        for (std::int64_t v = power - 2; v <= power + 1; ++v) {
            EXPECT_EQ(number(static_cast<std::int32_t>(v)), standard(static_cast<std::int32_t>(v)));
            EXPECT_EQ(number(static_cast<std::int32_t>(-v)), standard(static_cast<std::int32_t>(-v)));
        }
    }
    // A sweep over the whole range with an odd stride.
    for (std::int64_t v = INT32_MIN; v <= INT32_MAX; v += 997) {
        char a[16], b[16];
        char* end = formatNumber(a, static_cast<std::int32_t>(v));
        char* standardEnd = std::to_chars(b, b + 16, static_cast<std::int32_t>(v)).ptr;
        ASSERT_EQ(std::string(a, end), std::string(b, standardEnd)) << v;
    }
}

TEST(NumberText, TextLines)
{
    EXPECT_EQ(textLines({}), "");
    EXPECT_EQ(textLines({5}), "5\r\n");
    EXPECT_EQ(textLines({1, 22, 333}), "1\r\n22\r\n333\r\n");
    EXPECT_EQ(textLines({-7, 0}), "-7\r\n0\r\n");
    EXPECT_EQ(textLines(std::vector<std::int32_t>(3, INT32_MIN)).size(), 3 * maxTextLineLength);
}

TEST(NumberText, CsvFields)
{
    EXPECT_EQ(csvFields({}, true), "");
    EXPECT_EQ(csvFields({}, false), "");
    EXPECT_EQ(csvFields({5}, true), "5");
    EXPECT_EQ(csvFields({1, 22, 333}, true), "1,22,333");
    EXPECT_EQ(csvFields({1, 22, 333}, false), "1,22,333,");
    // Chunks joined: only the chunk that ends the list drops its last comma.
    EXPECT_EQ(csvFields({1, 22}, false) + csvFields({333}, true), "1,22,333");
    EXPECT_EQ(csvFields(std::vector<std::int32_t>(3, INT32_MIN), false).size(), 3 * maxCsvFieldLength);
}

// Long lists take the block paths: blocks of only four- to six-digit numbers and
// mixed blocks, in both formats, each against the numbers written one by one.
TEST(NumberText, LongListsMatchSingleNumbers)
{
    std::vector<std::int32_t> values;
    for (const std::int32_t v : {999, 1000, 9999, 10000, 99999, 100000, 999999, 1000000, -1000})
        values.insert(values.end(), 16, v);
    // Each length at each place of a block.
    for (std::int32_t k = 0; k < 48; ++k)
        values.push_back(k % 3 == 0 ? 1000 + k : k % 3 == 1 ? 10000 + k : 100000 + k);
    for (std::int64_t power = 1; power <= 1000000000; power *= 10) {
        for (std::int64_t v = power - 1; v <= power; ++v) {
            values.push_back(static_cast<std::int32_t>(v));
            values.push_back(static_cast<std::int32_t>(-v));
        }
    }
    values.insert(values.end(), {INT32_MIN, INT32_MAX});
    std::string lines;
    std::string csv;
    for (const std::int32_t v : values) {
        lines += number(v) + "\r\n";
        csv += number(v) + ",";
    }
    EXPECT_EQ(textLines(values), lines);
    EXPECT_EQ(csvFields(values, false), csv);
    csv.pop_back();
    EXPECT_EQ(csvFields(values, true), csv);
    // A list that ends with a block of them.
    EXPECT_EQ(textLines(std::vector<std::int32_t>(16, 1000)).size(), 16 * 6);
    EXPECT_EQ(csvFields(std::vector<std::int32_t>(32, 1000), false).size(), 32 * 5);
}
