#include "WriteFaults.h"

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <dlfcn.h>
#include <fcntl.h>
#include <string_view>
#include <unistd.h>

namespace {

bool armed = false;
std::string folderPrefix;
writefaults::Fault fault;
long long bytesLeft = 0;
bool faulted = false;
bool unnamedRefused = false;

template<typename Function>
Function *next(Function *, const char *name)
{
    return reinterpret_cast<Function *>(dlsym(RTLD_NEXT, name));
}

bool affects(int fd, writefaults::Fault kind)
{
    if (!armed || fault != kind)
        return false;
    char link[32];
    char target[4096];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t length = readlink(link, target, sizeof target);
    return length > 0 && std::string_view(target, length).starts_with(folderPrefix);
}

int refuse(int error)
{
    faulted = true;
    errno = error;
    return -1;
}

int failedSync(int fd, int (*realSync)(int))
{
    return affects(fd, writefaults::Fault::SyncFails) ? refuse(EIO) : realSync(fd);
}

} // namespace

namespace writefaults {

void arm(const std::string &folder, Fault kind, long long left)
{
    folderPrefix = folder + '/';
    fault = kind;
    bytesLeft = left;
    faulted = false;
    armed = true;
}

bool disarm()
{
    armed = false;
    return faulted;
}

void refuseUnnamedFiles(bool refuse)
{
    unnamedRefused = refuse;
}

} // namespace writefaults

extern "C" ssize_t write(int fd, const void *data, size_t length)
{
    static auto realWrite = next(&write, "write");
    if (!affects(fd, writefaults::Fault::DiskFull) || length == 0)
        return realWrite(fd, data, length);
    if (bytesLeft == 0)
        return refuse(ENOSPC);
    const ssize_t written = realWrite(fd, data, std::min<long long>(length, bytesLeft));
    if (written > 0) {
        bytesLeft -= written;
        faulted = faulted || size_t(written) < length;
    }
    return written;
}

extern "C" int fsync(int fd)
{
    static auto realFsync = next(&fsync, "fsync");
    return failedSync(fd, realFsync);
}

extern "C" int fdatasync(int fd)
{
    static auto realFdatasync = next(&fdatasync, "fdatasync");
    return failedSync(fd, realFdatasync);
}

extern "C" int close(int fd)
{
    static auto realClose = next(&close, "close");
    const bool fails = affects(fd, writefaults::Fault::CloseFails);
    const int result = realClose(fd);
    return fails && result == 0 ? refuse(EIO) : result;
}

extern "C" int openat(int folder, const char *path, int flags, ...)
{
    static auto realOpenat = next(&openat, "openat");
    const bool unnamed = (flags & O_TMPFILE) == O_TMPFILE;
    if (unnamed && unnamedRefused) {
        errno = EOPNOTSUPP;
        return -1;
    }
    va_list rest;
    va_start(rest, flags);
    const mode_t mode = (flags & O_CREAT) || unnamed ? va_arg(rest, mode_t) : 0;
    va_end(rest);
    return realOpenat(folder, path, flags, mode);
}
