#include "MersenneTwister.h"
#include "BinaryRounding.h"
#include "TargetClones.h"

#include <algorithm>
#include <cstring>

namespace mizel {

MersenneTwisterState mt;

namespace {

constexpr std::uint32_t mtTemperB = 0x9D2C5680;
constexpr std::uint32_t mtTemperC = 0xEFC60000;
constexpr std::uint32_t mtSeedMultiplier = 69069;

// K = 0x8000000080000001 * 2^-95 = 2^-32 + 2^-64 + 2^-95: the extended value
// nearest to 1 / (2^32 - 1). The double nearest to it is a different number.
constexpr std::uint64_t mtScaleSignificand = 0x8000000080000001;
constexpr int mtScaleExponent = -95;

constexpr std::uint32_t mtDivisor = 0xFFFFFFFF;
constexpr std::int64_t mtMaxRange = std::int64_t{1} << 32;

inline std::uint32_t temper(std::uint32_t y)
{
    y ^= y >> 11;
    y ^= (y << 7) & mtTemperB;
    y ^= (y << 15) & mtTemperC;
    y ^= y >> 18;
    return y;
}

// Exact floor(u * n / (2^32 - 1)) in the high word; see scaleBelow for the proof.
// Nothing overflows for n <= 2^32 - 1, nor for n = 2^32 with u <= 2^32 - 2.
inline std::uint64_t scaledWord(std::uint32_t u, std::uint64_t n)
{
    const std::uint64_t product = u * n;
    return product + (product >> 32) + 1;
}

constexpr std::uint32_t scaleMargin = 1u << 13;

// Low word within scaleMargin of a multiple of 2^32: the quotient lies so close
// to an integer that the extended-precision steps may round across it.
inline bool nearInteger(std::uint64_t w)
{
    return static_cast<std::uint32_t>(static_cast<std::uint32_t>(w) + scaleMargin) < 2 * scaleMargin;
}

// One block of the bulk fill: out[k] = min + floor(u[k] * n / (2^32 - 1)). Written
// as a plain loop so that the compiler vectorises it. Returns whether any element needs the careful path.
[[gnu::always_inline]] inline bool scaleBlockBody(std::int32_t* out, const std::uint32_t* u, int count,
                                                  std::uint32_t min, std::uint32_t n)
{
    std::uint32_t near = 0;
    for (int k = 0; k < count; ++k) {
        const std::uint64_t w = scaledWord(u[k], n);
        out[k] = static_cast<std::int32_t>(min + static_cast<std::uint32_t>(w >> 32));
        near |= nearInteger(w);
    }
    return near != 0;
}

MIZEL_CLONES_AVX2(bool, scaleBlock, (std::int32_t* out, const std::uint32_t* u, int count, std::uint32_t min, std::uint32_t n),
                  (out, u, count, min, n))

} // namespace

void mtEnsureBlock(MersenneTwisterState& g)
{
    if (g.mtSeeded == 0)
        mtSeed(mtDefaultSeed, g);
    else if (g.mtIndex >= mtN)
        mtRefill(g);
}

void mtSeed(std::uint32_t seed, MersenneTwisterState& g)
{
    std::uint32_t s = seed;
    for (int i = 0; i < mtN; ++i) {
        const std::uint32_t hi = s & 0xFFFF0000;
        s = s * mtSeedMultiplier + 1;
        const std::uint32_t lo = (s & 0xFFFF0000) >> 16;
        s = s * mtSeedMultiplier + 1;
        g.mtState[i] = hi | lo;
    }
    g.mtPackedRefill = 1;
    g.mtSeeded = 1;
    mtRefill(g);
}

void mtRefill(MersenneTwisterState& g)
{
    if (g.mtPackedRefill != 0)
        mtRefillPacked(g);
    else
        mtRefillScalar(g);
}

void mtRefillScalar(MersenneTwisterState& g)
{
    std::uint32_t* s = g.mtState;
    for (int k = 0; k < mtN - mtM; ++k)
        s[k] = mtTwistWord(s[k], s[k + 1], s[k + mtM]);
    s[mtN] = s[0];
    for (int k = mtN - mtM; k < mtN; ++k)
        s[k] = mtTwistWord(s[k], s[k + 1], s[k - (mtN - mtM)]);
    for (int k = 0; k < mtN; ++k)
        g.mtTempered[k] = temper(s[k]);
    g.mtIndex = 0;
}

// Eight words per step in generic vector registers: AVX2 where the processor has
// it, two SSE2 halves otherwise. A step reads its words, their successors and the
// far words before it writes; the far words lie at least 227 words away, so the
// result equals stepping one word at a time. Phase 1 leaves 3 words and phase 2 its
// last 5 to the scalar step, so that no load passes the wrap slot.
namespace {

using Lanes = std::uint32_t __attribute__((vector_size(32)));
constexpr int lanes = sizeof(Lanes) / sizeof(std::uint32_t);

[[gnu::always_inline]] inline void twistLanes(std::uint32_t* s, int k, int far)
{
    Lanes word, next, farWords;
    std::memcpy(&word, s + k, sizeof word);
    std::memcpy(&next, s + k + 1, sizeof next);
    std::memcpy(&farWords, s + far, sizeof farWords);
    const Lanes y = (word & mtUpperMask) | (next & mtLowerMask);
    // t = (next & 1) - 1 is all ones for an even successor; ~t & matrix needs no branch.
    const Lanes t = (next & 1u) - 1u;
    const Lanes result = farWords ^ (y >> 1) ^ (~t & mtMatrix);
    std::memcpy(s + k, &result, sizeof result);
}

[[gnu::always_inline]] inline void temperLanes(std::uint32_t* out, const std::uint32_t* in)
{
    Lanes y;
    std::memcpy(&y, in, sizeof y);
    y ^= y >> 11;
    y ^= (y << 7) & mtTemperB;
    y ^= (y << 15) & mtTemperC;
    y ^= y >> 18;
    std::memcpy(out, &y, sizeof y);
}

} // namespace

[[gnu::always_inline]] inline void mtRefillPackedBody(MersenneTwisterState& g)
{
    std::uint32_t* s = g.mtState;
    constexpr int phase1End = mtN - mtM;                                   // 227
    constexpr int phase1Packed = phase1End / lanes * lanes;                // 224
    for (int k = 0; k < phase1Packed; k += lanes)
        twistLanes(s, k, k + mtM);
    for (int k = phase1Packed; k < phase1End; ++k)
        s[k] = mtTwistWord(s[k], s[k + 1], s[k + mtM]);
    s[mtN] = s[0];
    constexpr int phase2Packed = phase1End + (mtN - 1 - phase1End) / lanes * lanes; // 619
    for (int k = phase1End; k < phase2Packed; k += lanes)
        twistLanes(s, k, k - phase1End);
    for (int k = phase2Packed; k < mtN; ++k)
        s[k] = mtTwistWord(s[k], s[k + 1], s[k - phase1End]);

    static_assert(mtN % lanes == 0);
    for (int k = 0; k < mtN; k += lanes)
        temperLanes(g.mtTempered + k, s + k);
    g.mtIndex = 0;
}

MIZEL_CLONES_AVX2(void, mtRefillPacked, (MersenneTwisterState& g), (g))

std::int64_t scaleBelowExact(std::uint32_t u, std::int64_t n)
{
    // Rounding to nearest and truncation are symmetric about zero.
    const std::uint64_t magnitude = n < 0 ? 0 - static_cast<std::uint64_t>(n) : static_cast<std::uint64_t>(n);
    const BinaryValue p = roundToBits(wideMultiply(u, mtScaleSignificand), mtScaleExponent, 64);
    const BinaryValue q = roundToBits(wideMultiply(p.significand, magnitude), p.exponent, 64);
    const BinaryValue d = roundToBits({0, q.significand}, q.exponent, 53);
    // d is below 2^33 with 53 significant bits, so its exponent is negative.
    const int fractionBits = -d.exponent;
    const auto truncated = static_cast<std::int64_t>(fractionBits >= 64 ? 0 : d.significand >> fractionBits);
    return n < 0 ? -truncated : truncated;
}

#ifdef MIZEL_HAS_X87_EXTENDED
std::int64_t scaleBelowExtended(std::uint32_t u, std::int64_t n)
{
    constexpr long double scale = 0x8000000080000001p-95L;
    static_assert(scale == 0x1p-32L + 0x1p-64L + 0x1p-95L);
    const long double p = u * scale;
    const long double q = p * static_cast<long double>(n);
    const double d = static_cast<double>(q);
    return static_cast<std::int64_t>(d);
}
#endif

std::int64_t scaleBelowReference(std::uint32_t u, std::int64_t n)
{
    // The steps round 4294967295 * K to exactly 1 and would return n itself.
    if (u == mtDivisor && n >= 1)
        return n - 1;
#ifdef MIZEL_HAS_X87_EXTENDED
    return scaleBelowExtended(u, n);
#else
    return scaleBelowExact(u, n);
#endif
}

// Let x = u * n / D with D = 2^32 - 1, and P = u * n = a * 2^32 + b. Since
// 2^32 = D + 1, x = a + (a + b) / D. For u <= D - 1 and n <= 2^32, a <= D - 1 and
// b <= D, so s = a + b < 2D and floor(x) = a + [s >= D] = a + [s + 1 >= 2^32].
// W = P + a + 1 = a * 2^32 + s + 1 therefore has floor(x) in its high word, and its
// low word t gives the remainder r = s mod D = t - 1 + [s >= D].
//
// The reference computes d = x (1 + e0)(1 + e1)(1 + e2)(1 + e3): K is 1/D within
// about 2^-64 relative, the two extended products round by at most 2^-64 each and
// the double by at most 2^-53, so |d - x| < x * 2^-52 < 2^32 * 2^-52 = 2^-20, which
// is below 2^12 / D. Whenever nearInteger(W) is false, t lies in [2^13, 2^32 - 2^13),
// so r >= 2^13 - 1 and D - r >= 2^13: x is more than 2^12 / D away from both
// neighbouring integers, d lies strictly between them and trunc(d) = floor(x).
std::int64_t scaleBelow(std::uint32_t u, std::int64_t n)
{
    if (n <= 0 || n > mtMaxRange || u == mtDivisor)
        return scaleBelowReference(u, n);
    const std::uint64_t w = scaledWord(u, static_cast<std::uint64_t>(n));
    if (nearInteger(w)) [[unlikely]]
        return scaleBelowReference(u, n);
    return static_cast<std::int64_t>(w >> 32);
}

std::int32_t randomBelow(std::int32_t n)
{
    return static_cast<std::int32_t>(scaleBelow(mtNext(), n));
}

void fillRandomBelow(std::int32_t* first, std::int32_t* last, std::int32_t min, std::int64_t n,
                     MersenneTwisterState& g)
{
    const auto umin = static_cast<std::uint32_t>(min);
    if (n < 1 || n > mtDivisor) {
        // The whole 32-bit range (n = 2^32) takes one full draw at a time: the block
        // kernel multiplies 32-bit words only, which keeps it fast for every other n.
        for (; first != last; ++first)
            *first = static_cast<std::int32_t>(umin + static_cast<std::uint32_t>(scaleBelow(mtNext(g), n)));
        return;
    }
    const auto n32 = static_cast<std::uint32_t>(n);
    while (first != last) {
        mtEnsureBlock(g);
        const int count = static_cast<int>(std::min<std::ptrdiff_t>(last - first, mtN - g.mtIndex));
        const std::uint32_t* u = g.mtTempered + g.mtIndex;
        if (scaleBlock(first, u, count, umin, n32)) [[unlikely]] {
            for (int k = 0; k < count; ++k) {
                if (nearInteger(scaledWord(u[k], n32)))
                    first[k] = static_cast<std::int32_t>(umin + static_cast<std::uint32_t>(scaleBelow(u[k], n)));
            }
        }
        g.mtIndex += count;
        first += count;
    }
}

} // namespace mizel
