#include "Generation.h"

#include "DistinctSample.h"
#include "MemoryHint.h"
#include "MersenneJump.h"
#include "MersenneTwister.h"
#include "Parallel.h"
#include "ScatterShuffle.h"

#include <algorithm>
#include <atomic>

namespace mizel {

namespace {

// Grows the list by count values a cache-sized block at a time, so that the
// zeroing done by resize() stays in cache right before fill overwrites it.
template<typename Fill>
void growInBlocks(std::vector<std::int32_t> &list, std::int64_t count, Fill fill)
{
    constexpr std::int64_t blockSize = 4096;
    for (std::int64_t done = 0; done < count; done += blockSize) {
        const std::size_t start = list.size();
        list.resize(start + static_cast<std::size_t>(std::min(blockSize, count - done)));
        fill(list.data() + start, list.data() + list.size());
    }
}

// Room for count more values, its pages mapped up front.
void reserveMore(std::vector<std::int32_t> &list, std::int64_t count)
{
    const std::size_t start = list.size();
    list.reserve(start + static_cast<std::size_t>(count));
    preferHugePages(list.data(), list.capacity() * sizeof(std::int32_t));
    mapPagesNow(list.data() + start, static_cast<std::size_t>(count) * sizeof(std::int32_t));
}

template<typename Fill>
void appendInBlocks(std::vector<std::int32_t> &list, std::int64_t count, Fill fill)
{
    if (count <= 0)
        return;
    reserveMore(list, count);
    growInBlocks(list, count, fill);
}

// Below this many values a second thread saves less than starting it and
// jumping ahead in the sequence cost.
constexpr std::int64_t parallelMinimum = std::int64_t{1} << 26;
// Growing the list over a value, a pass through memory that zeroes it, takes
// about 0.28 of the time of drawing it (measured with two threads on 10^9).
constexpr double growingShare = 0.28;

} // namespace

// The list is cut into one stretch per thread, each drawn from its own copy of
// the generator skipped ahead to the stretch. Only the calling thread may grow
// the list, and growing zeroes what it adds, so that thread first grows the list
// over the other threads' stretches, publishing how far it got, while they draw
// behind it; then it grows and draws the last stretch a block at a time. Its
// stretch is shorter by the growing, so that all finish together.
void appendWithRepeatsInParallel(std::vector<std::int32_t> &list, std::int64_t count, std::int32_t min,
                                 std::int64_t span, int threads)
{
    if (count <= 0)
        return;
    const auto others = threads - 1;
    const auto stretch = static_cast<std::int64_t>(static_cast<double>(count) / (threads - others * growingShare));
    std::vector<std::int64_t> bounds(threads + 1);
    for (int k = 0; k <= others; ++k)
        bounds[k] = std::min(count, k * stretch);
    bounds[threads] = count;
    // Skipping allocates its tables on first use: here, where a failure can
    // still leave the command, not on a helper thread.
    std::vector<MersenneTwisterState> generators(threads, mt);
    for (int k = 0; k < threads; ++k)
        mtSkip(generators[k], static_cast<std::uint64_t>(bounds[k]));

    reserveMore(list, count);
    const std::size_t start = list.size();
    std::int32_t *const values = list.data() + start;
    std::atomic<std::int64_t> grown{0};
    runInParallel(threads, [&](int part) {
        if (part == 0) {
            constexpr std::int64_t growStep = std::int64_t{1} << 24;
            const std::int64_t othersEnd = bounds[others];
            for (std::int64_t size = 0; size < othersEnd;) {
                size = std::min(othersEnd, size + growStep);
                list.resize(start + static_cast<std::size_t>(size));
                grown.store(size, std::memory_order_release);
            }
            growInBlocks(list, count - othersEnd, [&](std::int32_t *first, std::int32_t *last) {
                fillRandomBelow(first, last, min, span, generators[others]);
            });
            return;
        }
        constexpr std::int64_t drawStep = std::int64_t{1} << 16;
        for (std::int64_t first = bounds[part - 1]; first < bounds[part];) {
            const std::int64_t last = std::min(bounds[part], first + drawStep);
            while (grown.load(std::memory_order_acquire) < last)
                std::this_thread::yield();
            fillRandomBelow(values + first, values + last, min, span, generators[part - 1]);
            first = last;
        }
    });
    // The last stretch ends where the whole list does.
    mt = generators[others];
}

void appendWithRepeats(std::vector<std::int32_t> &list, std::int64_t count, std::int32_t min, std::int64_t span)
{
    const int threads = threadCount();
    if (threads > 1 && count >= parallelMinimum) {
        appendWithRepeatsInParallel(list, count, min, span, threads);
        return;
    }
    appendInBlocks(list, count, [&](std::int32_t *first, std::int32_t *last) {
        fillRandomBelow(first, last, min, span);
    });
}

void appendDistinct(std::vector<std::int32_t> &list, std::int64_t count, std::int32_t min, std::int64_t span)
{
    if (count <= 0)
        return;
    reserveMore(list, count);
    const std::size_t start = list.size();
    list.resize(start + static_cast<std::size_t>(count));
    if (count < span)
        sampleDistinct(list.data() + start, count, min, span);
    else
        permuteRange(list.data() + start, count, min);
}

} // namespace mizel
