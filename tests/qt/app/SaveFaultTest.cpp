#include "ListExport.h"
#include "WriteFaults.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <iostream>
#include <numeric>
#include <set>

using mizel::ListFormat;
using writefaults::Fault;

namespace {

class BufferSink : public mizel::ByteSink
{
public:
    QByteArray bytes;
    bool write(const char *data, std::size_t length) override
    {
        bytes.append(data, qsizetype(length));
        return true;
    }
};

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// Byte offsets to fail at: a spread over the file, and around its start and end.
std::set<long long> faultOffsets(long long size)
{
    std::set<long long> offsets{0, 1, size - 1, size, size + 1};
    for (long long at = 0; at < size; at += std::max<long long>(1, size / 48))
        offsets.insert(at);
    return offsets;
}

} // namespace

// Saves over an earlier file while the disk fills at many byte offsets, or
// while syncing or closing fails: a save either reports success and the file
// holds exactly the list, or reports failure and the earlier file is intact.
TEST(SaveFaults, NeitherFalseSuccessNorLostFile)
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("list.txt"));
    const QByteArray earlier = QByteArray("earlier file\n").repeated(2000);
    int saves = 0, faults = 0, falseSuccesses = 0, earlierLost = 0, leftovers = 0, needlessFailures = 0;

    auto saveUnder = [&](const mizel::ValueList &list, ListFormat format, const QByteArray &expected,
                         Fault fault, long long bytesLeft) {
        QFile earlierFile(target);
        ASSERT_TRUE(earlierFile.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(earlierFile.write(earlier), earlier.size());
        earlierFile.close();

        writefaults::arm(dir.path().toStdString(), fault, bytesLeft);
        const bool saved = mizel::saveList(target.toStdString(), list, format);
        const bool faulted = writefaults::disarm();

        const QByteArray now = fileBytes(target);
        ++saves;
        faults += faulted;
        falseSuccesses += saved && now != expected;
        earlierLost += now != earlier && now != expected;
        needlessFailures += !saved && !faulted;
        leftovers += QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System).size() != 1;
    };

    // Both ways of writing beside the target: unnamed, and under a temporary name.
    for (const bool unnamed : {true, false}) {
        writefaults::refuseUnnamedFiles(!unnamed);
        for (const std::size_t count : {1, 5, 999, 1000, 1001, 3000, 3001, 7000}) {
            mizel::ValueList list(count);
            std::iota(list.begin(), list.end(), -500);
            for (const ListFormat format : {ListFormat::Text, ListFormat::Csv}) {
                BufferSink buffer;
                ASSERT_TRUE(mizel::writeList(buffer, list, format));
                const QByteArray expected = buffer.bytes;
                for (const long long offset : faultOffsets(expected.size()))
                    saveUnder(list, format, expected, Fault::DiskFull, offset);
                saveUnder(list, format, expected, Fault::SyncFails, 0);
                saveUnder(list, format, expected, Fault::CloseFails, 0);
            }
        }
    }
    writefaults::refuseUnnamedFiles(false);

    std::cout << saves << " saves, " << faults << " faults injected, " << falseSuccesses << " false successes, "
              << earlierLost << " earlier files lost, " << leftovers << " with files left over, " << needlessFailures
              << " failed without a fault\n";
    EXPECT_GT(faults, saves / 2);
    EXPECT_EQ(falseSuccesses, 0);
    EXPECT_EQ(earlierLost, 0);
    EXPECT_EQ(leftovers, 0);
    EXPECT_EQ(needlessFailures, 0);
}
