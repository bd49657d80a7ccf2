// 2000 Runs in a row in one window, alternating modes, ranges and counts,
// with Copy and Save between them: every list is checked, memory stays flat.
#include "WindowTest.h"

#include <QClipboard>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <cstdio>
#include <fstream>
#include <random>
#include <set>
#include <string>
#include <sys/resource.h>

namespace {

constexpr int RunCount = 2000;

long residentKilobytes()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.starts_with("VmRSS:"))
            return std::stol(line.substr(6));
    return -1;
}

struct Inputs
{
    std::int32_t max, min, count;
    bool distinct;
};

// Mostly lists that succeed, of every size class and sign; now and then a
// count too large for the range or a minimum above the maximum.
Inputs drawInputs(std::mt19937 &random, int run)
{
    auto between = [&](std::int32_t low, std::int32_t high) {
        return std::uniform_int_distribution<std::int32_t>(low, high)(random);
    };
    Inputs in{};
    in.distinct = run % 2 == 1;
    switch (run % 5) {
    case 0: in.min = between(0, 10); in.max = in.min + between(0, 20); break;
    case 1: in.min = between(-100000, 100000); in.max = in.min + between(0, 5000); break;
    case 2: in.min = between(0, 1000000); in.max = between(1500000000, 2147483646); break;
    case 3: in.min = between(-2147483647, -1000000); in.max = between(1000000, 2147483647); break;
    default: in.min = between(0, 1000); in.max = in.min + between(-5, 5); break;
    }
    // Small ranges get counts around their size, so both modes mostly succeed.
    in.count = run % 5 == 0 || run % 5 == 4 ? between(0, std::max(in.max - in.min + 2, 0)) : between(0, 3000);
    if (run % 7 == 0)
        in.count = in.max < 1000000 ? in.max + between(2, 50) : in.count; // too many, or not
    return in;
}

class Soak : public WindowTest
{
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        ASSERT_TRUE(dir.isValid());
    }

    void run(const Inputs &in)
    {
        WindowTest::run(QByteArray::number(in.max).constData(), QByteArray::number(in.min).constData(),
                        QByteArray::number(in.count).constData(), in.distinct);
    }

    // What the last Run must have left, and which box it must have shown.
    void checkList(const Inputs &in, std::size_t boxesBefore, int run)
    {
        const mizel::ValueList &list = window.resultVector();
        const bool tooMany = in.distinct && in.max < std::int32_t(std::uint32_t(in.count) - 1);
        if (tooMany || in.min > in.max) {
            ASSERT_EQ(watcher.boxes.size(), boxesBefore + 1) << "run " << run;
            EXPECT_EQ(watcher.boxes.back().text, tooMany ? QStringLiteral("乱数の発生数が乱数の最大値を超えています！！")
                                                         : QStringLiteral("乱数の最小値が乱数の最大値を超えています！！"));
            ASSERT_TRUE(list.empty()) << "run " << run;
            ++refused;
            return;
        }
        ASSERT_EQ(watcher.boxes.size(), boxesBefore) << "run " << run;
        const std::int64_t span = std::int64_t(in.max) - in.min + 1;
        const std::size_t expected = in.distinct ? std::size_t(std::min<std::int64_t>(in.count, span))
                                                 : std::size_t(std::max(in.count, 0));
        ASSERT_EQ(list.size(), expected) << "run " << run;
        for (std::int32_t value : list) {
            ASSERT_TRUE(value >= in.min && value <= in.max) << "run " << run << ": " << value;
        }
        if (in.distinct) {
            ASSERT_EQ(std::set<std::int32_t>(list.begin(), list.end()).size(), list.size()) << "run " << run;
        }
    }

    QByteArray listText(const char *separator) const
    {
        QByteArray text;
        for (std::int32_t value : window.resultVector())
            text += QByteArray::number(value) + separator;
        return text;
    }

    void copyAndCheck(int run)
    {
        click("CopyButton");
        ASSERT_EQ(QGuiApplication::clipboard()->text().toLatin1(), listText("\r\n")) << "run " << run;
        ASSERT_EQ(watcher.boxes.back().text, QStringLiteral("クリップボードにコピーしました"));
    }

    void saveAndCheck(int run)
    {
        const int type = 1 + run / 50 % 2; // text, then CSV
        const QString path = dir.filePath(QStringLiteral("list%1.txt").arg(run));
        watcher.fileDialogAnswer = [&](QFileDialog *dialog) {
            ModalBoxWatcher::chooseFile(dialog, path, type);
            return true;
        };
        click("SaveButton");
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << "run " << run;
        const QByteArray expected = type == 1 ? listText("\r\n") : listText(",").chopped(window.resultVector().empty() ? 0 : 1);
        ASSERT_EQ(file.readAll(), expected) << "run " << run;
        file.remove();
    }

    QTemporaryDir dir;
    int refused = 0;
};

} // namespace

TEST_F(Soak, TwoThousandRunsWithCopyAndSaveStayCorrectAndFlat)
{
    std::mt19937 random(20261208);
    long warmKilobytes = 0;
    for (int run = 0; run < RunCount; ++run) {
        const Inputs in = drawInputs(random, run);
        const std::size_t boxesBefore = watcher.boxes.size();
        this->run(in);
        ASSERT_NO_FATAL_FAILURE(checkList(in, boxesBefore, run));
        if (run % 10 == 9) {
            ASSERT_NO_FATAL_FAILURE(copyAndCheck(run));
        }
        if (run % 50 == 49) {
            ASSERT_NO_FATAL_FAILURE(saveAndCheck(run));
        }
        if (run == 199)
            warmKilobytes = residentKilobytes();
    }
    const long finalKilobytes = residentKilobytes();
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    EXPECT_GT(refused, 0);
    std::printf("soak: %d runs (%d refused), resident %ld kB after 200 and %ld kB after %d, peak %ld kB\n", RunCount,
                refused, warmKilobytes, finalKilobytes, RunCount, usage.ru_maxrss);
    RecordProperty("peak_kilobytes", int(usage.ru_maxrss));
#ifndef __SANITIZE_ADDRESS__
    // The sanitizer's quarantine holds freed memory back on purpose.
    EXPECT_LT(finalKilobytes - warmKilobytes, 8 * 1024);
#endif
}
