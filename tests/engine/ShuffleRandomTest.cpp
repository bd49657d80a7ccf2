#include "ShuffleRandom.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <vector>

using namespace mizel;

namespace {

std::vector<int> nextDraws(int count)
{
    std::vector<int> out(count);
    for (int& r : out)
        r = shuffleNext();
    return out;
}

std::vector<std::int32_t> ascending(std::size_t length)
{
    std::vector<std::int32_t> values(length);
    std::iota(values.begin(), values.end(), 0);
    return values;
}

// Number of draws a call consumed, found by replaying the sequence from the seed
// until the four draws that followed the call come up.
template <class Call>
int drawsConsumed(std::uint32_t seed, Call call)
{
    shuffleSeed(seed);
    call();
    const auto after = nextDraws(4);
    for (int count = 0; count < 100000; ++count) {
        shuffleSeed(seed);
        nextDraws(count);
        if (nextDraws(4) == after)
            return count;
    }
    return -1;
}

// Pearson's statistic of the counts against equal expectations.
double chiSquare(const std::vector<int>& counts)
{
    const double expected = std::accumulate(counts.begin(), counts.end(), 0.0) / counts.size();
    double sum = 0;
    for (int c : counts)
        sum += (c - expected) * (c - expected) / expected;
    return sum;
}

} // namespace

TEST(ShuffleRandom, KnownSequences)
{
    shuffleSeed(1);
    EXPECT_EQ(nextDraws(5), (std::vector<int>{130, 10982, 1090, 11656, 7117}));
    shuffleSeed(0);
    EXPECT_EQ(nextDraws(5), (std::vector<int>{346, 130, 10982, 1090, 11656}));

    shuffleSeed(1);
    std::vector<std::int32_t> values{1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    shuffleValues(values.data(), values.data() + values.size());
    EXPECT_EQ(values, (std::vector<std::int32_t>{2, 6, 4, 3, 7, 5, 10, 9, 8, 1}));
}

TEST(ShuffleRandom, ShortListsAndDrawCounts)
{
    std::vector<std::int32_t> values{5, 9};
    EXPECT_EQ(drawsConsumed(3, [&] { shuffleValues(values.data(), values.data()); }), 0);
    EXPECT_EQ(drawsConsumed(3, [&] { shuffleValues(values.data(), values.data() + 1); }), 0);
    EXPECT_EQ(values, (std::vector<std::int32_t>{5, 9}));

    for (std::uint32_t seed = 0; seed < 8; ++seed) {
        shuffleSeed(seed);
        const bool even = shuffleNext() % 2 == 0;
        values = {5, 9};
        EXPECT_EQ(drawsConsumed(seed, [&] { shuffleValues(values.data(), values.data() + 2); }), 1);
        EXPECT_EQ(values, even ? (std::vector<std::int32_t>{9, 5}) : (std::vector<std::int32_t>{5, 9}));
    }

    auto list = ascending(1000);
    EXPECT_EQ(drawsConsumed(11, [&] { shuffleValues(list.data(), list.data() + list.size()); }), 999);
}

// Up to 32768 values every partner is the 15-bit draw modulo i + 1.
TEST(ShuffleRandom, NarrowListsKeepTheFifteenBitRule)
{
    auto expected = ascending(32768);
    shuffleSeed(123);
    for (std::size_t i = 1; i < expected.size(); ++i)
        std::swap(expected[i], expected[static_cast<std::size_t>(shuffleNext()) % (i + 1)]);
    const int next = shuffleNext();

    auto values = ascending(32768);
    shuffleSeed(123);
    shuffleValues(values.data(), values.data() + values.size());
    EXPECT_EQ(values, expected);
    EXPECT_EQ(shuffleNext(), next);
}

TEST(ShuffleRandom, BatchedShuffleMatchesReference)
{
    for (std::size_t length : {32769u, 32768u + 64u, 32768u + 65u, 40000u, (1u << 20) + 3u}) {
        auto fast = ascending(length);
        auto reference = fast;
        shuffleSeed(static_cast<std::uint32_t>(length));
        shuffleValues(fast.data(), fast.data() + length);
        const int next = shuffleNext();
        shuffleSeed(static_cast<std::uint32_t>(length));
        shuffleValuesReference(reference.data(), reference.data() + length);
        EXPECT_EQ(fast, reference) << length;
        EXPECT_EQ(shuffleNext(), next) << length;
        std::sort(fast.begin(), fast.end());
        EXPECT_EQ(fast, ascending(length));
    }
}

// Past 32768 the partner is drawn from all earlier positions, so a value there can
// stay in place and the last value can land past 32768; the 15-bit draw allows neither.
TEST(ShuffleRandom, WidePositionsReachEveryPartner)
{
    constexpr std::size_t length = 40000;
    int fixedWide = 0;
    int lastStaysWide = 0;
    shuffleSeed(2);
    for (int trial = 0; trial < 60; ++trial) {
        auto values = ascending(length);
        shuffleValues(values.data(), values.data() + length);
        for (std::size_t i = 32768; i < length; ++i)
            fixedWide += values[i] == static_cast<std::int32_t>(i);
        lastStaysWide += std::find(values.begin(), values.end(), static_cast<std::int32_t>(length - 1)) - values.begin() >= 32768;
    }
    EXPECT_GT(fixedWide, 0);
    EXPECT_GT(lastStaysWide, 3);
}

TEST(ShuffleRandom, WideBelowIsUniform)
{
    struct Case {
        std::uint64_t bound;
        std::uint64_t bucketWidth;
    };
    // 16 buckets each; the 0.1% point of chi-square with 15 degrees of freedom is 37.7.
    const Case cases[] = {
        {16, 1}, {7 * 16, 7}, {40000, 2500}, {std::uint64_t{1} << 32, std::uint64_t{1} << 28}, {3ull << 30, 3ull << 26},
    };
    shuffleSeed(31337);
    for (const Case& c : cases) {
        std::vector<int> buckets(16);
        std::vector<int> lowBits(16);
        for (int i = 0; i < 160000; ++i) {
            const std::uint64_t x = shuffleWideBelow(c.bound);
            ASSERT_LT(x, c.bound);
            ++buckets[x / c.bucketWidth];
            ++lowBits[x % 16];
        }
        EXPECT_LT(chiSquare(buckets), 37.7) << c.bound;
        EXPECT_LT(chiSquare(lowBits), 37.7) << c.bound;
    }
    EXPECT_EQ(shuffleWideBelow(1), 0u);
}

// For bound 3 * 2^30, 2^45 mod bound = 2^31: one triple in 2^14 is rejected, and
// the result then comes from the next triple.
TEST(ShuffleRandom, WideBelowRejectsAndRedraws)
{
    constexpr std::uint64_t bound = 3ull << 30;
    int rejected = 0;
    for (std::uint32_t seed = 0; seed < 200000 && rejected < 3; ++seed) {
        std::uint64_t result = 0;
        const int consumed = drawsConsumed(seed, [&] { result = shuffleWideBelow(bound); });
        if (consumed == 3)
            continue;
        ASSERT_EQ(consumed, 6) << seed;
        shuffleSeed(seed);
        nextDraws(3);
        EXPECT_EQ(shuffleWideBelow(bound), result);
        ++rejected;
    }
    EXPECT_EQ(rejected, 3);
}

TEST(ShuffleRandom, WideBelowFullWidthIsTheRawDraw)
{
    shuffleSeed(17);
    const auto draws = nextDraws(6);
    shuffleSeed(17);
    for (int k = 0; k < 6; k += 3) {
        const std::uint64_t raw = (std::uint64_t(draws[k]) << 30) | (std::uint64_t(draws[k + 1]) << 15) | std::uint64_t(draws[k + 2]);
        EXPECT_EQ(shuffleWideBelow(std::uint64_t{1} << 45), raw);
    }
}

// Every position, also below 32768 and across batch boundaries, takes a wide draw.
TEST(ShuffleRandom, UniformShuffleDrawsEveryPartnerWide)
{
    for (std::size_t length : {0u, 1u, 2u, 5u, 129u, 300u}) {
        auto expected = ascending(length);
        shuffleSeed(9);
        for (std::size_t i = 1; i < length; ++i)
            std::swap(expected[i], expected[shuffleWideBelow(i + 1)]);
        const int next = shuffleNext();

        auto values = ascending(length);
        shuffleSeed(9);
        shuffleValuesUniform(values.data(), values.data() + length);
        EXPECT_EQ(values, expected) << length;
        EXPECT_EQ(shuffleNext(), next) << length;
    }
}

// All 24 orders of four values equally often; the 0.1% point of chi-square with 23
// degrees of freedom is 49.7.
TEST(ShuffleRandom, UniformShuffleGivesEveryOrderEquallyOften)
{
    std::vector<int> counts(24);
    shuffleSeed(4);
    for (int trial = 0; trial < 96000; ++trial) {
        auto values = ascending(4);
        shuffleValuesUniform(values.data(), values.data() + 4);
        std::vector<int> order(values.begin(), values.end());
        int rank = 0;
        while (std::prev_permutation(order.begin(), order.end()))
            ++rank;
        ++counts[rank];
    }
    EXPECT_LT(chiSquare(counts), 49.7);
}
