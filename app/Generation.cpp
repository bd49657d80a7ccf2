#include "Generation.h"

#include "DistinctSample.h"
#include "MemoryHint.h"
#include "MersenneTwister.h"
#include "ScatterShuffle.h"

#include <algorithm>

namespace mizel {

namespace {

// Grows the list a cache-sized block at a time so that the zeroing done by
// resize() stays in cache right before fill overwrites it.
template<typename Fill>
void appendInBlocks(std::vector<std::int32_t> &list, std::int64_t count, Fill fill)
{
    if (count <= 0)
        return;
    list.reserve(list.size() + static_cast<std::size_t>(count));
    preferHugePages(list.data(), list.capacity() * sizeof(std::int32_t));
    constexpr std::int64_t blockSize = 4096;
    for (std::int64_t done = 0; done < count; done += blockSize) {
        const std::size_t start = list.size();
        list.resize(start + static_cast<std::size_t>(std::min(blockSize, count - done)));
        fill(list.data() + start, list.data() + list.size());
    }
}

} // namespace

void appendWithRepeats(std::vector<std::int32_t> &list, std::int64_t count, std::int32_t min, std::int64_t span)
{
    appendInBlocks(list, count, [&](std::int32_t *first, std::int32_t *last) {
        fillRandomBelow(first, last, min, span);
    });
}

void appendDistinct(std::vector<std::int32_t> &list, std::int64_t count, std::int32_t min, std::int64_t span,
                    unsigned threads)
{
    if (count <= 0)
        return;
    const std::size_t start = list.size();
    if (count < span) {
        list.resize(start + static_cast<std::size_t>(count));
        sampleDistinct(list.data() + start, count, min, span, threads);
        return;
    }
    list.reserve(start + static_cast<std::size_t>(count));
    preferHugePages(list.data(), list.capacity() * sizeof(std::int32_t));
    list.resize(start + static_cast<std::size_t>(count));
    permuteRange(list.data() + start, count, min, threads);
}

} // namespace mizel
