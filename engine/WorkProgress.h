#pragma once
// How far one long operation has got, and whether its user wants it stopped:
// shared by the threads doing the work and the thread that shows it. A bulk
// path plans the units it will report, advances them a chunk at a time and,
// once a stop is requested, returns within one chunk; its caller then throws
// WorkStopped.
#include <atomic>
#include <cstdint>
#include <exception>

namespace mizel {

// Thrown by a command whose work was stopped on request.
struct WorkStopped : std::exception
{
    const char *what() const noexcept override { return "work stopped"; }
};

class WorkProgress
{
public:
    // Adds to the units the whole operation will report.
    void plan(std::uint64_t units) { planned.fetch_add(units, std::memory_order_relaxed); }
    // Reports units done; false once the work should stop.
    bool advance(std::uint64_t units)
    {
        done.fetch_add(units, std::memory_order_relaxed);
        return !stopRequested();
    }
    bool stopRequested() const { return stop.load(std::memory_order_relaxed); }
    void requestStop() { stop.store(true, std::memory_order_relaxed); }
    void throwIfStopped() const
    {
        if (stopRequested())
            throw WorkStopped();
    }
    // Done against planned, from 0 to 1.
    double fraction() const;

private:
    std::atomic<std::uint64_t> planned{0};
    std::atomic<std::uint64_t> done{0};
    std::atomic<bool> stop{false};
};

// The progress of work that nobody watches or stops: what bulk paths report to
// when their caller passes none (tests, benchmarks).
WorkProgress &unwatchedWork();

} // namespace mizel
