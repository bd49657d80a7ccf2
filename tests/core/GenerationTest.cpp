#include "../engine/StopProbe.h"
#include "Generation.h"
#include "MersenneTwister.h"
#include "RunCommand.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <vector>

namespace {

struct Fill {
    mizel::ValueList list;
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
    // Lengths that the threads share unevenly, one shorter than their number.
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

TEST(Generation, EveryPathWritesEveryValueItGrowsTheListBy)
{
    // The list grows over memory left as the last list had it: a value some
    // path skipped would keep that list's value, here one outside every range.
    constexpr std::int64_t count = 300001;
    const std::function<void(mizel::ValueList&)> paths[] = {
        [](auto& list) { mizel::appendWithRepeats(list, count, 0, 1000); },
        [](auto& list) { mizel::appendWithRepeatsInParallel(list, count, 0, 1000, 3); },
        [](auto& list) { mizel::appendDistinct(list, count, 0, count); },
        [](auto& list) { mizel::appendDistinct(list, count, 0, std::int64_t{1} << 30); }};
    for (const auto& path : paths) {
        mizel::ValueList list(count + 1, -1);
        list.resize(1);
        path(list);
        ASSERT_EQ(list.size(), static_cast<std::size_t>(count + 1));
        EXPECT_EQ(std::count(list.begin() + 1, list.end(), -1), 0);
    }
}

TEST(Generation, RunsReportProgressAndStopWithinAChunk)
{
    constexpr std::int32_t count = 1 << 23;
    mizel::ValueList list;
    const std::function<void(mizel::WorkProgress&)> paths[] = {
        [&](auto& p) { mizel::fillList(list, {-3, 1000, count}, false, p); },
        [&](auto& p) { mizel::fillList(list, {0, count, count}, true, p); },
        [&](auto& p) { mizel::fillList(list, {0, std::int64_t{1} << 31, count}, true, p); },
        [&](auto& p) {
            mizel::appendWithRepeatsInParallel(list, count, -3, 1000, 3, p);
            if (p.stopRequested())
                mizel::ValueList().swap(list);
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
