#pragma once
// 15-bit linear congruential generator and the exchange shuffle.
#include "Philox.h"
#include "WideMultiply.h"

#include <cstdint>

namespace mizel {

inline constexpr std::uint32_t shuffleMultiplier = 22695477;
inline constexpr std::uint32_t shuffleIncrement = 1;
// Lists up to this long keep the 15-bit partner rule of shuffleValues.
inline constexpr std::int64_t shuffleNarrowLimit = 32768;

// The generator on a state of its own, so that work split across threads can
// draw from known positions of the one sequence.
class ShuffleStream {
public:
    constexpr explicit ShuffleStream(std::uint32_t state = 0)
        : state(state)
    {
    }

    static constexpr int output(std::uint32_t state) { return static_cast<int>((state >> 16) & 0x7FFF); }

    int next()
    {
        state = state * shuffleMultiplier + shuffleIncrement;
        return output(state);
    }

    // Three consecutive outputs as one 45-bit number, the first one highest.
    std::uint64_t raw45()
    {
        // The three states come straight from the first, so they do not wait on
        // each other.
        const std::uint32_t s = state;
        const std::uint32_t t1 = s * shuffleMultiplier + shuffleIncrement;
        const std::uint32_t t2 = s * twoSteps.multiplier + twoSteps.increment;
        const std::uint32_t t3 = s * threeSteps.multiplier + threeSteps.increment;
        state = t3;
        return (std::uint64_t(output(t1)) << 30) | (std::uint64_t(output(t2)) << 15) | std::uint64_t(output(t3));
    }

    // Uniform in 0..bound-1 for bound from 1 to 2^45, from raw45 with rejection;
    // bound 2^45 gives the raw draw.
    std::uint64_t wideBelow(std::uint64_t bound)
    {
        constexpr int bits = 45;
        constexpr std::uint64_t lowMask = (std::uint64_t{1} << bits) - 1;
        for (;;) {
            const std::uint64_t x = raw45();
            // Lemire's multiply-shift: floor(x * bound / 2^45) is uniform once draws
            // whose low part falls below 2^45 mod bound are rejected. That threshold
            // is below bound, so the division is rarely needed.
            const WideProduct m = wideMultiply(x, bound);
            const std::uint64_t low = m.low & lowMask;
            if (low >= bound || low >= (std::uint64_t{1} << bits) % bound)
                return (m.high << (64 - bits)) | (m.low >> bits);
        }
    }

    std::uint32_t state;

private:
    // Two and three steps at once: state * multiplier + increment.
    struct Steps {
        std::uint32_t multiplier;
        std::uint32_t increment;
    };
    static constexpr Steps twoSteps{shuffleMultiplier * shuffleMultiplier, shuffleMultiplier * shuffleIncrement + shuffleIncrement};
    static constexpr Steps threeSteps{twoSteps.multiplier * shuffleMultiplier, shuffleMultiplier * twoSteps.increment + shuffleIncrement};
};

// The state `steps` steps after `state`, in O(log steps).
std::uint32_t shuffleStateAfter(std::uint32_t state, std::uint64_t steps);

void shuffleSeed(std::uint32_t seed);
int shuffleNext();
// The process-wide generator, for work that draws from it in bulk.
ShuffleStream& shuffleGenerator();

// The key of one bulk operation over more than 32768 values: the process-wide
// generator's state, which then steps once. Such an operation draws from Philox
// under this key and never from the 15-bit sequence, whose outputs repeat every
// 2^31 steps and fall on a lattice.
PhiloxKey takeBulkKey();

// Uniform in 0..bound-1 from the process-wide generator (ShuffleStream::wideBelow).
std::uint64_t shuffleWideBelow(std::uint64_t bound);

// Permutes first..last in place. Up to 32768 values: forward exchange shuffle,
// position i taking shuffleNext() % (i + 1). Longer lists: the uniform block
// scatter of ScatterShuffle.h under takeBulkKey(), which needs a copy of the list
// (Run never takes this path; it writes consecutive values straight into place).
// threads 0 means threadCount(); the result does not depend on it.
void shuffleValues(std::int32_t* first, std::int32_t* last, unsigned threads = 0);
// The same permutation and draws, in plain single-threaded loops (for tests).
void shuffleValuesReference(std::int32_t* first, std::int32_t* last);

} // namespace mizel
