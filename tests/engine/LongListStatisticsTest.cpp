// Statistics of lists longer than 32768 values, each read from the list alone,
// one test per way the 15-bit generator once showed through: its outputs repeat
// every 2^31 steps, lie on a lattice, and nearby states give nearly the same
// sequence. Each prints its figure; the limits are four standard deviations
// or more from what a uniform order gives.
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

constexpr std::int64_t sampleSpan = 2147483647;

std::vector<std::int32_t> permutationFrom(std::uint32_t state, std::int64_t length)
{
    std::vector<std::int32_t> values(static_cast<std::size_t>(length));
    shuffleGenerator().state = state;
    permuteRange(values.data(), length, 0);
    return values;
}

std::vector<std::int32_t> sampleFrom(std::uint32_t state, std::int64_t count, std::int64_t span)
{
    std::vector<std::int32_t> values(static_cast<std::size_t>(count));
    shuffleGenerator().state = state;
    sampleDistinct(values.data(), count, 0, span);
    return values;
}

// pos[v]: where value v stands in a list of 0 .. n - 1.
std::vector<std::int64_t> positions(const std::vector<std::int32_t>& values)
{
    std::vector<std::int64_t> pos(values.size());
    for (std::size_t i = 0; i < values.size(); ++i)
        pos[static_cast<std::size_t>(values[i])] = static_cast<std::int64_t>(i);
    return pos;
}

double correlation(const std::vector<std::int64_t>& a, const std::vector<std::int64_t>& b)
{
    const double n = static_cast<double>(a.size());
    double sa = 0, sb = 0, saa = 0, sbb = 0, sab = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto x = static_cast<double>(a[i]), y = static_cast<double>(b[i]);
        sa += x, sb += y, saa += x * x, sbb += y * y, sab += x * y;
    }
    return (sab - sa * sb / n) / std::sqrt((saa - sa * sa / n) * (sbb - sb * sb / n));
}

void figure(const char* name, double value)
{
    std::printf("%s: %.4g\n", name, value);
}

} // namespace

// Past 2^31 steps the 15-bit outputs come round again, so a list drawn from them
// reused its draws beyond 4.3e8 values. Lists from states 2^31 steps apart show it
// at any length: they were the same list. A Run now steps the generator a fixed
// few times, whatever its length.
TEST(LongListStatistics, NoDrawServesTwice)
{
    for (const std::uint32_t state : {1u, 12345u}) {
        const std::uint32_t aroundTheCycle = shuffleStateAfter(state, std::uint64_t{1} << 31);
        EXPECT_FALSE(permutationFrom(state, 40000) == permutationFrom(aroundTheCycle, 40000));
        const auto sample = sampleFrom(state, 70000, sampleSpan);
        std::set<std::int32_t> shared(sample.begin(), sample.end());
        int common = 0;
        for (const std::int32_t v : sampleFrom(aroundTheCycle, 70000, sampleSpan))
            common += static_cast<int>(shared.count(v));
        figure("values shared by samples 2^31 steps apart", common);
        EXPECT_LT(common, 100); // 2.3 expected

        for (const std::int64_t length : {40000, 1 << 20}) {
            permutationFrom(state, length);
            const std::uint32_t after = shuffleGenerator().state;
            int steps = 0;
            while (steps < 4 && shuffleStateAfter(state, static_cast<std::uint64_t>(steps)) != after)
                ++steps;
            EXPECT_LT(steps, 4) << length;
        }
    }
}

// Consecutive 15-bit outputs satisfy 26u0 - 5u1 + 22u2 - 10u3 - 5u4 = const
// (mod 1), and the list kept it: T = frac(sum x_j pos(v + j) / n) clustered.
// Rayleigh's z of T is about 1 for a uniform order (P(z > 14) = 8e-7); the
// 15-bit rule gave 34 to 54 at this length.
TEST(LargeListStatistics, NoLattice)
{
    constexpr std::int64_t n = std::int64_t{1} << 21;
    const std::int64_t x[] = {26, -5, 22, -10, -5};
    for (const std::uint32_t state : {7u, 99u}) {
        const auto pos = positions(permutationFrom(state, n));
        double c = 0, s = 0;
        for (std::int64_t v = 0; v + 5 <= n; ++v) {
            std::int64_t sum = 0;
            for (int j = 0; j < 5; ++j)
                sum += x[j] * pos[static_cast<std::size_t>(v + j)];
            const double angle = 2 * std::numbers::pi * static_cast<double>(((sum % n) + n) % n) / static_cast<double>(n);
            c += std::cos(angle);
            s += std::sin(angle);
        }
        const double z = (c * c + s * s) / static_cast<double>(n - 4);
        figure("lattice Rayleigh z", z);
        EXPECT_LT(z, 14);
    }
}

// States a few steps apart gave nearly the same list (positions correlated at
// 0.98; 2^31 steps apart, the very same list). A uniform pair correlates within
// 1/sqrt(n) = 0.002 of 0; the limit is six of those.
TEST(LargeListStatistics, NearbyStatesGiveUnrelatedLists)
{
    constexpr std::int64_t n = std::int64_t{1} << 18;
    for (const std::uint64_t k : {std::uint64_t{1}, std::uint64_t{4}, std::uint64_t{1000}, std::uint64_t{1} << 31}) {
        double largest = 0;
        for (const std::uint32_t state : {3u, 2024u, 4000000000u}) {
            const double r = correlation(positions(permutationFrom(state, n)),
                                         positions(permutationFrom(shuffleStateAfter(state, k), n)));
            largest = std::max(largest, std::abs(r));
        }
        std::printf("steps %llu apart: ", static_cast<unsigned long long>(k));
        figure("largest correlation", largest);
        EXPECT_LT(largest, 0.012) << k;
    }
}

// A sample walked the 15-bit sequence for its gaps, so once the walk passed 2^31
// steps its stretches of gaps came round again. Windows of 32 consecutive gaps of
// the sorted sample: none should have a twin.
TEST(LargeListStatistics, SamplesDoNotRepeatThemselves)
{
    auto sample = sampleFrom(5, 1 << 20, sampleSpan);
    std::sort(sample.begin(), sample.end());
    std::set<std::vector<std::int32_t>> windows;
    int twins = 0;
    for (std::size_t at = 1; at + 32 <= sample.size(); at += 32) {
        std::vector<std::int32_t> gaps(32);
        for (std::size_t j = 0; j < 32; ++j)
            gaps[j] = sample[at + j] - sample[at + j - 1];
        twins += !windows.insert(gaps).second;
    }
    figure("gap windows with a twin", twins);
    EXPECT_EQ(twins, 0);
}

// The keep-or-skip decision of sparse samples read generator bits of period 2^21,
// which skewed the gaps. Summed over 100 samples, the chi-square of the gaps in
// ten classes equally likely for a uniform sample is 900 +- 42.
TEST(LargeListStatistics, SparseSamplesAreSpacedEvenly)
{
    constexpr std::int64_t count = 100000;
    const double p = static_cast<double>(count) / static_cast<double>(sampleSpan);
    double chiSquare = 0;
    shuffleSeed(1);
    for (int trial = 0; trial < 100; ++trial) {
        std::vector<std::int32_t> sample(count);
        sampleDistinct(sample.data(), count, 0, sampleSpan);
        std::sort(sample.begin(), sample.end());
        // Gap g - 1 between neighbours is nearly geometric; class k holds the
        // tenth of the distribution from the k/10 quantile on.
        std::vector<double> counts(10);
        for (std::size_t i = 1; i < sample.size(); ++i) {
            const double tail = std::exp(std::log1p(-p) * (sample[i] - sample[i - 1] - 1));
            counts[std::min<std::size_t>(9, static_cast<std::size_t>((1 - tail) * 10))] += 1;
        }
        const double expected = static_cast<double>(count - 1) / 10;
        for (const double c : counts)
            chiSquare += (c - expected) * (c - expected) / expected;
    }
    figure("summed gap chi-square", chiSquare);
    EXPECT_GT(chiSquare, 900 - 4 * 42.4);
    EXPECT_LT(chiSquare, 900 + 4 * 42.4);
}

// Samples from consecutive seeds: how often each 1/4096 of the range is drawn,
// over seeds 1 .. 1000. Linked seeds make the counts too even; a uniform sample
// gives chi-square 4095 +- 90.
TEST(LargeListStatistics, ConsecutiveSeedsGiveIndependentSamples)
{
    constexpr std::int64_t count = 65536;
    std::vector<double> cells(4096);
    std::vector<std::int32_t> sample(count);
    for (std::uint32_t seed = 1; seed <= 1000; ++seed) {
        shuffleSeed(seed);
        sampleDistinct(sample.data(), count, 0, sampleSpan);
        for (const std::int32_t v : sample)
            cells[static_cast<std::size_t>(static_cast<std::int64_t>(v) * 4096 / sampleSpan)] += 1;
    }
    const double expected = 1000.0 * count / 4096;
    double chiSquare = 0;
    for (const double c : cells)
        chiSquare += (c - expected) * (c - expected) / expected;
    figure("consecutive seeds inclusion chi-square", chiSquare);
    EXPECT_GT(chiSquare, 4095 - 3.5 * 90.5);
    EXPECT_LT(chiSquare, 4095 + 4 * 90.5);
}
