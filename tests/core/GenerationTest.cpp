#include "../engine/StopProbe.h"
#include "Generation.h"
#include "MersenneTwister.h"
#include "RunCommand.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

struct Fill {
    std::vector<std::int32_t> list;
    std::uint32_t nextDraw;
};

// Appends to a list that already holds a value, from a generator part-way
// through its block, and notes the draw that follows.
template <typename Append>
Fill fillFrom(const mizel::MersenneTwisterState& start, Append append)
{
    mizel::mt = start;
    Fill fill{{-5}, 0};
    append(fill.list);
    fill.nextDraw = mizel::mtNext();
    return fill;
}

} // namespace

TEST(Generation, ThreadsDrawTheSameListAsOneThread)
{
    mizel::mtSeed(42);
    mizel::mtNext();
    const mizel::MersenneTwisterState start = mizel::mt;
    // The last count passes the calling thread's first growing step, so that it
    // also draws a part of its own.
    for (const std::int64_t count : {std::int64_t{1}, std::int64_t{623}, std::int64_t{5000}, std::int64_t{300001},
                                     (std::int64_t{1} << 25) + 12345}) {
        for (const std::int64_t span : {std::int64_t{6}, std::int64_t{1} << 32}) {
            const Fill serial = fillFrom(start, [&](auto& list) { mizel::appendWithRepeats(list, count, -3, span); });
            for (const int threads : {2, 3}) {
                const Fill parallel = fillFrom(start, [&](auto& list) {
                    mizel::appendWithRepeatsInParallel(list, count, -3, span, threads);
                });
                ASSERT_EQ(parallel.list, serial.list) << count << " values, span " << span << ", " << threads << " threads";
                ASSERT_EQ(parallel.nextDraw, serial.nextDraw) << count << " values, " << threads << " threads";
            }
        }
    }
}

TEST(Generation, RunsReportProgressAndStopWithinAChunk)
{
    constexpr std::int32_t count = 1 << 23;
    std::vector<std::int32_t> list;
    const std::function<void(mizel::WorkProgress&)> paths[] = {
        [&](auto& p) { mizel::fillList(list, {-3, 1000, count}, false, p); },
        [&](auto& p) { mizel::fillList(list, {0, count, count}, true, p); },
        [&](auto& p) { mizel::fillList(list, {0, std::int64_t{1} << 31, count}, true, p); },
        [&](auto& p) {
            mizel::appendWithRepeatsInParallel(list, count, -3, 1000, 3, p);
            if (p.stopRequested())
                std::vector<std::int32_t>().swap(list);
            p.throwIfStopped();
        }};
    for (const auto& path : paths) {
        // The first chunk maps 16 MiB of the list's 32.
        mizel::WorkProgress stopped;
        stopped.requestStop();
        EXPECT_THROW(path(stopped), mizel::WorkStopped);
        EXPECT_EQ(list.capacity(), 0u);
        EXPECT_LT(stopped.fraction(), 0.15);
        for (const double stopAt : {0.3, 0.6, 0.9})
            EXPECT_LT(shareDoneAfterStop(stopAt, path), 0.05) << "stopped at " << stopAt;
        // Whatever was stopped, the next Run makes its whole list.
        list.clear();
        mizel::WorkProgress whole;
        path(whole);
        EXPECT_EQ(list.size(), std::size_t{count});
        EXPECT_EQ(whole.fraction(), 1);
    }
}
