#pragma once
// MT19937 with the 69069 seeding, block-wise refill and the x87-precision
// range mapping. One process-wide generator in static storage.
#include "BinaryRounding.h"

#include <cstdint>

namespace mizel {

inline constexpr int mtN = 624;
inline constexpr int mtM = 397;
inline constexpr std::uint32_t mtDefaultSeed = 4357;

// State laid out in one block so that mtTempered[0] directly follows the wrap slot.
struct MersenneTwisterState {
    std::int32_t mtIndex;
    std::uint32_t mtState[mtN + 1];
    std::uint32_t mtTempered[mtN];
    std::uint32_t mtSeeded;
    std::uint32_t mtPackedRefill;
};
extern MersenneTwisterState mt;

void mtSeed(std::uint32_t seed);
void mtRefill();
// Refills a used-up block, seeding with mtDefaultSeed first if nobody has seeded,
// so that a generator still all zero never hands out its zero block.
void mtEnsureBlock();

// The first draw from a generator nobody has seeded seeds it with mtDefaultSeed.
// Inline: a draw is a bound test, a load and an increment, and a call would cost
// more than that.
inline std::uint32_t mtNext()
{
    if (mt.mtIndex >= mtN || mt.mtSeeded == 0) [[unlikely]]
        mtEnsureBlock();
    return mt.mtTempered[mt.mtIndex++];
}

// The two refill forms; mtRefill picks one by mtPackedRefill. Exposed for tests.
void mtRefillPacked();
void mtRefillScalar();

// Steps 2 to 5 of the range mapping for one output u, for n from -2^31 to 2^32.
// Fast exact path; falls back to the reference near integer boundaries.
std::int64_t scaleBelow(std::uint32_t u, std::int64_t n);
// The same steps one rounding at a time: in x87 extended precision where long
// double is that format, in integers elsewhere. Output 2^32 - 1 gives n - 1.
std::int64_t scaleBelowReference(std::uint32_t u, std::int64_t n);
// The steps in integer arithmetic: each product formed exactly and rounded to a
// 64-bit significand, then to a double's 53 bits, then truncated. Any processor.
std::int64_t scaleBelowExact(std::uint32_t u, std::int64_t n);
#ifdef MIZEL_HAS_X87_EXTENDED
// The steps in the x87 unit's extended precision.
std::int64_t scaleBelowExtended(std::uint32_t u, std::int64_t n);
#endif

std::int32_t randomBelow(std::int32_t n);

// out[i] = min + scaleBelow(mtNext(), n) for every element, the addition
// wrapping in 32 bits; n from 1 to 2^32. One draw per element, in order.
void fillRandomBelow(std::int32_t* first, std::int32_t* last, std::int32_t min, std::int64_t n);

} // namespace mizel
