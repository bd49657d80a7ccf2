#include "ShuffleRandom.h"

#include "ScatterShuffle.h"

#include <utility>
#include <vector>

namespace mizel {

namespace {

ShuffleStream generator;

// Up to shuffleNarrowLimit values every partner is the 15-bit draw modulo i + 1.
void shuffleNarrow(std::int32_t* first, std::int32_t* last)
{
    const auto length = static_cast<std::uint64_t>(last - first);
    for (std::uint64_t i = 1; i < length; ++i)
        std::swap(first[i], first[static_cast<std::uint64_t>(shuffleNext()) % (i + 1)]);
}

} // namespace

std::uint32_t shuffleStateAfter(std::uint32_t state, std::uint64_t steps)
{
    // Compose the affine maps of 1, 2, 4, ... steps picked out by the bits of steps.
    std::uint32_t multiplier = 1;
    std::uint32_t increment = 0;
    std::uint32_t powerMultiplier = shuffleMultiplier;
    std::uint32_t powerIncrement = shuffleIncrement;
    for (; steps != 0; steps >>= 1) {
        if (steps & 1) {
            multiplier *= powerMultiplier;
            increment = increment * powerMultiplier + powerIncrement;
        }
        powerIncrement = powerIncrement * powerMultiplier + powerIncrement;
        powerMultiplier *= powerMultiplier;
    }
    return state * multiplier + increment;
}

void shuffleSeed(std::uint32_t seed)
{
    generator.state = seed;
    generator.next();
}

int shuffleNext()
{
    return generator.next();
}

ShuffleStream& shuffleGenerator()
{
    return generator;
}

PhiloxKey takeBulkKey()
{
    // The second word tells these keys from any other use of Philox.
    const PhiloxKey key{generator.state, 0x4D697A6C};
    generator.next();
    return key;
}

std::uint64_t shuffleWideBelow(std::uint64_t bound)
{
    return generator.wideBelow(bound);
}

void shuffleValues(std::int32_t* first, std::int32_t* last, unsigned threads)
{
    const std::int64_t length = last - first;
    if (length <= shuffleNarrowLimit) {
        shuffleNarrow(first, last);
        return;
    }
    const std::vector<std::int32_t> values(first, last);
    ScatterSource source{scatterChunkStarts(length), {}};
    source.produce = [&](std::size_t chunk, const ScatterSource::Emit& emit) {
        const std::int64_t begin = source.chunkStarts[chunk];
        emit(values.data() + begin, static_cast<std::size_t>(source.chunkStarts[chunk + 1] - begin));
    };
    scatterShuffle(first, source, scatterBlockBits(length), threads);
}

void shuffleValuesReference(std::int32_t* first, std::int32_t* last)
{
    const std::int64_t length = last - first;
    if (length <= shuffleNarrowLimit) {
        shuffleNarrow(first, last);
        return;
    }
    const std::vector<std::int32_t> values(first, last);
    scatterShuffleReference(first, values.data(), length, scatterBlockBits(length));
}

} // namespace mizel
