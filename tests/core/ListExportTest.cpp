#include "../engine/StopProbe.h"
#include "ListExport.h"
#include "Parallel.h"
#include "RecordingSink.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using mizel::ListFormat;

namespace {

std::string repeated(const std::string &text, std::size_t times)
{
    std::string out;
    for (std::size_t i = 0; i < times; ++i)
        out += text;
    return out;
}

std::size_t count(const std::string &text, const std::string &part)
{
    std::size_t found = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size()))
        ++found;
    return found;
}

} // namespace

TEST(ListFormats, BytesOfSmallLists)
{
    EXPECT_EQ(written({5}, ListFormat::Csv), "5");
    EXPECT_EQ(written({5}, ListFormat::Text), "5\r\n");
    EXPECT_EQ(written({1, 22, 333}, ListFormat::Csv), "1,22,333");
    EXPECT_EQ(written({1, 22, 333}, ListFormat::Text), "1\r\n22\r\n333\r\n");
    EXPECT_EQ(written({-7}, ListFormat::Csv), "-7");
    EXPECT_EQ(written({INT32_MIN, 0, INT32_MAX}, ListFormat::Csv), "-2147483648,0,2147483647");
    EXPECT_EQ(written({INT32_MIN, INT32_MAX}, ListFormat::Text), "-2147483648\r\n2147483647\r\n");
    EXPECT_EQ(written({}, ListFormat::Csv), "");
    EXPECT_EQ(textFormat({}), "");
    EXPECT_EQ(textFormat({1, 22, -333}), "1\r\n22\r\n-333\r\n");
}

TEST(ListFormats, ChunksDoNotShowInTheBytes)
{
    RecordingSink thousand;
    mizel::writeList(thousand, ascending(1000), ListFormat::Csv);
    ASSERT_EQ(thousand.writes.size(), 1u);
    EXPECT_TRUE(thousand.all().ends_with("999,1000"));

    RecordingSink csv;
    mizel::writeList(csv, ascending(1001), ListFormat::Csv);
    ASSERT_EQ(csv.writes.size(), 2u);
    EXPECT_TRUE(csv.writes[0].ends_with("1000,"));
    EXPECT_EQ(csv.writes[1], "1001");
    EXPECT_EQ(count(csv.all(), ","), 1000u);
    EXPECT_EQ(csv.all().find('\n'), std::string::npos);

    RecordingSink text;
    mizel::writeList(text, ascending(3001), ListFormat::Text);
    ASSERT_EQ(text.writes.size(), 2u);
    EXPECT_EQ(count(text.writes[0], "\r\n"), 3000u);
    EXPECT_EQ(text.writes[1], "3001\r\n");
    EXPECT_EQ(text.all(), textFormat(ascending(3001)));
}

TEST(ListFormats, ThreadsWriteTheSameChunksAsOneThread)
{
    // More batches of chunks than the threads hold at once, in both formats,
    // numbers of every length and sign.
    mizel::ValueList list(2000001);
    for (std::size_t i = 0; i < list.size(); ++i)
        list[i] = static_cast<std::int32_t>(static_cast<std::uint32_t>(i) * 2654435761u) >> (i % 31);
    for (const ListFormat format : {ListFormat::Text, ListFormat::Csv}) {
        std::vector<std::string> expected;
        for (const int threads : {1, 2, 3}) {
            mizel::setThreadCount(threads);
            RecordingSink device;
            ASSERT_TRUE(mizel::writeList(device, list, format));
            if (threads == 1)
                expected = device.writes;
            ASSERT_EQ(device.writes, expected) << threads << " threads";
            if (format == ListFormat::Text) {
                ASSERT_EQ(textFormat(list), std::accumulate(expected.begin(), expected.end(), std::string())) << threads << " threads";
            }
        }
        // A failed write stops the helpers that are formatting ahead.
        RecordingSink failing(40);
        EXPECT_FALSE(mizel::writeList(failing, list, format));
    }
    mizel::setThreadCount(0);
}

TEST(ListFormats, FileTypeAloneChoosesTheFormat)
{
    EXPECT_EQ(mizel::formatForFilterIndex(1), ListFormat::Text);
    EXPECT_EQ(mizel::formatForFilterIndex(2), ListFormat::Csv);
    EXPECT_EQ(mizel::formatForFilterIndex(3), ListFormat::Text);
}

TEST(ListFormats, AShortWriteIsAFailure)
{
    RecordingSink device(1);
    EXPECT_FALSE(mizel::writeList(device, ascending(7000), ListFormat::Text));
}

TEST(ListFormats, FullChunksOfTheLongestNumbers)
{
    const mizel::ValueList longest(6000, INT32_MIN);
    EXPECT_EQ(written(longest, ListFormat::Text), repeated("-2147483648\r\n", 6000));
    EXPECT_EQ(written(longest, ListFormat::Csv), repeated("-2147483648,", 6000).substr(0, 12 * 6000 - 1));
}

TEST(ListFormats, CopyAndSaveReportProgressAndStopWithinAPiece)
{
    mizel::ValueList list(std::size_t{1} << 23);
    std::iota(list.begin(), list.end(), -5);
    const std::function<void(mizel::WorkProgress &)> paths[] = {
        [&](mizel::WorkProgress &p) {
            const mizel::ListText text(list, p);
            std::string out(text.length(), '?');
            text.write(out.data());
            EXPECT_EQ(out, textFormat(list));
        },
        [&](mizel::WorkProgress &p) { RecordingSink sink; mizel::writeList(sink, list, ListFormat::Text, p); }};
    for (const auto &path : paths) {
        mizel::WorkProgress whole;
        path(whole);
        EXPECT_EQ(whole.fraction(), 1);
        // A piece is under 3% of the work, and each of two threads ends its own.
        for (const double stopAt : {0.0, 0.3, 0.6, 0.9})
            EXPECT_LT(shareDoneAfterStop(stopAt, path), 0.08) << "stopped at " << stopAt;
    }
}
