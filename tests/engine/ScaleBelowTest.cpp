#include "BinaryRounding.h"
#include "MersenneTwister.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <tuple>
#include <utility>
#include <vector>

using namespace mizel;

// Under an emulator the cross builds compare fewer random pairs.
#ifndef MIZEL_EXACT_RANDOM_PAIRS
#define MIZEL_EXACT_RANDOM_PAIRS 10000000
#endif

namespace {

constexpr std::uint64_t divisor = 0xFFFFFFFF;

std::uint64_t inverseModDivisor(std::uint64_t n)
{
    std::int64_t r0 = static_cast<std::int64_t>(divisor), r1 = static_cast<std::int64_t>(n % divisor);
    std::int64_t t0 = 0, t1 = 1;
    while (r1 != 0) {
        const std::int64_t q = r0 / r1;
        std::tie(r0, r1) = std::pair(r1, r0 - q * r1);
        std::tie(t0, t1) = std::pair(t1, t0 - q * t1);
    }
    return r0 == 1 ? static_cast<std::uint64_t>((t0 % static_cast<std::int64_t>(divisor) + divisor) % divisor) : 0;
}

struct KnownCase {
    std::uint32_t u;
    std::int64_t n;
    std::int64_t expected;
};
const KnownCase knownCases[] = {
    {2147483648u, 10, 5},
    {3000000000u, 6, 4},
    {4294967294u, 100, 99},
    {2148008791u, 1000000007, 500122273}, // doubles throughout give 500122272
    {1073479252u, 1000000007, 249938867}, // truncating the extended product gives 249938866
    {0, 2147483647, 0},
    {0, 4294967296, 0},
    {123456789, 0, 0},
    {4294967295u, 1, 0},
    {4294967295u, 1000, 999},
    {4294967295u, 4294967296, 4294967295},
};

// A random range of one of four kinds in turn: any size, small, either sign, and
// just below the largest.
std::int64_t randomRange(std::mt19937_64& random, long i)
{
    switch (i % 4) {
    case 0: return static_cast<std::int64_t>(random() % 4294967296u) + 1;
    case 1: return static_cast<std::int64_t>(random() % 1000) + 1;
    case 2: return static_cast<std::int32_t>(random());
    default: return 4294967296 - static_cast<std::int64_t>(random() % 1000);
    }
}

// Calls check(u, n) for outputs u around r / n mod (2^32 - 1), which puts
// u * n / (2^32 - 1) exactly r / (2^32 - 1) past an integer: right where the
// extended-precision rounding decides the result.
template <typename Check>
void forEachPairNextToInteger(Check check)
{
    std::mt19937_64 random(5);
    std::vector<std::int64_t> ranges{2147483647, 1000000007, 4294967291, 4294967296, 65539, 3};
    for (int i = 0; i < 300; ++i)
        ranges.push_back(static_cast<std::int64_t>(random() % 4294967296u) + 1);
    // The extended steps round up across an integer from as far as about 1025 / D below it.
    const std::uint64_t offsets[] = {1, 2, 3, 600, 1000, 1023, 1025, 4096, 8191, 8192, 8193, 100000};
    for (const std::int64_t n : ranges) {
        const std::uint64_t inverse = inverseModDivisor(static_cast<std::uint64_t>(n));
        if (inverse == 0)
            continue;
        for (const std::uint64_t offset : offsets) {
            for (const std::uint64_t r : {offset, divisor - offset}) {
                const std::uint64_t u0 = r * inverse % divisor;
                for (std::uint64_t u = u0 - 2; u <= u0 + 2; ++u) {
                    if (u <= divisor)
                        check(static_cast<std::uint32_t>(u), n);
                }
            }
        }
    }
}

} // namespace

TEST(ScaleBelow, KnownValues)
{
    for (const KnownCase& c : knownCases) {
        EXPECT_EQ(scaleBelowReference(c.u, c.n), c.expected) << c.u << " " << c.n;
        EXPECT_EQ(scaleBelow(c.u, c.n), c.expected) << c.u << " " << c.n;
    }
}

TEST(ScaleBelow, RangeOfRandomBelow)
{
    mtSeed(2024);
    for (int i = 0; i < 100000; ++i) {
        ASSERT_EQ(randomBelow(1), 0);
        ASSERT_EQ(randomBelow(0), 0);
        const std::int32_t negative = randomBelow(-5);
        ASSERT_TRUE(negative >= -5 && negative <= 0) << negative;
        const std::int32_t six = randomBelow(6);
        ASSERT_TRUE(six >= 0 && six < 6) << six;
    }
}

TEST(ScaleBelow, FastPathMatchesReferenceOnRandomPairs)
{
    std::mt19937_64 random(99);
    for (int i = 0; i < 2000000; ++i) {
        const auto u = static_cast<std::uint32_t>(random());
        const std::int64_t n = randomRange(random, i);
        ASSERT_EQ(scaleBelow(u, n), scaleBelowReference(u, n)) << u << " " << n;
    }
}

TEST(ScaleBelow, FastPathMatchesReferenceNextToIntegers)
{
    int roundedAcross = 0;
    forEachPairNextToInteger([&](std::uint32_t u, std::int64_t n) {
        const std::int64_t reference = scaleBelowReference(u, n);
        ASSERT_EQ(scaleBelow(u, n), reference) << u << " " << n;
        const std::uint64_t quotient = std::uint64_t{u} * static_cast<std::uint64_t>(n) / divisor;
        roundedAcross += u < divisor && reference != static_cast<std::int64_t>(quotient);
    });
    // The pairs must include ones where exact floor division would be wrong.
    EXPECT_GT(roundedAcross, 100);
}

#ifdef MIZEL_HAS_X87_EXTENDED
// The integer steps stand in for the x87 unit where there is none, so they must
// agree with it everywhere: on the known cases, next to integers and at random.
TEST(ScaleBelow, ExactStepsMatchExtendedPrecision)
{
    long compared = 0, disagreements = 0;
    const auto compare = [&](std::uint32_t u, std::int64_t n) {
        ++compared;
        const std::int64_t exact = scaleBelowExact(u, n), extended = scaleBelowExtended(u, n);
        if (exact != extended && ++disagreements <= 10)
            ADD_FAILURE() << "u " << u << " n " << n << ": exact " << exact << ", extended " << extended;
    };
    for (const KnownCase& c : knownCases)
        compare(c.u, c.n);
    forEachPairNextToInteger(compare);
    std::mt19937_64 random(11);
    for (long i = 0; i < MIZEL_EXACT_RANDOM_PAIRS; ++i)
        compare(static_cast<std::uint32_t>(random()), randomRange(random, i));
    RecordProperty("compared", static_cast<int>(compared));
    EXPECT_EQ(disagreements, 0) << "of " << compared;
}

// The end-to-end comparison rarely meets an exact tie, so the rounding itself is
// checked against the hardware: products of factors of every length, many ending
// in runs of zeros or ones, so that the dropped bits are often exactly half or
// next to it; rounded to 64 bits like the x87 unit and to 53 like a double.
TEST(ScaleBelow, IntegerRoundingMatchesTheHardware)
{
    std::mt19937_64 random(3);
    const auto factor = [&] {
        std::uint64_t x = random() >> random() % 64;
        const std::uint64_t run = (std::uint64_t{1} << random() % 64) - 1;
        return random() % 3 == 0 ? x & ~run : random() % 2 == 0 ? x | run : x;
    };
    for (int i = 0; i < 1000000; ++i) {
        const std::uint64_t a = factor(), b = factor();
        const BinaryValue extended = roundToBits(wideMultiply(a, b), 0, 64);
        ASSERT_EQ(std::ldexp(static_cast<long double>(extended.significand), extended.exponent),
                  static_cast<long double>(a) * static_cast<long double>(b)) << a << " * " << b;
        const BinaryValue narrowed = roundToBits({0, a}, 0, 53);
        ASSERT_EQ(std::ldexp(static_cast<double>(narrowed.significand), narrowed.exponent),
                  static_cast<double>(a)) << a;
    }
}
#endif

TEST(ScaleBelow, FillMatchesOneDrawPerValue)
{
    const std::int64_t ranges[] = {1, 6, 1000000, 2147483647, 2147483648, 4294967295, 4294967296};
    for (const std::int64_t n : ranges) {
        for (const std::int32_t min : {0, -1000, INT32_MAX, INT32_MIN}) {
            mtSeed(static_cast<std::uint32_t>(n) ^ 77);
            for (int i = 0; i < 100; ++i)
                mtNext(); // start mid-block
            const auto saved = mt;
            std::vector<std::int32_t> filled(3 * mtN + 5);
            fillRandomBelow(filled.data(), filled.data() + filled.size(), min, n);
            const std::uint32_t after = mtNext();
            mt = saved;
            for (std::size_t i = 0; i < filled.size(); ++i) {
                const std::uint32_t value = n <= INT32_MAX ? static_cast<std::uint32_t>(randomBelow(static_cast<std::int32_t>(n)))
                                                           : static_cast<std::uint32_t>(scaleBelow(mtNext(), n));
                ASSERT_EQ(filled[i], static_cast<std::int32_t>(static_cast<std::uint32_t>(min) + value)) << n << " " << i;
            }
            EXPECT_EQ(mtNext(), after);
        }
    }
}

TEST(ScaleBelow, FillTakesTheCarefulPathNextToIntegers)
{
    const std::int64_t n = 4294967291;
    const std::uint64_t inverse = inverseModDivisor(n);
    std::vector<std::uint32_t> words{4294967295u, 4294967294u, 0, 1, 2148008791u, 1073479252u};
    for (std::uint64_t r = 1; r < 1200; r += 4) {
        words.push_back(static_cast<std::uint32_t>(r * inverse % divisor));
        words.push_back(static_cast<std::uint32_t>((divisor - r) * inverse % divisor));
    }
    // A block holding these words, as if the generator had produced them.
    mtSeed(1);
    std::copy(words.begin(), words.end(), mt.mtTempered);
    std::vector<std::int32_t> filled(words.size());
    fillRandomBelow(filled.data(), filled.data() + filled.size(), 10, n);
    for (std::size_t i = 0; i < words.size(); ++i)
        ASSERT_EQ(filled[i], static_cast<std::int32_t>(10 + scaleBelowReference(words[i], n))) << words[i];
}
