#include "Generation.h"

#include "DistinctSample.h"
#include "MemoryHint.h"
#include "MersenneJump.h"
#include "MersenneTwister.h"
#include "Parallel.h"
#include "ScatterShuffle.h"

#include <algorithm>
#include <cstdint>

namespace mizel {

namespace {

// Progress units per value of each pass, on the scale of the engine's (a unit
// is about 0.1 s for 10^9 values on two cores): mapping the pages and drawing.
constexpr std::uint64_t mapUnits = 3;
constexpr std::uint64_t drawUnits = 8;
// Values drawn between two reports of the progress.
constexpr std::int64_t drawReportStep = std::int64_t{1} << 16;

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

// Grows the list by count values, unwritten, their pages mapped up front;
// false once stopped.
bool growUnwritten(ValueList &list, std::int64_t count, WorkProgress &progress)
{
    const std::size_t start = list.size();
    list.reserve(start + static_cast<std::size_t>(count));
    preferHugePages(list.data(), list.capacity() * sizeof(std::int32_t));
    mapPagesInParallel(list.data() + start, count, count >= parallelMinimum ? threadCount() : 1, progress);
    list.resize(start + static_cast<std::size_t>(count));
    return !progress.stopRequested();
}

// Draws values [first, last) of the list from generator, reporting the progress
// a step at a time; it ends early once stopped.
void drawStretch(std::int32_t *values, std::int64_t first, std::int64_t last, std::int32_t min, std::int64_t span,
                 MersenneTwisterState &generator, WorkProgress &progress)
{
    while (first < last) {
        const std::int64_t end = std::min(last, first + drawReportStep);
        fillRandomBelow(values + first, values + end, min, span, generator);
        if (!progress.advance(drawUnits * static_cast<std::uint64_t>(end - first)))
            return;
        first = end;
    }
}

} // namespace

// The list is cut into one stretch per thread, each drawn from its own copy of
// the generator skipped ahead to the stretch.
void appendWithRepeatsInParallel(ValueList &list, std::int64_t count, std::int32_t min, std::int64_t span,
                                 int threads, WorkProgress &progress)
{
    if (count <= 0)
        return;
    progress.plan((mapUnits + drawUnits) * static_cast<std::uint64_t>(count));
    const std::int64_t stretch = (count + threads - 1) / threads;
    const auto stretchStart = [&](int part) { return std::min(count, part * stretch); };
    // Skipping allocates its tables on first use: here, where a failure can
    // still leave the command, not on a helper thread.
    mtPrepareSkip();
    std::vector<MersenneTwisterState> generators(threads, mt);
    for (int part = 1; part < threads; ++part)
        mtSkip(generators[part], static_cast<std::uint64_t>(stretchStart(part)));

    const std::size_t start = list.size();
    if (!growUnwritten(list, count, progress))
        return;
    std::int32_t *const values = list.data() + start;
    runInParallel(threads, [&](int part) {
        drawStretch(values, stretchStart(part), stretchStart(part + 1), min, span, generators[part], progress);
    });
    // The last stretch ends where the whole list does.
    mt = generators[threads - 1];
}

void appendWithRepeats(ValueList &list, std::int64_t count, std::int32_t min, std::int64_t span,
                       WorkProgress &progress)
{
    const int threads = threadCount();
    if (threads > 1 && count >= parallelMinimum) {
        appendWithRepeatsInParallel(list, count, min, span, threads, progress);
        return;
    }
    if (count <= 0)
        return;
    progress.plan((mapUnits + drawUnits) * static_cast<std::uint64_t>(count));
    const std::size_t start = list.size();
    if (growUnwritten(list, count, progress))
        drawStretch(list.data() + start, 0, count, min, span, mt, progress);
}

void appendDistinct(ValueList &list, std::int64_t count, std::int32_t min, std::int64_t span,
                    WorkProgress &progress)
{
    if (count <= 0)
        return;
    const bool sample = count < span;
    progress.plan(mapUnits * static_cast<std::uint64_t>(count)
                  + (sample ? sampleDistinctUnits(count, span) : permuteRangeUnits(count)));
    const std::size_t start = list.size();
    if (!growUnwritten(list, count, progress))
        return;
    if (sample)
        sampleDistinct(list.data() + start, count, min, span, 0, progress);
    else
        permuteRange(list.data() + start, count, min, 0, progress);
}

} // namespace mizel
