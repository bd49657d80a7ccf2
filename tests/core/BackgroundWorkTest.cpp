#include "BackgroundWork.h"
#include "RunCommand.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>

using mizel::WorkKind;

TEST(BackgroundWork, ProgressTextGivesTheTimeLeftOnlyOnceItCanBeTold)
{
    EXPECT_EQ(mizel::progressMessage(WorkKind::Run, 0.42, 999), "作成中　42%　Escで中止");
    EXPECT_EQ(mizel::progressMessage(WorkKind::Copy, 0.01, 5000), "コピー中　1%　Escで中止");
    EXPECT_EQ(mizel::progressMessage(WorkKind::Save, 0.25, 3000), "保存中　25%　残り約9秒　Escで中止");
    EXPECT_EQ(mizel::progressMessage(WorkKind::Run, 0.5, 119000), "作成中　50%　残り約119秒　Escで中止");
    EXPECT_EQ(mizel::progressMessage(WorkKind::Run, 0.1, 20000), "作成中　10%　残り約3分　Escで中止");
}

TEST(BackgroundWork, FinishRethrowsWhatTheWorkThrewAndAStopEndsTheWork)
{
    mizel::BackgroundWork failing(WorkKind::Copy, [](mizel::WorkProgress &) { throw std::runtime_error("lost"); },
                                  [] {});
    EXPECT_THROW(failing.finish(), std::runtime_error);

    std::atomic<bool> woken{false};
    mizel::BackgroundWork waiting(WorkKind::Save, [](mizel::WorkProgress &progress) {
        while (progress.advance(0)) {
        }
        progress.throwIfStopped();
    }, [&] { woken = true; });
    EXPECT_FALSE(waiting.progressMessage(mizel::tickCount()).has_value());
    waiting.requestStop();
    EXPECT_THROW(waiting.finish(), mizel::WorkStopped);
    EXPECT_TRUE(woken);
    EXPECT_EQ(waiting.stoppedMessage(), "保存を中止しました");
}
