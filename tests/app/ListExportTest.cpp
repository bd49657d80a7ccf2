#include "ListExport.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <numeric>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using mizel::ListFormat;

namespace {

// Keeps every write separately, and can refuse the write numbered failAt.
class RecordingDevice : public QIODevice
{
public:
    explicit RecordingDevice(int failAt = -1) : failAt(failAt) { open(WriteOnly); }

    QList<QByteArray> writes;
    QByteArray all() const { return writes.join(); }

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 length) override
    {
        if (writes.size() == failAt)
            return length / 2;
        writes.append(QByteArray(data, length));
        return length;
    }

private:
    int failAt;
};

QByteArray written(std::vector<std::int32_t> list, ListFormat format)
{
    RecordingDevice device;
    EXPECT_TRUE(mizel::writeList(device, list, format));
    return device.all();
}

std::vector<std::int32_t> ascending(std::size_t count)
{
    std::vector<std::int32_t> list(count);
    std::iota(list.begin(), list.end(), 1);
    return list;
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

TEST(ListFormats, BytesOfSmallLists)
{
    EXPECT_EQ(written({5}, ListFormat::Csv), "5");
    EXPECT_EQ(written({5}, ListFormat::Text), "5\r\n");
    EXPECT_EQ(written({1, 22, 333}, ListFormat::Csv), "1,22,333");
    EXPECT_EQ(written({1, 22, 333}, ListFormat::Text), "1\r\n22\r\n333\r\n");
    EXPECT_EQ(written({-7}, ListFormat::Csv), "-7");
    EXPECT_EQ(written({INT32_MIN, 0, INT32_MAX}, ListFormat::Csv), "-2147483648,0,2147483647");
    EXPECT_EQ(written({INT32_MIN, INT32_MAX}, ListFormat::Text), "-2147483648\r\n2147483647\r\n");
    EXPECT_EQ(written({}, ListFormat::Csv), "");
    EXPECT_EQ(mizel::textFormat({}), "");
    EXPECT_EQ(mizel::textFormat({1, 22, -333}), "1\r\n22\r\n-333\r\n");
}

TEST(ListFormats, ChunksDoNotShowInTheBytes)
{
    RecordingDevice thousand;
    mizel::writeList(thousand, ascending(1000), ListFormat::Csv);
    ASSERT_EQ(thousand.writes.size(), 1);
    EXPECT_TRUE(thousand.all().endsWith("999,1000"));

    RecordingDevice csv;
    mizel::writeList(csv, ascending(1001), ListFormat::Csv);
    ASSERT_EQ(csv.writes.size(), 2);
    EXPECT_TRUE(csv.writes[0].endsWith("1000,"));
    EXPECT_EQ(csv.writes[1], "1001");
    EXPECT_EQ(csv.all().count(','), 1000);
    EXPECT_FALSE(csv.all().contains('\n'));

    RecordingDevice text;
    mizel::writeList(text, ascending(3001), ListFormat::Text);
    ASSERT_EQ(text.writes.size(), 2);
    EXPECT_EQ(text.writes[0].count("\r\n"), 3000);
    EXPECT_EQ(text.writes[1], "3001\r\n");
    EXPECT_EQ(text.all(), mizel::textFormat(ascending(3001)));
}

TEST(ListFormats, FileTypeAloneChoosesTheFormat)
{
    EXPECT_EQ(mizel::formatForFilterIndex(1), ListFormat::Text);
    EXPECT_EQ(mizel::formatForFilterIndex(2), ListFormat::Csv);
    EXPECT_EQ(mizel::formatForFilterIndex(3), ListFormat::Text);
}

TEST(ListFormats, AShortWriteIsAFailure)
{
    RecordingDevice device(1);
    EXPECT_FALSE(mizel::writeList(device, ascending(7000), ListFormat::Text));
}

class SaveList : public ::testing::Test
{
protected:
    QString path(const char *name) const { return dir.filePath(QString::fromLatin1(name)); }
    QStringList leftovers() const { return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden); }

    QTemporaryDir dir;
};

TEST_F(SaveList, WritesNewAndReplacesOldFiles)
{
    ASSERT_TRUE(mizel::saveList(path("a.txt"), {1, 22, 333}, ListFormat::Csv));
    EXPECT_EQ(fileBytes(path("a.txt")), "1,22,333");
    ASSERT_TRUE(mizel::saveList(path("a.txt"), {4}, ListFormat::Text));
    EXPECT_EQ(fileBytes(path("a.txt")), "4\r\n");
    ASSERT_TRUE(mizel::saveList(path("a.txt"), {}, ListFormat::Text));
    EXPECT_EQ(fileBytes(path("a.txt")), "");
    EXPECT_EQ(leftovers(), QStringList{"a.txt"});
}

TEST_F(SaveList, FailuresLeaveTheEarlierFileAlone)
{
    writeFile(path("locked.txt"), "keep me");
    QFile::setPermissions(path("locked.txt"), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    EXPECT_FALSE(mizel::saveList(path("locked.txt"), {1, 2}, ListFormat::Text));
    EXPECT_EQ(fileBytes(path("locked.txt")), "keep me");

    EXPECT_FALSE(mizel::saveList(path("missing/folder.txt"), {1}, ListFormat::Text));
    EXPECT_FALSE(QFile::exists(path("missing")));
    EXPECT_EQ(leftovers(), QStringList{"locked.txt"});
}

TEST_F(SaveList, AFullDiskPartWayLeavesTheEarlierFileAlone)
{
    const QByteArray earlier(100000, 'e');
    writeFile(path("big.txt"), earlier);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // The file size limit stands in for a disk that fills part-way.
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{64 * 1024, 64 * 1024};
        setrlimit(RLIMIT_FSIZE, &limit);
        const bool saved = mizel::saveList(path("big.txt"), ascending(200000), ListFormat::Text);
        _exit(saved ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1) << "the save reported success";
    EXPECT_EQ(fileBytes(path("big.txt")), earlier);
    EXPECT_EQ(leftovers(), QStringList{"big.txt"});
}

// Every few megabytes the save hands what it has written to the disk early, also
// bytes still in the file's own buffer (CSV chunks are small): the file must hold
// exactly the list's bytes all the same, in both formats.
TEST_F(SaveList, LargeListsAreSavedWhole)
{
    std::vector<std::int32_t> list(3'000'000);
    std::iota(list.begin(), list.end(), -1'000'000);
    for (const ListFormat format : {ListFormat::Text, ListFormat::Csv}) {
        ASSERT_TRUE(mizel::saveList(path("large"), list, format));
        // Not EXPECT_EQ: a mismatch would print megabytes.
        EXPECT_TRUE(fileBytes(path("large")) == written(list, format)) << (format == ListFormat::Csv ? "CSV" : "text");
    }
}

// The temporary file beside the target must fit wherever the target's name fits.
TEST_F(SaveList, EveryNameTheFolderTakesCanBeOverwritten)
{
    for (const int length : {1, 200, 248, 249, 250, 255}) {
        const QString name = path(QByteArray(length, 'n').constData());
        writeFile(name, "earlier");
        EXPECT_TRUE(mizel::saveList(name, {7}, ListFormat::Text)) << length;
        EXPECT_EQ(fileBytes(name), "7\r\n") << length;
        QFile::remove(name);
    }
    EXPECT_TRUE(leftovers().isEmpty());
}

// A FIFO or a device the user picks is written into, never replaced by a file;
// a FIFO nobody reads fails at once, and one whose reader leaves fails the save
// without ending the program.
TEST_F(SaveList, FifosAndDevicesAreWrittenInPlace)
{
    const QByteArray fifo = path("fifo.txt").toLocal8Bit();
    ASSERT_EQ(mkfifo(fifo, 0600), 0);
    EXPECT_FALSE(mizel::saveList(path("fifo.txt"), {1}, ListFormat::Text));

    const int reader = open(fifo, O_RDWR | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    EXPECT_TRUE(mizel::saveList(path("fifo.txt"), {1, 22, 333}, ListFormat::Csv));
    char received[16] = {};
    EXPECT_EQ(read(reader, received, sizeof received), 8);
    EXPECT_STREQ(received, "1,22,333");
    close(reader);

    const int leavingReader = open(fifo, O_RDONLY | O_NONBLOCK);
    std::thread leave([leavingReader] {
        char some[4096];
        for (int wait = 0; wait < 10000 && read(leavingReader, some, sizeof some) <= 0; ++wait)
            usleep(1000);
        close(leavingReader);
    });
    EXPECT_FALSE(mizel::saveList(path("fifo.txt"), ascending(1'000'000), ListFormat::Text));
    leave.join();

    struct stat status;
    ASSERT_EQ(stat(fifo, &status), 0);
    EXPECT_TRUE(S_ISFIFO(status.st_mode));
    if (geteuid() != 0)
        GTEST_SKIP() << "making a device node needs root";
    const QByteArray null = path("null").toLocal8Bit();
    ASSERT_EQ(mknod(null, S_IFCHR | 0666, makedev(1, 3)), 0);
    const int usable = open(null, O_WRONLY);
    if (usable < 0)
        GTEST_SKIP() << "devices are off on this file system";
    close(usable);
    EXPECT_TRUE(mizel::saveList(path("null"), {1, 2}, ListFormat::Text));
    ASSERT_EQ(stat(null, &status), 0);
    EXPECT_TRUE(S_ISCHR(status.st_mode));
}

TEST_F(SaveList, ReplacingKeepsOwnerGroupAndMode)
{
    const QByteArray name = path("kept.txt").toLocal8Bit();
    writeFile(path("kept.txt"), "earlier");
    if (geteuid() == 0) {
        ASSERT_EQ(chown(name, 4321, 8765), 0);
    }
    ASSERT_EQ(chmod(name, 02640), 0);
    struct stat before, after;
    ASSERT_EQ(stat(name, &before), 0);
    ASSERT_TRUE(mizel::saveList(path("kept.txt"), {1}, ListFormat::Text));
    ASSERT_EQ(stat(name, &after), 0);
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(after.st_gid, before.st_gid);
    EXPECT_EQ(after.st_mode, before.st_mode);
    EXPECT_EQ(fileBytes(path("kept.txt")), "1\r\n");
}

// A link leads to the file it names, except a link that someone else left in a
// sticky, world-writable folder such as /tmp (the kernel's protected_symlinks).
TEST_F(SaveList, LinksAreFollowedUnlessPlantedInASharedFolder)
{
    writeFile(path("target.txt"), "earlier");
    ASSERT_TRUE(QFile::link(path("target.txt"), path("link.txt")));
    ASSERT_TRUE(mizel::saveList(path("link.txt"), {5}, ListFormat::Text));
    EXPECT_EQ(fileBytes(path("target.txt")), "5\r\n");
    EXPECT_TRUE(QFileInfo(path("link.txt")).isSymLink());

    ASSERT_TRUE(QDir(dir.path()).mkdir("shared"));
    const QByteArray shared = path("shared").toLocal8Bit();
    ASSERT_EQ(chmod(shared, 01777), 0);
    ASSERT_TRUE(QFile::link(path("target.txt"), path("shared/mine.txt")));
    EXPECT_TRUE(mizel::saveList(path("shared/mine.txt"), {6}, ListFormat::Text));
    EXPECT_EQ(fileBytes(path("target.txt")), "6\r\n");
    if (geteuid() != 0)
        GTEST_SKIP() << "planting another user's link needs root";
    ASSERT_TRUE(QFile::link(path("target.txt"), path("shared/planted.txt")));
    ASSERT_EQ(lchown(path("shared/planted.txt").toLocal8Bit(), 4321, 4321), 0);
    EXPECT_FALSE(mizel::saveList(path("shared/planted.txt"), {7}, ListFormat::Text));
    EXPECT_EQ(fileBytes(path("target.txt")), "6\r\n");
    EXPECT_TRUE(QFileInfo(path("shared/planted.txt")).isSymLink());
}

// Full chunks of the longest number text fill the chunk buffer to its last byte.
TEST(ListFormats, FullChunksOfTheLongestNumbers)
{
    const std::vector<std::int32_t> longest(6000, INT32_MIN);
    EXPECT_EQ(written(longest, ListFormat::Text), QByteArray("-2147483648\r\n").repeated(6000));
    EXPECT_EQ(written(longest, ListFormat::Csv), QByteArray("-2147483648,").repeated(6000).chopped(1));
}
