// The file replacement on POSIX systems (Linux: unnamed files through
// O_TMPFILE, /proc/self/fd and sync_file_range).
#include "FileReplacement.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <system_error>
#include <thread>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mizel {

namespace {

constexpr int maxLinksFollowed = 40; // the kernel's own limit
constexpr off_t writebackStep = off_t{8} << 20;

// Closing a discarded file of gigabytes waits for the system to drop its pages,
// some of them on their way to the disk: up to a second or more, and a stopped
// save would keep its user waiting. The file has no name by then, so nothing
// needs to wait for it.
void closeDiscarded(int fd, off_t size)
{
    constexpr off_t closeAtOnceBelow = off_t{64} << 20;
    if (size >= closeAtOnceBelow) {
        try {
            std::thread([fd] { ::close(fd); }).detach();
            return;
        } catch (const std::system_error &) {
            // No thread to spare: close it here.
        }
    }
    ::close(fd);
}

// The kernel's protected_symlinks rule: in a sticky, world-writable folder a
// link is followed only by its owner, or when the folder's owner made it.
bool mayFollow(const struct stat &folder, const struct stat &link)
{
    const bool shared = (folder.st_mode & (S_ISVTX | S_IWOTH)) == (S_ISVTX | S_IWOTH);
    return !shared || link.st_uid == geteuid() || link.st_uid == folder.st_uid;
}

// Writes all of data; the error number, or 0.
int writeAll(int fd, const char *data, std::size_t length)
{
    while (length > 0) {
        const ssize_t written = ::write(fd, data, length);
        if (written < 0 && errno != EINTR)
            return errno;
        if (written == 0)
            return ENOSPC;
        if (written > 0) {
            data += written;
            length -= written;
        }
    }
    return 0;
}

// As writeAll, but a FIFO whose reader has gone fails the write with EPIPE
// instead of ending the program with SIGPIPE.
int writeAllWithoutSigpipe(int fd, const char *data, std::size_t length)
{
    sigset_t pipeSignal;
    sigset_t previous;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSignal, &previous);
    const int error = writeAll(fd, data, length);
    if (error == EPIPE) {
        const timespec noWait{};
        sigtimedwait(&pipeSignal, nullptr, &noWait);
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    return error;
}

// A random number in base 36.
std::string base36(std::uint32_t value)
{
    std::string digits;
    do {
        digits.insert(digits.begin(), "0123456789abcdefghijklmnopqrstuvwxyz"[value % 36]);
        value /= 36;
    } while (value != 0);
    return digits;
}

// A short random name beside the target that create(name) makes: short, so
// that it fits in any folder whatever the length of the target's name. Empty
// when create fails for any reason but the name being taken.
template<typename Create>
std::string newTemporaryName(Create create)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = ".mizel4-" + base36(std::random_device()());
        if (create(name.c_str()))
            return name;
        if (errno != EEXIST)
            break;
    }
    return {};
}

} // namespace

// Written beside the target: unnamed where the file system allows, else under
// a short temporary name.
struct FileReplacement::State
{
    explicit State(std::string path) : path(std::move(path)) {}
    ~State();

    bool open();
    bool write(const char *data, std::size_t length);
    bool commit();
    bool fail();
    bool findTarget();
    bool openTarget();
    bool createTemporary();
    void discard();

    std::string path;
    int folder = -1;
    std::string name;
    std::optional<struct stat> earlier;
    int fd = -1;
    bool inPlace = false;
    std::string temporaryName; // empty while the new file is unnamed
    off_t written = 0;
    off_t writebackStart = 0;
    bool failed = false;
};

FileReplacement::FileReplacement(const std::filesystem::path &target)
    : state(std::make_unique<State>(target.native()))
{
}

FileReplacement::~FileReplacement() = default;

bool FileReplacement::open()
{
    return state->open();
}

bool FileReplacement::write(const char *data, std::size_t length)
{
    return state->write(data, length);
}

bool FileReplacement::commit()
{
    return state->commit();
}

FileReplacement::State::~State()
{
    discard();
    if (folder >= 0)
        ::close(folder);
}

bool FileReplacement::State::open()
{
    return (findTarget() && openTarget()) || fail();
}

bool FileReplacement::State::commit()
{
    if (failed || fd < 0)
        return fail();
    if (earlier && !inPlace) {
        // The owner and group as far as we may set them: root both, an owner the group.
        if (fchown(fd, earlier->st_uid, earlier->st_gid) != 0 && fchown(fd, uid_t(-1), earlier->st_gid) != 0) {
            // Neither is ours to set: the new file is ours, in our group.
        }
        // After fchown, which clears the set-id bits.
        if (fchmod(fd, earlier->st_mode & 07777) != 0)
            return fail();
    }
    // Contents and mode on the disk before the name changes. A FIFO or
    // character device has nothing to sync.
    if (fsync(fd) != 0 && !(inPlace && errno == EINVAL))
        return fail();
    if (!inPlace && temporaryName.empty()) {
        const std::string self = "/proc/self/fd/" + std::to_string(fd);
        temporaryName = newTemporaryName([&](const char *candidate) {
            return linkat(AT_FDCWD, self.c_str(), folder, candidate, AT_SYMLINK_FOLLOW) == 0;
        });
        if (temporaryName.empty())
            return fail();
    }
    if (::close(std::exchange(fd, -1)) != 0)
        return fail();
    if (inPlace)
        return true;
    if (renameat(folder, temporaryName.c_str(), folder, name.c_str()) != 0)
        return fail();
    temporaryName.clear();
    // The new file is in place whatever this says; it only makes the rename last.
    fsync(folder);
    return true;
}

bool FileReplacement::State::write(const char *data, std::size_t length)
{
    if (failed || fd < 0 || (inPlace ? writeAllWithoutSigpipe(fd, data, length) : writeAll(fd, data, length)) != 0)
        return fail();
    // Starts the disk on what is written so far without waiting for it: it works
    // while the next numbers are formatted, and commit's sync finds little left.
    written += length;
    if (!inPlace && written - writebackStart >= writebackStep) {
        sync_file_range(fd, writebackStart, written - writebackStart, SYNC_FILE_RANGE_WRITE);
        writebackStart = written;
    }
    return true;
}

bool FileReplacement::State::fail()
{
    failed = true;
    discard();
    return false;
}

// Follows links at the end of the path to the name to write, in the folder
// opened as `folder`; `earlier` describes what is there now, if anything.
bool FileReplacement::State::findTarget()
{
    for (int links = 0;; ++links) {
        const std::size_t slash = path.rfind('/');
        const std::string folderPath = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
        name = path.substr(slash + 1);
        if (name.empty() || name == "." || name == "..")
            return false;
        if (folder >= 0)
            ::close(folder);
        folder = ::open(folderPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (folder < 0 && errno == EACCES) // a folder we may write in but not list
            folder = ::open(folderPath.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        struct stat status;
        if (folder < 0 || fstatat(folder, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0)
            return folder >= 0 && errno == ENOENT; // nothing there yet: a new file
        if (!S_ISLNK(status.st_mode)) {
            earlier = status;
            return true;
        }
        struct stat folderStatus;
        if (links == maxLinksFollowed || fstat(folder, &folderStatus) != 0 || !mayFollow(folderStatus, status))
            return false;
        char target[PATH_MAX];
        const ssize_t length = readlinkat(folder, name.c_str(), target, sizeof target);
        if (length <= 0 || length == sizeof target)
            return false;
        path = target[0] == '/' ? std::string(target, length) : folderPath + '/' + std::string(target, length);
    }
}

bool FileReplacement::State::openTarget()
{
    if (!earlier || S_ISREG(earlier->st_mode)) {
        // A file nobody may write stays as it is, even for root, who could replace it.
        const bool readOnly = earlier
            && ((earlier->st_mode & 0222) == 0 || faccessat(folder, name.c_str(), W_OK, AT_EACCESS) != 0);
        return !readOnly && createTemporary();
    }
    if (S_ISDIR(earlier->st_mode))
        return false;
    // A FIFO or device the user chose is written, not replaced. A FIFO nobody
    // reads fails at once rather than waiting for a reader.
    inPlace = true;
    fd = openat(folder, name.c_str(), O_WRONLY | O_NOCTTY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    struct stat opened;
    return fd >= 0 && fstat(fd, &opened) == 0 && (opened.st_mode & S_IFMT) == (earlier->st_mode & S_IFMT)
        && fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) == 0;
}

bool FileReplacement::State::createTemporary()
{
    // Private until commit gives it the earlier file's mode; a new file gets the usual mode at once.
    const mode_t mode = earlier ? 0600 : 0666;
    // Unnamed until commit, so that a save cut short leaves nothing behind.
    fd = openat(folder, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
    if (fd >= 0)
        return true;
    // A file system without unnamed files: a temporary name at once.
    temporaryName = newTemporaryName([&](const char *candidate) {
        fd = openat(folder, candidate, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        return fd >= 0;
    });
    return fd >= 0;
}

void FileReplacement::State::discard()
{
    if (!temporaryName.empty())
        unlinkat(folder, temporaryName.c_str(), 0);
    temporaryName.clear();
    if (fd < 0)
        return;
    if (inPlace)
        ::close(std::exchange(fd, -1));
    else
        closeDiscarded(std::exchange(fd, -1), written);
}

} // namespace mizel
