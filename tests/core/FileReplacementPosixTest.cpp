// Saving over files, links, FIFOs and devices where the POSIX file replacement
// does the work.
#include "../engine/StopProbe.h"
#include "ListExport.h"
#include "RecordingSink.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <sstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using mizel::ListFormat;
namespace fs = std::filesystem;

namespace {

std::string fileBytes(const fs::path &path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return "<missing>";
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

void writeFile(const fs::path &path, const std::string &bytes)
{
    std::ofstream file(path, std::ios::binary);
    ASSERT_TRUE(file << bytes);
}

} // namespace

class SaveList : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char folder[] = "/tmp/mizel-save-XXXXXX";
        ASSERT_NE(mkdtemp(folder), nullptr);
        dir = folder;
    }
    void TearDown() override { fs::remove_all(dir); }

    fs::path path(const std::string &name) const { return dir / name; }
    // The files in the folder, hidden ones included.
    std::vector<std::string> leftovers() const
    {
        std::vector<std::string> names;
        for (const fs::directory_entry &entry : fs::directory_iterator(dir)) {
            if (!entry.is_directory())
                names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path dir;
};

TEST_F(SaveList, WritesNewAndReplacesOldFiles)
{
    ASSERT_TRUE(mizel::saveList(path("a.txt"), {1, 22, 333}, ListFormat::Csv));
    EXPECT_EQ(fileBytes(path("a.txt")), "1,22,333");
    ASSERT_TRUE(mizel::saveList(path("a.txt"), {4}, ListFormat::Text));
    EXPECT_EQ(fileBytes(path("a.txt")), "4\r\n");
    ASSERT_TRUE(mizel::saveList(path("a.txt"), {}, ListFormat::Text));
    EXPECT_EQ(fileBytes(path("a.txt")), "");
    EXPECT_EQ(leftovers(), std::vector<std::string>{"a.txt"});
}

TEST_F(SaveList, FailuresLeaveTheEarlierFileAlone)
{
    writeFile(path("locked.txt"), "keep me");
    fs::permissions(path("locked.txt"), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_FALSE(mizel::saveList(path("locked.txt"), {1, 2}, ListFormat::Text));
    EXPECT_EQ(fileBytes(path("locked.txt")), "keep me");

    EXPECT_FALSE(mizel::saveList(path("missing/folder.txt"), {1}, ListFormat::Text));
    EXPECT_FALSE(fs::exists(path("missing")));
    EXPECT_EQ(leftovers(), std::vector<std::string>{"locked.txt"});
}

TEST_F(SaveList, AFullDiskPartWayLeavesTheEarlierFileAlone)
{
    const std::string earlier(100000, 'e');
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
    EXPECT_EQ(leftovers(), std::vector<std::string>{"big.txt"});
}

// Every few megabytes the save hands what it has written to the disk early, also
// bytes still in the file's own buffer (CSV chunks are small): the file must hold
// exactly the list's bytes all the same, in both formats.
TEST_F(SaveList, LargeListsAreSavedWhole)
{
    mizel::ValueList list(3'000'000);
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
        const fs::path name = path(std::string(length, 'n'));
        writeFile(name, "earlier");
        EXPECT_TRUE(mizel::saveList(name, {7}, ListFormat::Text)) << length;
        EXPECT_EQ(fileBytes(name), "7\r\n") << length;
        fs::remove(name);
    }
    EXPECT_TRUE(leftovers().empty());
}

// A FIFO or a device the user picks is written into, never replaced by a file;
// a FIFO nobody reads fails at once, and one whose reader leaves fails the save
// without ending the program.
TEST_F(SaveList, FifosAndDevicesAreWrittenInPlace)
{
    const std::string fifo = path("fifo.txt");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(mizel::saveList(path("fifo.txt"), {1}, ListFormat::Text));

    const int reader = open(fifo.c_str(), O_RDWR | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    EXPECT_TRUE(mizel::saveList(path("fifo.txt"), {1, 22, 333}, ListFormat::Csv));
    char received[16] = {};
    EXPECT_EQ(read(reader, received, sizeof received), 8);
    EXPECT_STREQ(received, "1,22,333");
    close(reader);

    const int leavingReader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    std::thread leave([leavingReader] {
        char some[4096];
        for (int wait = 0; wait < 10000 && read(leavingReader, some, sizeof some) <= 0; ++wait)
            usleep(1000);
        close(leavingReader);
    });
    EXPECT_FALSE(mizel::saveList(path("fifo.txt"), ascending(1'000'000), ListFormat::Text));
    leave.join();

    struct stat status;
    ASSERT_EQ(stat(fifo.c_str(), &status), 0);
    EXPECT_TRUE(S_ISFIFO(status.st_mode));
    if (geteuid() != 0)
        GTEST_SKIP() << "making a device node needs root";
    const std::string null = path("null");
    ASSERT_EQ(mknod(null.c_str(), S_IFCHR | 0666, makedev(1, 3)), 0);
    const int usable = open(null.c_str(), O_WRONLY);
    if (usable < 0)
        GTEST_SKIP() << "devices are off on this file system";
    close(usable);
    EXPECT_TRUE(mizel::saveList(path("null"), {1, 2}, ListFormat::Text));
    ASSERT_EQ(stat(null.c_str(), &status), 0);
    EXPECT_TRUE(S_ISCHR(status.st_mode));
}

TEST_F(SaveList, ReplacingKeepsOwnerGroupAndMode)
{
    const std::string name = path("kept.txt");
    writeFile(path("kept.txt"), "earlier");
    if (geteuid() == 0) {
        ASSERT_EQ(chown(name.c_str(), 4321, 8765), 0);
    }
    ASSERT_EQ(chmod(name.c_str(), 02640), 0);
    struct stat before, after;
    ASSERT_EQ(stat(name.c_str(), &before), 0);
    ASSERT_TRUE(mizel::saveList(path("kept.txt"), {1}, ListFormat::Text));
    ASSERT_EQ(stat(name.c_str(), &after), 0);
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
    fs::create_symlink(path("target.txt"), path("link.txt"));
    ASSERT_TRUE(mizel::saveList(path("link.txt"), {5}, ListFormat::Text));
    EXPECT_EQ(fileBytes(path("target.txt")), "5\r\n");
    EXPECT_TRUE(fs::is_symlink(path("link.txt")));

    ASSERT_TRUE(fs::create_directory(path("shared")));
    ASSERT_EQ(chmod(path("shared").c_str(), 01777), 0);
    fs::create_symlink(path("target.txt"), path("shared/mine.txt"));
    EXPECT_TRUE(mizel::saveList(path("shared/mine.txt"), {6}, ListFormat::Text));
    EXPECT_EQ(fileBytes(path("target.txt")), "6\r\n");
    if (geteuid() != 0)
        GTEST_SKIP() << "planting another user's link needs root";
    fs::create_symlink(path("target.txt"), path("shared/planted.txt"));
    ASSERT_EQ(lchown(path("shared/planted.txt").c_str(), 4321, 4321), 0);
    EXPECT_FALSE(mizel::saveList(path("shared/planted.txt"), {7}, ListFormat::Text));
    EXPECT_EQ(fileBytes(path("target.txt")), "6\r\n");
    EXPECT_TRUE(fs::is_symlink(path("shared/planted.txt")));
}

// Full chunks of the longest number text fill the chunk buffer to its last byte.

TEST_F(SaveList, AStoppedSaveKeepsTheEarlierFileAndLeavesNothing)
{
    writeFile(path("a.txt"), "earlier");
    const mizel::ValueList list(std::size_t{1} << 23, 12345);
    for (const double stopAt : {0.0, 0.5}) {
        shareDoneAfterStop(stopAt, [&](mizel::WorkProgress &progress) {
            try {
                mizel::saveList(path("a.txt"), list, ListFormat::Text, progress);
                writeFile(path("a.txt"), "earlier");
            } catch (const mizel::WorkStopped &) {
                EXPECT_EQ(fileBytes(path("a.txt")), "earlier");
                EXPECT_EQ(leftovers(), std::vector<std::string>{"a.txt"});
            }
        });
    }
}
