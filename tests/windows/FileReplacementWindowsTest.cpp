// Saving over a file on Windows: every failing step of the replacement, forced
// through the Win32 call seam or met for real, must end in a reported failure
// with the earlier file byte for byte and no temporary file left behind.
#include "FileReplacement.h"
#include "WindowsFileCalls.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

namespace fs = std::filesystem;
using mizel::FileReplacement;
using mizel::windowsFileCalls;

const std::string earlierText = "earlier\r\n";
const std::string newText(100'000, '7');

void writeFile(const fs::path& file, const std::string& text)
{
    std::ofstream(file, std::ios::binary) << text;
}

std::string readFile(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

bool save(const fs::path& file, const std::string& text)
{
    FileReplacement replacement(file);
    // In two writes, so that a fault may fall on a later one.
    return replacement.open() && replacement.write(text.data(), text.size() / 2)
        && replacement.write(text.data() + text.size() / 2, text.size() - text.size() / 2) && replacement.commit();
}

// Paths past 260 characters work only behind this prefix in the test's own calls.
std::wstring extended(const fs::path& path)
{
    return L"\\\\?\\" + path.wstring();
}

// Our temporary files in folder. (Wine's ReplaceFileW may leave a file of its
// own, rf*.tmp, when it fails; Windows does not.)
int temporariesIn(const fs::path& folder)
{
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW(extended(folder / L"~mizel4-*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    int count = 1;
    while (FindNextFileW(search, &found))
        ++count;
    FindClose(search);
    return count;
}

class FileReplacementWindows : public testing::Test
{
protected:
    void SetUp() override
    {
        folder = fs::temp_directory_path() / ("mizel4-" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::create_directories(folder);
    }
    void TearDown() override
    {
        windowsFileCalls = {};
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }

    fs::path folder;
};

TEST_F(FileReplacementWindows, WritesNewFilesAndReplacesKeepingAttributes)
{
    const fs::path file = folder / "list.txt";
    ASSERT_TRUE(save(file, earlierText));
    ASSERT_TRUE(save(file, newText));
    EXPECT_EQ(readFile(file), newText);

    // Past the 260-character limit, with a name beyond any ANSI code page.
    const fs::path longFolder = folder / std::wstring(200, L'a');
    const fs::path unicodeName = longFolder / (std::wstring(100, L'b') + L" 乱数 \U0001F3B2 список.csv");
    ASSERT_TRUE(CreateDirectoryW(extended(longFolder).c_str(), nullptr));
    ASSERT_TRUE(save(unicodeName, earlierText));
    ASSERT_TRUE(save(unicodeName, newText));
    EXPECT_EQ(readFile(extended(unicodeName)), newText);
    EXPECT_EQ(temporariesIn(longFolder), 0);
    EXPECT_TRUE(DeleteFileW(extended(unicodeName).c_str()));
    EXPECT_TRUE(RemoveDirectoryW(extended(longFolder).c_str()));
}

TEST_F(FileReplacementWindows, ShortWritesAreResumed)
{
    windowsFileCalls.writeFile = [](HANDLE file, LPCVOID data, DWORD length, LPDWORD written, LPOVERLAPPED) {
        return WriteFile(file, data, std::min<DWORD>(length, 4093), written, nullptr);
    };
    const fs::path file = folder / "list.txt";
    writeFile(file, earlierText);
    ASSERT_TRUE(save(file, newText));
    EXPECT_EQ(readFile(file), newText);
    EXPECT_EQ(temporariesIn(folder), 0);
}

// Each fault, where it falls, and the error the caller must be left with.
struct Fault
{
    const char* name;
    void (*inject)();
    DWORD error;
};

int writesBeforeFault;

const Fault faults[] = {
    {"first write: disk full", [] {
         windowsFileCalls.writeFile = [](HANDLE, LPCVOID, DWORD, LPDWORD, LPOVERLAPPED) {
             SetLastError(ERROR_DISK_FULL);
             return FALSE;
         };
     }, ERROR_DISK_FULL},
    {"second write: disk full after a short write", [] {
         writesBeforeFault = 2;
         windowsFileCalls.writeFile = [](HANDLE file, LPCVOID data, DWORD length, LPDWORD written, LPOVERLAPPED) {
             if (writesBeforeFault-- > 0)
                 return WriteFile(file, data, length / 2, written, nullptr);
             SetLastError(ERROR_DISK_FULL);
             return FALSE;
         };
     }, ERROR_DISK_FULL},
    {"write succeeds with nothing written", [] {
         windowsFileCalls.writeFile = [](HANDLE, LPCVOID, DWORD, LPDWORD written, LPOVERLAPPED) {
             *written = 0;
             return TRUE;
         };
     }, ERROR_DISK_FULL},
    {"FlushFileBuffers fails", [] {
         windowsFileCalls.flushFileBuffers = [](HANDLE) {
             SetLastError(ERROR_IO_DEVICE);
             return FALSE;
         };
     }, ERROR_IO_DEVICE},
    {"ReplaceFileW fails", [] {
         windowsFileCalls.replaceFile = [](LPCWSTR, LPCWSTR, LPCWSTR, DWORD, LPVOID, LPVOID) {
             SetLastError(ERROR_UNABLE_TO_REMOVE_REPLACED);
             return FALSE;
         };
         windowsFileCalls.moveFile = [](LPCWSTR, LPCWSTR, DWORD) -> BOOL { ADD_FAILURE() << "moved over the earlier file"; return FALSE; };
     }, ERROR_UNABLE_TO_REMOVE_REPLACED},
};

TEST_F(FileReplacementWindows, InjectedFaultsKeepTheEarlierFile)
{
    const fs::path file = folder / "list.txt";
    for (const Fault& fault : faults) {
        SCOPED_TRACE(fault.name);
        writeFile(file, earlierText);
        fault.inject();
        EXPECT_FALSE(save(file, newText));
        EXPECT_EQ(GetLastError(), fault.error);
        windowsFileCalls = {};
        EXPECT_EQ(readFile(file), earlierText);
        EXPECT_EQ(temporariesIn(folder), 0);
    }

    // A new file that cannot be moved into place leaves nothing at all.
    windowsFileCalls.moveFile = [](LPCWSTR, LPCWSTR, DWORD) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    };
    EXPECT_FALSE(save(folder / "new.txt", newText));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_ACCESS_DENIED});
    EXPECT_FALSE(fs::exists(folder / "new.txt"));
    EXPECT_EQ(temporariesIn(folder), 0);
}

TEST_F(FileReplacementWindows, FilesInUseReadOnlyOrMissingFoldersAreLeftAlone)
{
    const fs::path file = folder / "list.txt";
    writeFile(file, earlierText);
    const HANDLE inUse = CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(inUse, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(save(file, newText));
    CloseHandle(inUse);
    EXPECT_EQ(readFile(file), earlierText);

    SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_FALSE(save(file, newText));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_ACCESS_DENIED});
    SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(readFile(file), earlierText);

    EXPECT_FALSE(save(folder, newText));
    EXPECT_FALSE(save(folder / "missing" / "list.txt", newText));
    EXPECT_EQ(temporariesIn(folder), 0);
}

} // namespace
