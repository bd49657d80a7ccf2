#include "FileReplacement.h"
#include "WindowsFileCalls.h"

#include <algorithm>
#include <cwchar>
#include <random>
#include <system_error>
#include <utility>

namespace mizel {

WindowsFileCalls windowsFileCalls;

namespace {

// The form of a path Windows takes at any length: absolute, with backslashes,
// behind the \\?\ prefix that lifts the 260-character limit. Empty if the
// path cannot be made absolute.
std::wstring extendedPath(const std::filesystem::path &path)
{
    std::error_code error;
    const std::wstring full = std::filesystem::absolute(path, error).lexically_normal().make_preferred().wstring();
    if (error || full.empty())
        return {};
    if (full.starts_with(L"\\\\?\\"))
        return full;
    if (full.starts_with(L"\\\\"))
        return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

// A short random name in folder, so that it fits wherever the target's name does.
std::wstring temporaryNameIn(const std::wstring &folder)
{
    static std::random_device random;
    wchar_t name[24];
    std::swprintf(name, std::size(name), L"~mizel4-%08x.tmp", static_cast<unsigned>(random()));
    return folder + L'\\' + name;
}

} // namespace

// Written beside the target under a temporary name; ReplaceFileW or
// MoveFileExW puts it in place.
struct FileReplacement::State
{
    explicit State(const std::filesystem::path &path) : target(extendedPath(path)) {}
    ~State() { discard(); }

    bool open();
    bool write(const char *data, std::size_t length);
    bool commit();
    bool fail();
    void discard();

    std::wstring target; // empty if the path cannot be made absolute
    std::wstring temporary;
    HANDLE file = INVALID_HANDLE_VALUE;
    bool replacing = false;
    bool failed = false;
};

FileReplacement::FileReplacement(const std::filesystem::path &target)
    : state(std::make_unique<State>(target))
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

bool FileReplacement::State::open()
{
    const std::size_t separator = target.rfind(L'\\');
    if (separator == std::wstring::npos || separator + 1 == target.size()) {
        SetLastError(ERROR_INVALID_NAME);
        return fail();
    }
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        // A folder is no file to replace, and a read-only file stays as it is,
        // although the folder's rights would let us replace it.
        if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) {
            SetLastError(ERROR_ACCESS_DENIED);
            return fail();
        }
        replacing = true;
    } else if (GetLastError() != ERROR_FILE_NOT_FOUND) {
        return fail();
    }
    const std::wstring folder = target.substr(0, separator);
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = temporaryNameIn(folder);
        file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE)
            return true;
        if (GetLastError() != ERROR_FILE_EXISTS)
            break;
    }
    temporary.clear();
    return fail();
}

bool FileReplacement::State::write(const char *data, std::size_t length)
{
    constexpr std::size_t largestWrite = std::size_t{1} << 30;
    while (!failed && length > 0) {
        DWORD written = 0;
        if (!windowsFileCalls.writeFile(file, data, static_cast<DWORD>(std::min(length, largestWrite)), &written, nullptr))
            return fail();
        // A write that moves nothing would never end the loop; it means no room.
        if (written == 0) {
            SetLastError(ERROR_DISK_FULL);
            return fail();
        }
        data += written;
        length -= written;
    }
    return !failed;
}

bool FileReplacement::State::commit()
{
    if (failed || file == INVALID_HANDLE_VALUE || !windowsFileCalls.flushFileBuffers(file)
        || !CloseHandle(std::exchange(file, INVALID_HANDLE_VALUE)))
        return fail();
    // ReplaceFileW gives the new contents the earlier file's attributes,
    // security and creation time; a file removed since open() is just made anew.
    bool replaced = replacing && windowsFileCalls.replaceFile(target.c_str(), temporary.c_str(), nullptr, 0, nullptr, nullptr);
    if (!replaced && (!replacing || GetLastError() == ERROR_FILE_NOT_FOUND))
        replaced = windowsFileCalls.moveFile(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!replaced)
        return fail();
    temporary.clear();
    return true;
}

// Cleans up and keeps the failing call's error for the caller's message.
bool FileReplacement::State::fail()
{
    const DWORD error = GetLastError();
    failed = true;
    discard();
    SetLastError(error);
    return false;
}

void FileReplacement::State::discard()
{
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(std::exchange(file, INVALID_HANDLE_VALUE));
    if (!temporary.empty())
        DeleteFileW(temporary.c_str());
    temporary.clear();
}

} // namespace mizel
