#pragma once
// A long command's work (Run, Copy, Save) on a thread of its own, so that the
// window's thread keeps painting, shows the progress and can stop it. The
// window's thread starts it, polls it and finishes it; nothing else touches the
// data the work uses meanwhile.
#include "WorkProgress.h"

#include <cstdint>
#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <thread>

namespace mizel {

enum class WorkKind { Run, Copy, Save };

class BackgroundWork
{
public:
    using Work = std::function<void(WorkProgress &)>;

    // Work younger than this shows no progress: short work looks as it always did.
    static constexpr std::uint32_t progressDelayTicks = 300;
    // How often the window's thread looks at the progress.
    static constexpr std::uint32_t refreshTicks = 100;

    // Starts work(progress) on its own thread; wake() is called on that thread
    // once the work has ended, to rouse the window's thread.
    BackgroundWork(WorkKind kind, Work work, std::function<void()> wake);
    // Stops the work if it still runs, and waits for it.
    ~BackgroundWork();
    BackgroundWork(const BackgroundWork &) = delete;
    BackgroundWork &operator=(const BackgroundWork &) = delete;

    bool ended() const { return hasEnded.load(std::memory_order_acquire); }
    void requestStop() { progress.requestStop(); }
    bool stopRequested() const { return progress.stopRequested(); }
    // Waits for the end, then rethrows what the work threw: WorkStopped when
    // it stopped on request.
    void finish();

    // The status bar's text while the work runs, from progressDelayTicks on.
    std::optional<std::string> progressMessage(std::uint32_t nowTick) const;
    // The share done, 0 to 100.
    int percent() const;
    // The status bar's text once the work has stopped on request.
    std::string_view stoppedMessage() const;

private:
    WorkKind kind;
    std::uint32_t startTick;
    WorkProgress progress;
    std::exception_ptr failure;
    std::atomic<bool> hasEnded{false};
    std::thread thread;
};

// "作成中　42%　残り約15秒　Escで中止": the time left shows once it can be told
// from the share done after elapsedTicks.
std::string progressMessage(WorkKind kind, double fraction, std::uint32_t elapsedTicks);

} // namespace mizel
