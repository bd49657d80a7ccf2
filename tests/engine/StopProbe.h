#pragma once
// Runs work, asking it from another thread to stop once stopAt of it is done:
// the share it did after that.
#include "WorkProgress.h"

#include <thread>

template <typename Work>
double shareDoneAfterStop(double stopAt, Work work)
{
    mizel::WorkProgress progress;
    double atStop = 0;
    std::thread watcher([&] {
        while (progress.fraction() < stopAt)
            std::this_thread::yield();
        progress.requestStop();
        atStop = progress.fraction();
    });
    try {
        work(progress);
    } catch (const mizel::WorkStopped &) {
    }
    watcher.join();
    return progress.fraction() - atStop;
}
