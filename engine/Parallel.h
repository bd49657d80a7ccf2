#pragma once
// One bulk operation spread over the processor's cores. Threads live only
// inside one call: started by it and joined before it returns.
#include <exception>
#include <thread>
#include <vector>

namespace mizel {

// How many threads a bulk operation uses: one per processor the process may run
// on, unless set otherwise (benchmarks and tests compare thread counts).
int threadCount();
// 0 goes back to one per processor.
void setThreadCount(int threads);

// Calls part(k) for k = 0 .. parts - 1, part(0) on the calling thread and each
// other on a thread of its own, and returns once all have returned. A part that
// gets no thread runs on the calling thread after part(0). part must not throw.
template <typename Part>
void runInParallel(int parts, const Part& part)
{
    std::vector<std::thread> threads;
    int started = 1;
    try {
        threads.reserve(static_cast<std::size_t>(parts));
        for (; started < parts; ++started)
            threads.emplace_back(part, started);
    } catch (const std::exception&) {
        // Too many threads already, or no memory for one: fewer threads will do.
    }
    part(0);
    for (std::thread& thread : threads)
        thread.join();
    for (int k = started; k < parts; ++k)
        part(k);
}

} // namespace mizel
