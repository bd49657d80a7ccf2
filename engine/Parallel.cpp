#include "Parallel.h"

#include <algorithm>
#include <atomic>

#if __has_include(<sched.h>)
#include <sched.h>
#endif

namespace mizel {

namespace {

std::atomic<int> chosenThreads{0};

int availableProcessors()
{
#ifdef CPU_COUNT
    // taskset and container limits show here, not in hardware_concurrency.
    cpu_set_t set;
    if (sched_getaffinity(0, sizeof set, &set) == 0)
        return std::max(1, CPU_COUNT(&set));
#endif
    return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

} // namespace

int threadCount()
{
    static const int processors = availableProcessors();
    const int chosen = chosenThreads.load(std::memory_order_relaxed);
    return chosen > 0 ? chosen : processors;
}

void setThreadCount(int threads)
{
    chosenThreads.store(std::max(0, threads), std::memory_order_relaxed);
}

} // namespace mizel
