#include "Generation.h"

#include "DistinctSample.h"
#include "MemoryHint.h"
#include "MersenneJump.h"
#include "MersenneTwister.h"
#include "Parallel.h"
#include "ScatterShuffle.h"

#include <algorithm>
#include <atomic>
#include <cstdint>

namespace mizel {

namespace {

// Progress units per value of each pass, on the scale of the engine's (a unit
// is about 0.1 s for 10^9 values on two cores): mapping the pages, growing the
// list while others draw, drawing, and zeroing it alone.
constexpr std::uint64_t mapUnits = 3;
constexpr std::uint64_t growUnits = 2;
constexpr std::uint64_t drawUnits = 8;
constexpr std::uint64_t zeroUnits = 5;
// Values drawn between two reports of the progress.
constexpr std::int64_t drawReportStep = std::int64_t{1} << 16;
// Values the list grows by at a time where it grows alone.
constexpr std::int64_t growStep = std::int64_t{1} << 24;

// Grows the list by count values a cache-sized block at a time, so that the
// zeroing done by resize() stays in cache right before fill overwrites it.
template<typename Fill>
void growInBlocks(std::vector<std::int32_t> &list, std::int64_t count, Fill fill, WorkProgress &progress)
{
    constexpr std::int64_t blockSize = 4096;
    for (std::int64_t done = 0; done < count;) {
        const std::int64_t reportAt = std::min(count, done + drawReportStep);
        const std::int64_t from = done;
        for (; done < reportAt; done += blockSize) {
            const std::size_t start = list.size();
            list.resize(start + static_cast<std::size_t>(std::min(blockSize, count - done)));
            fill(list.data() + start, list.data() + list.size());
        }
        if (!progress.advance((growUnits + drawUnits) * static_cast<std::uint64_t>(reportAt - from)))
            return;
    }
}

// Grows the list by count zeroed values, a step at a time.
void growZeroed(std::vector<std::int32_t> &list, std::int64_t count, WorkProgress &progress)
{
    for (std::int64_t done = 0; done < count;) {
        const std::int64_t step = std::min(growStep, count - done);
        list.resize(list.size() + static_cast<std::size_t>(step));
        done += step;
        if (!progress.advance(zeroUnits * static_cast<std::uint64_t>(step)))
            return;
    }
}

// Below this many values a second thread saves less than starting it and
// jumping ahead in the sequence cost.
constexpr std::int64_t parallelMinimum = std::int64_t{1} << 26;

// Maps the pages of count values at first, parts threads each a share. The
// system clears every fresh page it maps, a pass over the memory that one core
// alone makes at a fraction of the speed of memory. The shares meet on huge-page
// boundaries, so that no page is left between two of them.
void mapPagesInParallel(std::int32_t *first, std::int64_t count, int parts, WorkProgress &progress)
{
    constexpr std::uintptr_t hugePage = std::uintptr_t{1} << 21;
    // Small enough to look at the progress every few hundredths of a second.
    constexpr std::uintptr_t mapStep = std::uintptr_t{1} << 24;
    const auto begin = reinterpret_cast<std::uintptr_t>(first);
    const auto end = begin + static_cast<std::uintptr_t>(count) * sizeof(std::int32_t);
    const auto shareStart = [&](int part) {
        if (part == parts)
            return end;
        return std::max(begin, (begin + (end - begin) / parts * part) & ~(hugePage - 1));
    };
    runInParallel(parts, [&](int part) {
        const std::uintptr_t shareEnd = shareStart(part + 1);
        for (std::uintptr_t address = shareStart(part); address < shareEnd;) {
            const std::uintptr_t next = std::min(shareEnd, (address + mapStep) & ~(mapStep - 1));
            mapPagesNow(reinterpret_cast<void *>(address), next - address);
            if (!progress.advance(mapUnits * ((next - address) / sizeof(std::int32_t))))
                return;
            address = next;
        }
    });
}

// Room for count more values, its pages mapped up front; false once stopped.
bool reserveMore(std::vector<std::int32_t> &list, std::int64_t count, WorkProgress &progress)
{
    const std::size_t start = list.size();
    list.reserve(start + static_cast<std::size_t>(count));
    preferHugePages(list.data(), list.capacity() * sizeof(std::int32_t));
    mapPagesInParallel(list.data() + start, count, count >= parallelMinimum ? threadCount() : 1, progress);
    return !progress.stopRequested();
}

// Growing the list over a value, a pass through memory that zeroes it, takes
// about 0.28 of the time of drawing it (measured with two threads on 10^9); it
// sizes the stretches of all helpers but the last.
constexpr double growingShare = 0.28;
// Growing and drawing a value a block at a time costs about 1.2 times drawing it
// into memory grown before (thread time, 10^9 values).
constexpr double growingDrawCost = 1.2;

} // namespace

// The list is cut into one stretch per thread, each drawn from its own copy of
// the generator skipped ahead to the stretch. Only the calling thread grows the
// list, and growing zeroes what it adds, so that thread first grows the list over
// the other threads' stretches, publishing how far it got, while they draw behind
// it; then it grows and draws the last stretch a block at a time. Where the last
// helper's stretch ends is chosen on the way: the calling thread stops growing
// for it once it has as much left to draw as the calling thread would have after
// that point, so that all finish together however busy the processor is.
void appendWithRepeatsInParallel(std::vector<std::int32_t> &list, std::int64_t count, std::int32_t min,
                                 std::int64_t span, int threads, WorkProgress &progress)
{
    if (count <= 0)
        return;
    progress.plan((mapUnits + growUnits + drawUnits) * static_cast<std::uint64_t>(count));
    const auto others = threads - 1;
    const auto stretch = static_cast<std::int64_t>(static_cast<double>(count) / (threads - others * growingShare));
    // Helper k draws from stretchStart(k); all but the last end where the next begins.
    const auto stretchStart = [&](int helper) { return std::min(count, (helper - 1) * stretch); };
    const std::int64_t lastStart = others > 0 ? stretchStart(others) : 0;
    // Skipping allocates its tables on first use: here, where a failure can
    // still leave the command, not on a helper thread.
    mtPrepareSkip();
    std::vector<MersenneTwisterState> generators(threads, mt);
    for (int helper = 1; helper <= others; ++helper)
        mtSkip(generators[helper], static_cast<std::uint64_t>(stretchStart(helper)));

    if (!reserveMore(list, count, progress))
        return;
    const std::size_t start = list.size();
    std::int32_t *const values = list.data() + start;
    std::atomic<std::int64_t> grown{0};
    std::atomic<std::int64_t> split{others > 0 ? count : 0};
    std::atomic<std::int64_t> lastHelperDrawn{lastStart};
    runInParallel(threads, [&](int part) {
        if (part == 0) {
            std::int64_t size = 0;
            while (size < split.load(std::memory_order_relaxed)) {
                const std::int64_t from = size;
                size = std::min(count, size + growStep);
                list.resize(start + static_cast<std::size_t>(size));
                grown.store(size, std::memory_order_release);
                const std::int64_t behind = size - lastHelperDrawn.load(std::memory_order_relaxed);
                if (size > lastStart && behind >= growingDrawCost * static_cast<double>(count - size))
                    split.store(size, std::memory_order_release);
                // The helpers waiting for more see the stop themselves.
                if (!progress.advance(growUnits * static_cast<std::uint64_t>(size - from)))
                    return;
            }
            mtSkip(generators[0], static_cast<std::uint64_t>(size));
            growInBlocks(list, count - size, [&](std::int32_t *first, std::int32_t *last) {
                fillRandomBelow(first, last, min, span, generators[0]);
            }, progress);
            return;
        }
        constexpr std::int64_t drawStep = std::int64_t{1} << 16;
        for (std::int64_t first = stretchStart(part);;) {
            std::int64_t last;
            for (;;) {
                const std::int64_t end = part < others ? stretchStart(part + 1) : split.load(std::memory_order_acquire);
                last = std::min(end, first + drawStep);
                if (grown.load(std::memory_order_acquire) >= last)
                    break;
                if (progress.stopRequested())
                    return;
                std::this_thread::yield();
            }
            if (first >= last)
                return;
            fillRandomBelow(values + first, values + last, min, span, generators[part]);
            if (part == others)
                lastHelperDrawn.store(last, std::memory_order_relaxed);
            if (!progress.advance(drawUnits * static_cast<std::uint64_t>(last - first)))
                return;
            first = last;
        }
    });
    // The calling thread's stretch ends where the whole list does.
    mt = generators[0];
}

void appendWithRepeats(std::vector<std::int32_t> &list, std::int64_t count, std::int32_t min, std::int64_t span,
                       WorkProgress &progress)
{
    const int threads = threadCount();
    if (threads > 1 && count >= parallelMinimum) {
        appendWithRepeatsInParallel(list, count, min, span, threads, progress);
        return;
    }
    if (count <= 0)
        return;
    progress.plan((mapUnits + growUnits + drawUnits) * static_cast<std::uint64_t>(count));
    if (reserveMore(list, count, progress)) {
        growInBlocks(list, count, [&](std::int32_t *first, std::int32_t *last) {
            fillRandomBelow(first, last, min, span);
        }, progress);
    }
}

void appendDistinct(std::vector<std::int32_t> &list, std::int64_t count, std::int32_t min, std::int64_t span,
                    WorkProgress &progress)
{
    if (count <= 0)
        return;
    const bool sample = count < span;
    progress.plan((mapUnits + zeroUnits) * static_cast<std::uint64_t>(count)
                  + (sample ? sampleDistinctUnits(count) : permuteRangeUnits(count)));
    if (!reserveMore(list, count, progress))
        return;
    const std::size_t start = list.size();
    growZeroed(list, count, progress);
    if (progress.stopRequested())
        return;
    if (sample)
        sampleDistinct(list.data() + start, count, min, span, 0, progress);
    else
        permuteRange(list.data() + start, count, min, 0, progress);
}

} // namespace mizel
