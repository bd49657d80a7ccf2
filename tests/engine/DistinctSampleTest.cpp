#include "DistinctSample.h"
#include "ScatterShuffle.h"
#include "ShuffleRandom.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <new>
#include <set>
#include <vector>

using namespace mizel;

// Counts what the program allocates, to see that a small sample from a huge range
// stays small and a large one adds nothing big to its output.
namespace {
std::size_t allocatedBytes = 0;
std::size_t largestAllocation = 0;
}

void* operator new(std::size_t size)
{
    allocatedBytes += size;
    largestAllocation = std::max(largestAllocation, size);
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}

// GCC pairs the replaced operator new with these and warns about free().
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* p) noexcept
{
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}
#pragma GCC diagnostic pop

namespace {

std::vector<std::int32_t> sample(std::int64_t count, std::int32_t min, std::int64_t span)
{
    std::vector<std::int32_t> out(static_cast<std::size_t>(count));
    sampleDistinct(out.data(), count, min, span);
    return out;
}

void expectDistinctInRange(std::vector<std::int32_t> values, std::int32_t min, std::int64_t span)
{
    std::sort(values.begin(), values.end());
    EXPECT_EQ(std::adjacent_find(values.begin(), values.end()), values.end());
    if (!values.empty()) {
        EXPECT_GE(values.front(), min);
        EXPECT_LE(values.back(), min + span - 1);
    }
}

} // namespace

TEST(DistinctSample, DistinctValuesInRange)
{
    struct Case {
        std::int64_t count;
        std::int32_t min;
        std::int64_t span;
    };
    const Case cases[] = {
        {1, 0, 2}, {99, 1, 100}, {25, -50, 101}, {1000, 1, 2147483647}, {100000, 0, 200000},
        {3000, INT32_MIN, std::int64_t{1} << 32}, {5, INT32_MAX - 9, 10},
    };
    shuffleSeed(4);
    for (const Case& c : cases) {
        const auto values = sample(c.count, c.min, c.span);
        ASSERT_EQ(values.size(), static_cast<std::size_t>(c.count));
        expectDistinctInRange(values, c.min, c.span);
    }
}

TEST(DistinctSample, TableMatchesPlainArrayFromTheSameDraws)
{
    struct Case {
        std::int64_t count;
        std::int64_t span;
    };
    const Case cases[] = {{1, 5}, {2, 9}, {3, 13}, {10, 41}, {1000, 4001}, {5000, 30000}, {20000, 1000000}, {3, 1 << 20}};
    for (const Case& c : cases) {
        for (std::uint32_t seed = 0; seed < 20; ++seed) {
            std::vector<std::int32_t> table(static_cast<std::size_t>(c.count));
            std::vector<std::int32_t> plain(table.size());
            shuffleSeed(seed);
            sampleDistinct(table.data(), c.count, -7, c.span);
            const int next = shuffleNext();
            shuffleSeed(seed);
            sampleDistinctReference(plain.data(), c.count, -7, c.span);
            ASSERT_EQ(table, plain) << c.count << " of " << c.span << ", seed " << seed;
            ASSERT_EQ(shuffleNext(), next);
        }
    }
}

// Every ordered pair equally often, both for the plain array (span 5) and the
// table (span 9). The 0.1% points of chi-square with 19 and 71 degrees of freedom
// are 43.8 and 112.
TEST(DistinctSample, OrderedPairsAreUniform)
{
    for (const auto& [span, limit] : {std::pair{5, 43.8}, std::pair{9, 112.0}}) {
        std::map<std::pair<int, int>, int> counts;
        shuffleSeed(77);
        const int trials = 1000 * span * (span - 1);
        for (int i = 0; i < trials; ++i) {
            const auto values = sample(2, 0, span);
            ASSERT_NE(values[0], values[1]);
            ++counts[{values[0], values[1]}];
        }
        ASSERT_EQ(counts.size(), static_cast<std::size_t>(span * (span - 1)));
        double chi = 0;
        for (const auto& entry : counts)
            chi += (entry.second - 1000.0) * (entry.second - 1000.0) / 1000.0;
        EXPECT_LT(chi, limit) << span;
    }
}

TEST(DistinctSample, SameSeedSameSampleAndNothingForCountZero)
{
    shuffleSeed(9);
    const auto first = sample(500, 100, 1000000);
    shuffleSeed(9);
    EXPECT_EQ(sample(500, 100, 1000000), first);

    shuffleSeed(9);
    const int next = shuffleNext();
    shuffleSeed(9);
    std::int32_t untouched = 12345;
    sampleDistinct(&untouched, 0, 0, std::int64_t{1} << 32);
    EXPECT_EQ(untouched, 12345);
    EXPECT_EQ(shuffleNext(), next);
}

TEST(DistinctSample, SmallSampleOfHugeRangeAllocatesLittle)
{
    std::int32_t out[10];
    shuffleSeed(1);
    allocatedBytes = 0;
    sampleDistinct(out, 10, 1, 2147483647);
    EXPECT_LT(allocatedBytes, 4096u);
    expectDistinctInRange({out, out + 10}, 1, 2147483647);
}

namespace {

std::vector<std::int32_t> sampleByScatter(std::int64_t count, std::int32_t min, std::int64_t span)
{
    std::vector<std::int32_t> out(static_cast<std::size_t>(count));
    sampleDistinctByScatter(out.data(), count, min, span);
    return out;
}

// Pearson's statistic of the counts against equal expectations.
template <class Counts>
double chiSquare(const Counts& counts, double expected)
{
    double sum = 0;
    for (const auto& entry : counts)
        sum += (entry.second - expected) * (entry.second - expected) / expected;
    return sum;
}

} // namespace

TEST(DistinctSample, ScatterGivesDistinctValuesInRange)
{
    struct Case {
        std::int64_t count;
        std::int32_t min;
        std::int64_t span;
    };
    // Small ranges are kept whole and the surplus dropped, sparse ones walk long
    // gaps; the widest spans wrap the offset past INT32_MAX.
    const Case cases[] = {
        {1, 0, 2}, {3, INT32_MAX - 11, 12}, {100, -50, 101}, {1000, 5, 4000}, {5000, 1, 2147483647},
        {20000, INT32_MIN, std::int64_t{1} << 32}, {70000, INT32_MIN + 1, (std::int64_t{1} << 32) - 1},
    };
    shuffleSeed(8);
    for (const Case& c : cases) {
        const auto values = sampleByScatter(c.count, c.min, c.span);
        ASSERT_EQ(values.size(), static_cast<std::size_t>(c.count));
        expectDistinctInRange(values, c.min, c.span);
    }
    std::int32_t untouched = 12345;
    sampleDistinctByScatter(&untouched, 0, 0, 10);
    EXPECT_EQ(untouched, 12345);
}

// 3 of 12 keeps all twelve and drops nine: every ordered triple and every subset equally
// often. The 0.1% points of chi-square with 1319 and 219 degrees of freedom are
// about 1483 and 290.
TEST(DistinctSample, ScatterOrderedTriplesAndSubsetsAreUniform)
{
    constexpr int trials = 200000;
    std::map<std::vector<std::int32_t>, int> ordered;
    std::map<std::vector<std::int32_t>, int> subsets;
    shuffleSeed(5);
    for (int i = 0; i < trials; ++i) {
        auto values = sampleByScatter(3, 0, 12);
        ++ordered[values];
        std::sort(values.begin(), values.end());
        ++subsets[values];
    }
    ASSERT_EQ(ordered.size(), 1320u);
    ASSERT_EQ(subsets.size(), 220u);
    EXPECT_LT(chiSquare(ordered, trials / 1320.0), 1483);
    EXPECT_LT(chiSquare(subsets, trials / 220.0), 290);
}

// 64 of 300 walks a subset of about 40% and drops the surplus: every value is drawn
// equally often (also the ends of segments and of the range, where a gap off by one
// shows) and the first slot is not biased towards small values. The 0.1% point
// of chi-square with 299 degrees of freedom is about 380.
TEST(DistinctSample, ScatterKeepsEveryValueEquallyOften)
{
    constexpr int trials = 20000;
    constexpr int span = 300;
    constexpr int count = 64;
    std::map<int, int> kept;
    std::map<int, int> first;
    shuffleSeed(6);
    for (int i = 0; i < trials; ++i) {
        const auto values = sampleByScatter(count, -1, span);
        for (std::int32_t v : values)
            ++kept[v];
        ++first[values[0]];
    }
    ASSERT_EQ(kept.size(), static_cast<std::size_t>(span));
    EXPECT_LT(chiSquare(kept, double(trials) * count / span), 380);
    EXPECT_LT(chiSquare(first, double(trials) / span), 380);
}

// Dense samples are made by pieces of 1023 values: a third of the range kept and
// four fifths, where the places left out are drawn. Every value of three whole
// pieces and a short one is kept equally often. The 0.1% point of chi-square
// with 3168 degrees of freedom is about 3415.
TEST(DistinctSample, PiecesKeepEveryValueEquallyOften)
{
    constexpr int trials = 1000;
    constexpr int span = 3 * 1023 + 100;
    for (const int count : {1000, 2500}) {
        std::map<int, int> kept;
        shuffleSeed(7);
        for (int i = 0; i < trials; ++i) {
            for (std::int32_t v : sampleByScatter(count, 0, span))
                ++kept[v];
        }
        ASSERT_EQ(kept.size(), static_cast<std::size_t>(span));
        EXPECT_LT(chiSquare(kept, double(trials) * count / span), 3415) << count;
    }
}

// Segments walked on any thread, with the surplus skipped as they are read, give
// the bytes of the stored subset scattered by the plain loops.
TEST(DistinctSample, ScatterMatchesReferenceOnAnyThreadCount)
{
    struct Case {
        std::int64_t count;
        std::int32_t min;
        std::int64_t span;
    };
    const Case cases[] = {{70000, 5, 2147483642}, {200000, INT32_MIN, std::int64_t{1} << 32}, {300000, -7, 300001}, {100000, 0, 150000}};
    for (const Case& c : cases) {
        std::vector<std::int32_t> expected(static_cast<std::size_t>(c.count));
        shuffleSeed(21);
        sampleDistinctByScatterReference(expected.data(), c.count, c.min, c.span);
        const int next = shuffleNext();
        for (unsigned threads : {1u, 2u, 3u}) {
            std::vector<std::int32_t> ours(expected.size());
            shuffleSeed(21);
            sampleDistinctByScatter(ours.data(), c.count, c.min, c.span, threads);
            EXPECT_EQ(ours, expected) << c.count << " of " << c.span << " on " << threads;
            EXPECT_EQ(shuffleNext(), next);
        }
        expectDistinctInRange(expected, c.min, c.span);
    }
}

TEST(DistinctSample, LargeSamplesUseTheScatterFromTheThreshold)
{
    constexpr std::int64_t span = 300000;
    for (std::uint32_t seed : {1u, 2u}) {
        std::vector<std::int32_t> ours(65535);
        std::vector<std::int32_t> expected(ours.size());
        shuffleSeed(seed);
        sampleDistinct(ours.data(), 65535, 3, span);
        shuffleSeed(seed);
        sampleDistinctReference(expected.data(), 65535, 3, span);
        EXPECT_EQ(ours, expected);

        ours.resize(65536);
        expected.resize(65536);
        shuffleSeed(seed);
        sampleDistinct(ours.data(), 65536, 3, span);
        shuffleSeed(seed);
        sampleDistinctByScatter(expected.data(), 65536, 3, span);
        EXPECT_EQ(ours, expected);
    }
}

TEST(DistinctSample, LargeSparseSampleNeedsLittleBeyondItsOutput)
{
    constexpr std::int64_t count = 100000;
    std::vector<std::int32_t> out(count);
    shuffleSeed(3);
    largestAllocation = 0;
    sampleDistinct(out.data(), count, 0, std::int64_t{1} << 31);
    EXPECT_LT(largestAllocation, 64u * 1024);
    expectDistinctInRange(out, 0, std::int64_t{1} << 31);
}

// Callers plan the units these report before they start: each must come once,
// whichever thread reports it.
TEST(DistinctSample, ScatterAndSampleReportTheUnitsTheyPlanOnAnyThreadCount)
{
    constexpr std::int64_t count = std::int64_t{1} << 22;
    std::vector<std::int32_t> out(count);
    for (const bool sample : {false, true}) {
        const std::uint64_t units = sample ? sampleDistinctUnits(count, std::int64_t{1} << 31) : permuteRangeUnits(count);
        WorkProgress progress;
        progress.plan(2 * units);
        if (sample)
            sampleDistinct(out.data(), count, 0, std::int64_t{1} << 31, 2, progress);
        else
            permuteRange(out.data(), count, 0, 2, progress);
        EXPECT_EQ(progress.fraction(), 0.5) << sample;
    }
}
