#pragma once
// Stands in for the C library's write, fsync, fdatasync, close and openat in the
// program it is linked into (a shared library, found before the C library).
// While armed, calls on files under one folder fail the way a full or failing
// disk makes them fail.
#include <string>

namespace writefaults {

enum class Fault {
    DiskFull,   // the disk takes bytesLeft more bytes: a short write, then ENOSPC
    SyncFails,  // fsync and fdatasync fail with EIO
    CloseFails, // close closes, then reports EIO
};

void arm(const std::string &folder, Fault fault, long long bytesLeft = 0);

// Disarms; true when some call got less than it asked for since arm.
bool disarm();

// Makes openat refuse unnamed files (O_TMPFILE), as some file systems do.
void refuseUnnamedFiles(bool refuse);

} // namespace writefaults
