#include "AllocationTracker.h"
#include "MersenneTwister.h"
#include "Mizelstringgrid.h"
#include "ShuffleRandom.h"
#include "WindowTest.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <fstream>
#include <set>
#include <sys/resource.h>
#include <unistd.h>

namespace {

class RunCommand : public WindowTest
{
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        // Fixed seeds after the window seeded from the clock.
        mizel::mtSeed(20261208);
        mizel::shuffleSeed(20261208);
    }

    TMizelStringGrid *grid() { return control<TMizelStringGrid>("MizelStringGrid1"); }
    const mizel::ValueList &list() { return window.resultVector(); }
    QString status() { return window.statusBar()->currentMessage(); }

    static mizel::ValueList shuffledRange(std::int32_t min, std::int32_t max)
    {
        mizel::ValueList values(std::size_t(max - min + 1));
        std::iota(values.begin(), values.end(), min);
        mizel::shuffleSeed(20261208);
        mizel::shuffleValues(values.data(), values.data() + values.size());
        return values;
    }
};

const QRegularExpression finishedMessage(QStringLiteral("^生成終了　生成時間:-?\\d+ミリ秒$"));

} // namespace

TEST_F(RunCommand, EmptyBoxesBecomeZeroAndGiveAnEmptyList)
{
    run("", "", "", false);
    for (const char *name : {"SaidaiEdit", "SaisyouEdit", "HasseiEdit"})
        EXPECT_EQ(edit(name)->text(), QStringLiteral("0")) << name;
    EXPECT_TRUE(list().empty());
    EXPECT_EQ(grid()->rowCount(), 1);
    EXPECT_TRUE(finishedMessage.match(status()).hasMatch()) << status().toStdString();
    EXPECT_TRUE(watcher.boxes.empty());
}

TEST_F(RunCommand, EnterRunsNothingInABoxAndPressesAFocusedButton)
{
    QTest::keyClick(edit("HasseiEdit"), Qt::Key_Return);
    QTest::keyClick(edit("SaidaiEdit"), Qt::Key_Enter);
    EXPECT_TRUE(status().isEmpty());
    EXPECT_EQ(grid()->rowCount(), 2);

    control("ExeButton")->setFocus();
    QTest::keyClick(control("ExeButton"), Qt::Key_Return);
    EXPECT_TRUE(finishedMessage.match(status()).hasMatch()) << status().toStdString();
}

TEST_F(RunCommand, WithRepeatsDrawsOneMappedValuePerElement)
{
    run("6", "1", "10", false);
    const mizel::ValueList first = list();
    EXPECT_EQ(grid()->rowCount(), 11);
    EXPECT_TRUE(finishedMessage.match(status()).hasMatch());
    run("6", "1", "10", false);
    // Only an empty list lets the header row scroll away.
    EXPECT_EQ(grid()->fixedRows(), 1);

    // Successive Runs continue one sequence.
    mizel::mtSeed(20261208);
    mizel::ValueList expected;
    for (int i = 0; i < 20; ++i)
        expected.push_back(1 + mizel::randomBelow(6));
    EXPECT_EQ(first, mizel::ValueList(expected.begin(), expected.begin() + 10));
    EXPECT_EQ(list(), mizel::ValueList(expected.begin() + 10, expected.end()));
}

TEST_F(RunCommand, WithRepeatsCoversRangesBeyondASignedCount)
{
    run("2147483647", "0", "2000", false);
    mizel::mtSeed(20261208);
    ASSERT_EQ(list().size(), 2000u);
    for (std::int32_t value : list())
        EXPECT_EQ(value, mizel::scaleBelowReference(mizel::mtNext(), 2147483648LL));

    run("2147483647", "$80000000", "2000", false);
    ASSERT_EQ(list().size(), 2000u);
    EXPECT_LT(*std::min_element(list().begin(), list().end()), -1000000);
    EXPECT_GT(*std::max_element(list().begin(), list().end()), 1000000);

    run("5", "5", "3", false);
    EXPECT_EQ(list(), (mizel::ValueList{5, 5, 5}));
    run("$10", "0", "500", false);
    EXPECT_EQ(*std::max_element(list().begin(), list().end()), 16);
}

TEST_F(RunCommand, NoDuplicatesOfTheWholeRangeIsTheShuffledFill)
{
    run("10", "0", "11", true);
    EXPECT_EQ(edit("HasseiEdit")->text(), QStringLiteral("11"));
    EXPECT_EQ(list(), shuffledRange(0, 10));
    EXPECT_TRUE(watcher.boxes.empty());

    mizel::shuffleSeed(20261208);
    run("10", "5", "8", true);
    EXPECT_EQ(edit("HasseiEdit")->text(), QStringLiteral("6"));
    EXPECT_EQ(list(), shuffledRange(5, 10));
}

TEST_F(RunCommand, NoDuplicatesSampleIsDistinctAndInRange)
{
    run("2147483646", "0", "10", true);
    ASSERT_EQ(list().size(), 10u);
    EXPECT_EQ(std::set<std::int32_t>(list().begin(), list().end()).size(), 10u);

    run("3000", "1000", "1500", true);
    ASSERT_EQ(list().size(), 1500u);
    EXPECT_EQ(std::set<std::int32_t>(list().begin(), list().end()).size(), 1500u);
    for (std::int32_t value : list())
        ASSERT_TRUE(value >= 1000 && value <= 3000) << value;

    // A full signed range: 2^32 values, more than any count can ask for.
    run("$7FFFFFFF", "$80000000", "100000", true);
    ASSERT_EQ(list().size(), 100000u);
    EXPECT_EQ(std::set<std::int32_t>(list().begin(), list().end()).size(), 100000u);
}

TEST_F(RunCommand, SmallSampleOfAHugeRangeTouchesLittleMemory)
{
    run("2147483646", "0", "10", true);
    allocationTracker::reset();
    run("2147483646", "0", "10", true);
    EXPECT_LT(allocationTracker::largestRequest(), 64u * 1024);
    ASSERT_EQ(list().size(), 10u);
    EXPECT_EQ(std::set<std::int32_t>(list().begin(), list().end()).size(), 10u);
}

TEST_F(RunCommand, TooManyValuesStopsBeforeAnyWork)
{
    window.statusBar()->showMessage(QStringLiteral("before"));
    run("10", "0", "12", true);
    ASSERT_EQ(watcher.boxes.size(), 1u);
    EXPECT_EQ(watcher.boxes[0].text, QStringLiteral("乱数の発生数が乱数の最大値を超えています！！"));
    EXPECT_EQ(watcher.boxes[0].icon, QMessageBox::NoIcon);
    EXPECT_TRUE(list().empty());
    EXPECT_EQ(status(), QStringLiteral("before"));
    EXPECT_EQ(grid()->rowCount(), 2);
}

TEST_F(RunCommand, MinimumAboveMaximumIsRefusedInBothModes)
{
    run("6", "1", "10", false);
    ASSERT_EQ(list().size(), 10u);
    for (bool distinct : {false, true}) {
        run("5", "10", "1", distinct);
        EXPECT_TRUE(list().empty());
        EXPECT_EQ(edit("HasseiEdit")->text(), QStringLiteral("1"));
    }
    ASSERT_EQ(watcher.boxes.size(), 2u);
    for (const SeenBox &box : watcher.boxes)
        EXPECT_EQ(box.text, QStringLiteral("乱数の最小値が乱数の最大値を超えています！！"));
    EXPECT_EQ(grid()->rowCount(), 11); // not reloaded: its rows now paint blank
}

TEST_F(RunCommand, ConversionErrorsReachTheErrorDisplay)
{
    run("6", "1", "3", false);
    window.statusBar()->showMessage(QStringLiteral("before"));
    run("6", "1", "1.5", false);
    ASSERT_EQ(watcher.boxes.size(), 1u);
    EXPECT_EQ(watcher.boxes[0].text, QStringLiteral("'\u20681.5\u2069' は整数ではありません."));
    EXPECT_EQ(watcher.boxes[0].icon, QMessageBox::Critical);
    EXPECT_TRUE(list().empty());
    EXPECT_EQ(status(), QStringLiteral("before"));

    run("6", "x", "3", true);
    ASSERT_EQ(watcher.boxes.size(), 2u);
    EXPECT_EQ(watcher.boxes[1].text, QStringLiteral("'\u2068x\u2069' は整数ではありません."));
}

TEST_F(RunCommand, RunClickedDuringTheWorkingMessageIsIgnored)
{
    auto *runButton = control<QPushButton>("ExeButton");
    edit("SaidaiEdit")->setText(QStringLiteral("100"));
    edit("SaisyouEdit")->setText(QStringLiteral("1"));
    edit("HasseiEdit")->setText(QStringLiteral("100"));
    control<QCheckBox>("OnajiChk")->setChecked(true);
    // Delivered by the pass over pending events that paints the working message.
    QTimer::singleShot(0, runButton, &QPushButton::click);
    runButton->click();
    ASSERT_EQ(list().size(), 100u);
    EXPECT_EQ(std::set<std::int32_t>(list().begin(), list().end()).size(), 100u);
}

TEST_F(RunCommand, ThePassThatPaintsTheWorkingMessageCannotChangeTheCheckedNumbers)
{
    for (bool distinct : {true, false}) {
        QString shownDuringThePass;
        // Typing delivered by that pass: a smaller maximum, a minimum above it, the other mode.
        QTimer::singleShot(0, &window, [&] {
            shownDuringThePass = status();
            edit("SaidaiEdit")->setText(QStringLiteral("10"));
            edit("SaisyouEdit")->setText(QStringLiteral("2000"));
            edit("HasseiEdit")->setText(QStringLiteral("5"));
            control<QCheckBox>("OnajiChk")->setChecked(!distinct);
        });
        run("1000", "1", "1000", distinct);
        EXPECT_EQ(shownDuringThePass, QStringLiteral("ただいま作成しています。しばらくお待ち下さい。"));
        ASSERT_EQ(list().size(), 1000u);
        EXPECT_TRUE(*std::min_element(list().begin(), list().end()) >= 1);
        EXPECT_TRUE(*std::max_element(list().begin(), list().end()) <= 1000);
        if (distinct) {
            EXPECT_EQ(std::set<std::int32_t>(list().begin(), list().end()).size(), 1000u);
        }
    }
}

TEST_F(RunCommand, ExhaustedMemoryIsReportedAndLeavesAnEmptyList)
{
#ifdef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "AddressSanitizer's shadow memory does not fit under an address-space limit";
#endif
    rlimit original{};
    getrlimit(RLIMIT_AS, &original);
    rlimit limited = original;
    limited.rlim_cur = rlim_t{4} << 30; // far below the 8 GB asked for
    ASSERT_EQ(setrlimit(RLIMIT_AS, &limited), 0);
    run("1000", "1", "2000000000", false);
    setrlimit(RLIMIT_AS, &original);

    ASSERT_EQ(watcher.boxes.size(), 1u);
    EXPECT_EQ(watcher.boxes[0].text, QStringLiteral("メモリが不足しています."));
    EXPECT_TRUE(list().empty());
    run("6", "1", "4", false);
    EXPECT_EQ(list().size(), 4u);
}

// Limits swept across the point where the list stops fitting; in no-duplicates
// mode the sampler still needs memory after the list has its size. The blocks
// are large enough to need fresh address space whatever the heap holds.
TEST_F(RunCommand, EveryRunUnderAnAddressLimitEndsWithItsWholeListOrNone)
{
#ifdef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "AddressSanitizer's shadow memory does not fit under an address-space limit";
#endif
    const struct { bool distinct; std::int32_t max; std::int32_t count; std::size_t headroomStep; } sweeps[] = {
        // The list keeps its capacity from Run to Run: the smaller list first.
        {true, 15'000'000, 12'000'000, 16u << 20},
        {false, 1000, 40'000'000, 32u << 20},
    };
    rlimit original{};
    getrlimit(RLIMIT_AS, &original);
    for (const auto &sweep : sweeps) {
        int whole = 0, none = 0;
        for (int step = 0; step < 9; ++step) {
            const std::size_t headroom = (sweep.headroomStep >> 1) + std::size_t(step) * sweep.headroomStep;
            SCOPED_TRACE(testing::Message() << "distinct " << sweep.distinct << ", headroom " << (headroom >> 20) << " MB");
            long pages = 0;
            std::ifstream("/proc/self/statm") >> pages;
            rlimit limited = original;
            limited.rlim_cur = rlim_t(pages) * rlim_t(sysconf(_SC_PAGESIZE)) + headroom;
            ASSERT_EQ(setrlimit(RLIMIT_AS, &limited), 0);
            const std::size_t boxesBefore = watcher.boxes.size();
            run(std::to_string(sweep.max).c_str(), "1", std::to_string(sweep.count).c_str(), sweep.distinct);
            setrlimit(RLIMIT_AS, &original);


            if (list().empty()) {
                ++none;
                ASSERT_EQ(watcher.boxes.size(), boxesBefore + 1);
                EXPECT_EQ(watcher.boxes.back().text, QStringLiteral("メモリが不足しています."));
                continue;
            }
            ++whole;
            ASSERT_EQ(list().size(), std::size_t(sweep.count));
            std::vector<bool> seen(std::size_t(sweep.max) + 1);
            for (std::int32_t value : list()) {
                ASSERT_TRUE(value >= 1 && value <= sweep.max) << value;
                ASSERT_TRUE(!sweep.distinct || !seen[std::size_t(value)]) << value;
                seen[std::size_t(value)] = true;
            }
        }
        EXPECT_GT(whole, 0);
        EXPECT_GT(none, 0);
        run("6", "1", "4", sweep.distinct);
        EXPECT_EQ(list().size(), 4u);
    }
}
