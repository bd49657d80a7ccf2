// Statistics of lists longer than 32768 values, read from the lists alone, one
// test per way the 15-bit generator once showed through. Each prints its figure;
// the limits lie four standard deviations or more from a uniform order's.
#include "DistinctSample.h"
#include "ScatterShuffle.h"
#include "ShuffleRandom.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <set>
#include <vector>

using namespace mizel;

namespace {

constexpr std::int64_t span = 2147483647;

// A list of 0 .. n - 1 from the given state: a permutation, or with a span a sample.
std::vector<std::int32_t> listFrom(std::uint32_t state, std::int64_t n, std::int64_t sampleSpan = 0)
{
    std::vector<std::int32_t> values(static_cast<std::size_t>(n));
    shuffleGenerator().state = state;
    if (sampleSpan != 0)
        sampleDistinct(values.data(), n, 0, sampleSpan);
    else
        permuteRange(values.data(), n, 0);
    return values;
}

// pos[v]: where value v stands in a permutation of 0 .. n - 1.
std::vector<double> positions(const std::vector<std::int32_t>& values)
{
    std::vector<double> pos(values.size());
    for (std::size_t i = 0; i < values.size(); ++i)
        pos[static_cast<std::size_t>(values[i])] = static_cast<double>(i);
    return pos;
}

double chiSquare(const std::vector<double>& counts, double expected)
{
    double sum = 0;
    for (const double c : counts)
        sum += (c - expected) * (c - expected) / expected;
    return sum;
}

} // namespace

// The 15-bit outputs repeat every 2^31 steps, so lists past 4.3e8 values reused
// their draws, and lists and samples from states 2^31 steps apart were the same.
TEST(LongListStatistics, NoDrawServesTwice)
{
    for (const std::uint32_t state : {1u, 12345u}) {
        const std::uint32_t aroundTheCycle = shuffleStateAfter(state, std::uint64_t{1} << 31);
        EXPECT_FALSE(listFrom(state, 40000) == listFrom(aroundTheCycle, 40000));
        const auto sample = listFrom(state, 70000, span);
        const std::set<std::int32_t> first(sample.begin(), sample.end());
        int shared = 0;
        for (const std::int32_t v : listFrom(aroundTheCycle, 70000, span))
            shared += static_cast<int>(first.count(v));
        std::printf("values shared by samples 2^31 steps apart: %d\n", shared);
        EXPECT_LT(shared, 100); // 2.3 expected
    }
}

// Consecutive 15-bit outputs lie on the lattice 26u0 - 5u1 + 22u2 - 10u3 - 5u4
// = const (mod 1), and so did T = frac(sum x_j pos(v + j) / n). Rayleigh's z of
// T is about 1 for a uniform order (P(z > 14) = 8e-7).
TEST(LargeListStatistics, NoLattice)
{
    constexpr std::int64_t n = std::int64_t{1} << 21;
    const double x[] = {26, -5, 22, -10, -5};
    for (const std::uint32_t state : {7u, 99u}) {
        const auto pos = positions(listFrom(state, n));
        double c = 0, s = 0;
        for (std::size_t v = 0; v + 5 <= pos.size(); ++v) {
            double sum = 0;
            for (std::size_t j = 0; j < 5; ++j)
                sum += x[j] * pos[v + j];
            c += std::cos(2 * std::numbers::pi * sum / n);
            s += std::sin(2 * std::numbers::pi * sum / n);
        }
        const double z = (c * c + s * s) / (n - 4);
        std::printf("lattice Rayleigh z: %.3g\n", z);
        EXPECT_LT(z, 14);
    }
}

// From a state k steps on, value v took the draws of value v + k, so the lists
// nearly matched once shifted by k. Positions of two uniform lists correlate
// within 1/sqrt(n) = 0.002 of 0; the limit is six of those.
TEST(LargeListStatistics, NearbyStatesGiveUnrelatedLists)
{
    constexpr std::int64_t n = std::int64_t{1} << 18;
    for (const std::uint64_t k : {std::uint64_t{1}, std::uint64_t{4}, std::uint64_t{1000}}) {
        for (const std::uint32_t state : {3u, 2024u, 4000000000u}) {
            const auto a = positions(listFrom(state, n));
            const auto b = positions(listFrom(shuffleStateAfter(state, k), n));
            const double mean = (n - 1) / 2.0;
            double ab = 0, aa = 0;
            for (std::size_t v = 0; v + k < a.size(); ++v)
                ab += (a[v + k] - mean) * (b[v] - mean), aa += (a[v] - mean) * (a[v] - mean);
            std::printf("states %llu steps apart: correlation %.4f\n", static_cast<unsigned long long>(k), ab / aa);
            EXPECT_LT(std::abs(ab / aa), 0.012) << k;
        }
    }
}

// Sparse samples read generator bits of period 2^21 for their gaps. Over 100
// samples, the gaps' chi-square in ten classes equally likely is 900 +- 42.
TEST(LargeListStatistics, SparseSamplesAreSpacedEvenly)
{
    constexpr std::int64_t count = 100000;
    const double logKeepNot = std::log1p(-static_cast<double>(count) / span);
    double sum = 0;
    for (std::uint32_t trial = 0; trial < 100; ++trial) {
        auto sample = listFrom(trial, count, span);
        std::sort(sample.begin(), sample.end());
        std::vector<double> classes(10);
        for (std::size_t i = 1; i < sample.size(); ++i) {
            const double below = 1 - std::exp(logKeepNot * (sample[i] - sample[i - 1] - 1));
            classes[std::min<std::size_t>(9, static_cast<std::size_t>(below * 10))] += 1;
        }
        sum += chiSquare(classes, (count - 1) / 10.0);
    }
    std::printf("summed gap chi-square: %.0f\n", sum);
    EXPECT_GT(sum, 900 - 4 * 42.4);
    EXPECT_LT(sum, 900 + 4 * 42.4);
}

// Samples from seeds 1 .. 250: how often each 1/4096 of the range is drawn.
// Linked seeds make the counts too even; uniform samples give 4095 +- 90.
TEST(LargeListStatistics, ConsecutiveSeedsGiveIndependentSamples)
{
    constexpr std::int64_t count = 65536;
    std::vector<double> cells(4096);
    std::vector<std::int32_t> sample(count);
    for (std::uint32_t seed = 1; seed <= 250; ++seed) {
        shuffleSeed(seed);
        sampleDistinct(sample.data(), count, 0, span);
        for (const std::int32_t v : sample)
            cells[static_cast<std::size_t>(static_cast<std::int64_t>(v) * 4096 / span)] += 1;
    }
    const double chi = chiSquare(cells, 250.0 * count / 4096);
    std::printf("consecutive seeds inclusion chi-square: %.0f\n", chi);
    EXPECT_GT(chi, 4095 - 3.5 * 90.5);
    EXPECT_LT(chi, 4095 + 4 * 90.5);
}
