#pragma once
// The new contents of a file, written beside it and put in its place by
// commit() only when every byte is on the disk; until then, and whenever
// anything fails, the earlier file stays as it was. The replacement keeps the
// earlier file's permissions and, where we may set them, its owner. A FIFO or
// device chosen as the target is written directly. Each system has its own
// implementation (FileReplacementPosix.cpp, FileReplacementWindows.cpp).
#include "ByteSink.h"

#include <filesystem>
#include <memory>

namespace mizel {

class FileReplacement : public ByteSink
{
public:
    explicit FileReplacement(const std::filesystem::path &target);
    // Discards the new contents unless commit() succeeded.
    ~FileReplacement();
    FileReplacement(const FileReplacement &) = delete;
    FileReplacement &operator=(const FileReplacement &) = delete;

    // Finds the file to replace and starts the new one; false if it cannot be.
    bool open();
    // Goes straight to the file, unbuffered; false once any write failed.
    bool write(const char *data, std::size_t length) override;
    // Puts the new contents in place; false if that or any write failed.
    bool commit();

private:
    struct State;
    std::unique_ptr<State> state;
};

} // namespace mizel
