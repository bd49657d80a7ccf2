#include "ShuffleRandom.h"
#include "WideMultiply.h"

#include <algorithm>
#include <utility>

namespace mizel {

namespace {

constexpr std::uint32_t shuffleMultiplier = 22695477;
constexpr std::uint32_t shuffleIncrement = 1;
// Below this many positions the partner is the 15-bit draw modulo i + 1, which keeps
// every shuffle of up to 32768 values as it always was.
constexpr std::uint64_t shuffleNarrowLimit = 32768;

std::uint32_t shuffleState;

constexpr int shuffleOutput(std::uint32_t state)
{
    return static_cast<int>((state >> 16) & 0x7FFF);
}

// Two and three steps at once, so that the three states of a wide draw do not
// wait on each other.
constexpr std::uint32_t shuffleMultiplier2 = shuffleMultiplier * shuffleMultiplier;
constexpr std::uint32_t shuffleIncrement2 = shuffleMultiplier * shuffleIncrement + shuffleIncrement;
constexpr std::uint32_t shuffleMultiplier3 = shuffleMultiplier2 * shuffleMultiplier;
constexpr std::uint32_t shuffleIncrement3 = shuffleMultiplier * shuffleIncrement2 + shuffleIncrement;

inline std::uint64_t shufflePartner(std::uint64_t i)
{
    if (i < shuffleNarrowLimit)
        return static_cast<std::uint64_t>(shuffleNext()) % (i + 1);
    return shuffleWideBelow(i + 1);
}

} // namespace

void shuffleSeed(std::uint32_t seed)
{
    shuffleState = seed;
    shuffleNext();
}

int shuffleNext()
{
    shuffleState = shuffleState * shuffleMultiplier + shuffleIncrement;
    return shuffleOutput(shuffleState);
}

// Lemire's multiply-shift on a 45-bit draw x: floor(x * bound / 2^45) is uniform
// once draws whose low part falls below 2^45 mod bound are rejected.
std::uint64_t shuffleWideBelow(std::uint64_t bound)
{
    constexpr int bits = 45;
    constexpr std::uint64_t lowMask = (std::uint64_t{1} << bits) - 1;
    for (;;) {
        const std::uint32_t s = shuffleState;
        const std::uint32_t s1 = s * shuffleMultiplier + shuffleIncrement;
        const std::uint32_t s2 = s * shuffleMultiplier2 + shuffleIncrement2;
        const std::uint32_t s3 = s * shuffleMultiplier3 + shuffleIncrement3;
        shuffleState = s3;
        const std::uint64_t x = (std::uint64_t(shuffleOutput(s1)) << 30) | (std::uint64_t(shuffleOutput(s2)) << 15)
            | std::uint64_t(shuffleOutput(s3));
        const WideProduct m = wideMultiply(x, bound);
        // The rejection threshold is below bound, so the division is rarely needed.
        const std::uint64_t low = m.low & lowMask;
        if (low >= bound || low >= (std::uint64_t{1} << bits) % bound)
            return (m.high << (64 - bits)) | (m.low >> bits);
    }
}

void shuffleValuesReference(std::int32_t* first, std::int32_t* last)
{
    const auto length = static_cast<std::uint64_t>(last - first);
    for (std::uint64_t i = 1; i < length; ++i)
        std::swap(first[i], first[shufflePartner(i)]);
}

namespace {

// Past the narrow part the partners are spread over the whole list, so each swap
// would wait on a cache miss. Partners do not depend on the values, so a batch of
// them is drawn first and their cache lines requested before the swaps.
// Positions below wideFrom (at most shuffleNarrowLimit) keep the 15-bit rule.
void shuffleBatched(std::int32_t* first, std::int32_t* last, std::uint64_t wideFrom)
{
    const auto length = static_cast<std::uint64_t>(last - first);
    const std::uint64_t narrowEnd = std::min(length, wideFrom);
    shuffleValuesReference(first, first + narrowEnd);

    constexpr std::uint64_t batch = 128;
    std::uint64_t partner[batch];
    for (std::uint64_t start = narrowEnd; start < length; start += batch) {
        const std::uint64_t count = std::min(batch, length - start);
        for (std::uint64_t k = 0; k < count; ++k) {
            partner[k] = shuffleWideBelow(start + k + 1);
            __builtin_prefetch(first + partner[k], 1);
        }
        for (std::uint64_t k = 0; k < count; ++k)
            std::swap(first[start + k], first[partner[k]]);
    }
}

} // namespace

void shuffleValues(std::int32_t* first, std::int32_t* last)
{
    shuffleBatched(first, last, shuffleNarrowLimit);
}

void shuffleValuesUniform(std::int32_t* first, std::int32_t* last)
{
    shuffleBatched(first, last, 1);
}

} // namespace mizel
