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
#include <set>
#include <sys/resource.h>

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
    const std::vector<std::int32_t> &list() { return window.resultVector(); }
    QString status() { return window.statusBar()->currentMessage(); }

    static std::vector<std::int32_t> shuffledRange(std::int32_t min, std::int32_t max)
    {
        std::vector<std::int32_t> values(std::size_t(max - min + 1));
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

TEST_F(RunCommand, EnterInABoxRunsNothing)
{
    QTest::keyClick(edit("HasseiEdit"), Qt::Key_Return);
    QTest::keyClick(edit("SaidaiEdit"), Qt::Key_Enter);
    EXPECT_TRUE(status().isEmpty());
    EXPECT_EQ(grid()->rowCount(), 2);
}

TEST_F(RunCommand, WithRepeatsDrawsOneMappedValuePerElement)
{
    run("6", "1", "10", false);
    const std::vector<std::int32_t> first = list();
    EXPECT_EQ(grid()->rowCount(), 11);
    EXPECT_TRUE(finishedMessage.match(status()).hasMatch());
    run("6", "1", "10", false);

    // Successive Runs continue one sequence.
    mizel::mtSeed(20261208);
    std::vector<std::int32_t> expected;
    for (int i = 0; i < 20; ++i)
        expected.push_back(1 + mizel::randomBelow(6));
    EXPECT_EQ(first, std::vector<std::int32_t>(expected.begin(), expected.begin() + 10));
    EXPECT_EQ(list(), std::vector<std::int32_t>(expected.begin() + 10, expected.end()));
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
    EXPECT_EQ(list(), (std::vector<std::int32_t>{5, 5, 5}));
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
