#include "BackgroundWork.h"

#include "RunCommand.h"
#include "Texts.h"

#include <cmath>
#include <system_error>
#include <utility>

namespace mizel {

namespace {

struct KindTexts
{
    std::string_view doing;
    std::string_view stopped;
};

// In the order of WorkKind.
constexpr KindTexts kindTextsInOrder[] = {
    {texts::runProgress, texts::runStopped},
    {texts::copyProgress, texts::copyStopped},
    {texts::saveProgress, texts::saveStopped},
};

const KindTexts &kindTexts(WorkKind kind)
{
    return kindTextsInOrder[static_cast<int>(kind)];
}

} // namespace

BackgroundWork::BackgroundWork(WorkKind kind, Work work, std::function<void()> wake)
    : kind(kind)
    , startTick(tickCount())
{
    auto perform = [this, work = std::move(work), wake = std::move(wake)] {
        try {
            work(progress);
        } catch (...) {
            failure = std::current_exception();
        }
        hasEnded.store(true, std::memory_order_release);
        wake();
    };
    try {
        thread = std::thread(perform);
    } catch (const std::system_error &) {
        // No room for a thread's stack, with memory nearly all taken: the work
        // is done here then, without progress, as it would be without threads.
        perform();
    }
}

BackgroundWork::~BackgroundWork()
{
    if (thread.joinable()) {
        progress.requestStop();
        thread.join();
    }
}

void BackgroundWork::finish()
{
    if (thread.joinable())
        thread.join();
    if (failure)
        std::rethrow_exception(std::exchange(failure, nullptr));
}

std::optional<std::string> BackgroundWork::progressMessage(std::uint32_t nowTick) const
{
    const std::uint32_t elapsed = nowTick - startTick;
    if (elapsed < progressDelayTicks)
        return std::nullopt;
    return mizel::progressMessage(kind, progress.fraction(), elapsed);
}

int BackgroundWork::percent() const
{
    return static_cast<int>(progress.fraction() * 100);
}

std::string_view BackgroundWork::stoppedMessage() const
{
    return kindTexts(kind).stopped;
}

namespace {

// A second's worth of work and a share of 2% at least: earlier guesses swing too much.
constexpr std::uint32_t estimateAfterTicks = 1000;
constexpr double estimateAfterFraction = 0.02;

} // namespace

std::string progressMessage(WorkKind kind, double fraction, std::uint32_t elapsedTicks)
{
    constexpr std::string_view gap = "　";
    std::string message(kindTexts(kind).doing);
    message += gap;
    message += std::to_string(static_cast<int>(fraction * 100));
    message += '%';
    if (elapsedTicks >= estimateAfterTicks && fraction >= estimateAfterFraction && fraction < 1) {
        const double secondsLeft = std::ceil(elapsedTicks / 1000.0 * (1 - fraction) / fraction);
        message += gap;
        message += texts::timeLeftBefore;
        if (secondsLeft >= 120) {
            message += std::to_string(static_cast<long long>(std::ceil(secondsLeft / 60)));
            message += texts::minutes;
        } else {
            message += std::to_string(static_cast<long long>(secondsLeft));
            message += texts::seconds;
        }
    }
    message += gap;
    message += texts::stopHint;
    return message;
}

} // namespace mizel
