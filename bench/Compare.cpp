// Every speed and memory goal of the bulk paths against its baseline, run in this
// one process and printed as one table of medians. A plain timing loop: each case
// is a few long runs, so medians of wall time say more than per-iteration statistics.
//
//   mizel_compare [--threads N] [folder [case...]]
// N is the number of threads of the bulk paths (default: one per processor);
// folder takes the files written (default: the system temp folder); the cases are
// repeats, draw, shuffle, shuffle-huge, whole-range (8 GiB), sample, format, save,
// copy, memory and threads (N threads against one; default: all but whole-range).
// Windows lacks shuf and Linux's memory accounting: there sample has no file case
// and memory is left out.
#include "Generation.h"
#include "LegacySample.h"
#include "ListExport.h"
#include "MemoryHint.h"
#include "MersenneTwister.h"
#include "NumberText.h"
#include "Parallel.h"
#include "ShuffleRandom.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr std::int64_t million = 1'000'000;
constexpr std::int64_t hundredMillion = 100'000'000;
constexpr std::int32_t fillMin = 1;
constexpr std::int32_t fillMax = 1'000'000;
constexpr std::int32_t sampleMax = 2147483646;

constexpr double failed = NAN;

// std::mt19937 with 32-bit words on every system: its own word type,
// uint_fast32_t, has 64 bits on Linux and 32 on Windows, which would make the
// two builds' baselines different work.
using Mt19937 = std::mersenne_twister_engine<std::uint32_t, 32, 624, 397, 31, 0x9908b0df, 11, 0xffffffff, 7,
                                             0x9d2c5680, 15, 0xefc60000, 18, 1812433253>;

// Median wall time in milliseconds of runs of work, each after an untimed setup;
// failed when work says false once.
template <typename Setup, typename Work>
double medianMs(int runs, Setup setup, Work work)
{
    std::vector<double> times;
    for (int r = 0; r < runs; ++r) {
        setup();
        const auto start = Clock::now();
        if constexpr (std::is_same_v<decltype(work()), bool>) {
            if (!work())
                return failed;
        } else {
            work();
        }
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

template <typename Work>
double medianMs(int runs, Work work)
{
    return medianMs(runs, [] {}, work);
}

// Keeps a result alive so the compiler cannot drop the loop that made it.
template <typename T>
void keep(const T& value)
{
    asm volatile("" : : "r,m"(value) : "memory");
}

// higherIsBetter: the goal is base / ours >= goal (a speed-up); otherwise
// ours / base <= goal (ours within a factor of the baseline).
// A failed side shows as failed, never as a ratio.
void row(const char* name, const char* size, double ours, double base, double goal, bool higherIsBetter,
         const char* unit = "ms")
{
    const auto number = [](double value) {
        char text[16];
        std::snprintf(text, sizeof text, std::isnan(value) ? "failed" : "%.2f", value);
        return std::string(text);
    };
    const double ratio = higherIsBetter ? base / ours : ours / base;
    const char* verdict = std::isnan(ratio) ? "FAILED" : (higherIsBetter ? ratio >= goal : ratio <= goal) ? "met" : "MISSED";
    std::printf("%-34s %8s %11s %11s %4s %7s %2s %5.2f  %s\n", name, size, number(ours).c_str(), number(base).c_str(), unit,
                number(ratio).c_str(), higherIsBetter ? ">=" : "<=", goal, verdict);
    std::fflush(stdout);
}

// An empty list with room for count values, on huge pages where the system has
// them, as a Run's list is (advice given once the pages are written comes too
// late for them), and written once: the first touch of fresh pages would
// otherwise fall on whichever side runs first.
mizel::ValueList listWithCapacity(std::int64_t count)
{
    mizel::ValueList list;
    list.reserve(static_cast<std::size_t>(count));
    mizel::preferHugePages(list.data(), list.capacity() * sizeof(std::int32_t));
    list.assign(static_cast<std::size_t>(count), 0);
    list.clear();
    return list;
}

void repeatsFill()
{
    auto list = listWithCapacity(hundredMillion);
    mizel::mtSeed(4357);
    const double ours = medianMs(3, [&] { list.clear(); }, [&] {
        mizel::appendWithRepeats(list, hundredMillion, fillMin, fillMax - fillMin + 1);
    });
    Mt19937 generator(4357);
    std::uniform_int_distribution<int> distribution(fillMin, fillMax);
    const double base = medianMs(3, [&] { list.clear(); }, [&] {
        for (std::int64_t i = 0; i < hundredMillion; ++i)
            list.push_back(distribution(generator));
    });
    row("repeats 1..1e6 vs mt19937+uniform", "1e8", ours, base, 5, true);
}

void rawDraw()
{
    constexpr std::int64_t draws = hundredMillion;
    mizel::mtSeed(4357);
    const double ours = medianMs(5, [] {
        std::uint32_t sum = 0;
        for (std::int64_t i = 0; i < draws; ++i)
            sum += mizel::mtNext();
        keep(sum);
    });
    Mt19937 generator(4357);
    const double base = medianMs(5, [&] {
        std::uint32_t sum = 0;
        for (std::int64_t i = 0; i < draws; ++i)
            sum += static_cast<std::uint32_t>(generator());
        keep(sum);
    });
    row("mtNext vs mt19937()", "1e8", ours, base, 4, true);
}

// --- No duplicates over large lists: the block scatter against the standard
// library's shuffle and the sampler it replaced (and, under threads, itself on
// one thread).

constexpr std::int64_t billion = 1'000'000'000;

void fullRange(std::int64_t count, const char* size, int runs, double goal)
{
    auto list = listWithCapacity(count);
    mizel::shuffleSeed(4357);
    const double ours = medianMs(runs, [&] { list.clear(); }, [&] { mizel::appendDistinct(list, count, 0, count); });
    Mt19937 generator(4357);
    const double base = medianMs(runs, [&] { list.clear(); }, [&] {
        list.resize(static_cast<std::size_t>(count));
        std::iota(list.begin(), list.end(), 0);
        std::shuffle(list.begin(), list.end(), generator);
    });
    row("full range vs iota+shuffle(mt19937)", size, ours, base, goal, true);
}

// The whole range 0..2147483646 with no duplicates, the largest list there is,
// against the floor of any way to make it: writing the list once. Also prints how
// many draws a value costs: a third of a Philox word for its block, one word for
// its partner in the block's shuffle (rejections, below 2^-12 of them, left out).
void wholeRange()
{
    constexpr std::int64_t count = std::int64_t{1} << 31;
    const std::int64_t values = count - 1;
    auto list = listWithCapacity(values);
    mizel::shuffleSeed(4357);
    const double ours = medianMs(3, [&] { list.clear(); }, [&] { mizel::appendDistinct(list, values, 0, values); });
    const double base = medianMs(3, [&] { list.clear(); }, [&] {
        list.resize(static_cast<std::size_t>(values));
        std::iota(list.begin(), list.end(), 0);
    });
    row("whole range vs writing it once", "2^31-1", ours, base, 6, false);
    std::printf("  draws per value: %.3f Philox words (before: 5 outputs of 15 bits)\n", 1.0 / 3 + 1.0);
}

void hugeSample()
{
    mizel::ValueList list;
    mizel::shuffleSeed(4357);
    const double ours = medianMs(3, [&] { list.clear(); }, [&] {
        mizel::appendDistinct(list, hundredMillion, 0, sampleMax + std::int64_t{1});
    });
    const double base = medianMs(3, [&] { list.clear(); }, [&] {
        list.resize(static_cast<std::size_t>(hundredMillion));
        legacySampleDistinct(list.data(), hundredMillion, 0, sampleMax + std::int64_t{1});
    });
    row("sample of 0..2147483646 vs old sampler", "1e8", ours, base, 5, true);
}

void smallSample()
{
    mizel::ValueList list;
    mizel::shuffleSeed(4357);
    const double ours = medianMs(5, [&] { list.clear(); }, [&] { mizel::appendDistinct(list, 10, 0, sampleMax + std::int64_t{1}); });
    row("sample of 0..2147483646 vs 1 ms", "10", ours * 1000, 1000, 1, false, "us");
}

#ifndef _WIN32
// Against shuf, which Windows lacks.
void largeSample(const fs::path& folder)
{
    const fs::path ourFile = folder / "mizel_compare_sample.txt";
    const fs::path shufFile = folder / "mizel_compare_shuf.txt";
    mizel::ValueList list;
    mizel::shuffleSeed(4357);
    const double ours = medianMs(5, [&] { list.clear(); fs::remove(ourFile); }, [&] {
        mizel::appendDistinct(list, million, 0, sampleMax + std::int64_t{1});
        return mizel::saveList(ourFile, list, mizel::ListFormat::Text);
    });
    const std::string command = "shuf -i 0-2147483646 -n 1000000 > '" + shufFile.string() + "'";
    const double base = medianMs(5, [&] { fs::remove(shufFile); }, [&] { return std::system(command.c_str()) == 0; });
    fs::remove(ourFile);
    fs::remove(shufFile);
    row("sample+save vs shuf -n >file", "1e6", ours, base, 20, true);
}
#endif

// Full signed range, or the small positive numbers of the other cases.
mizel::ValueList formatInput(std::int64_t count, bool fullRange)
{
    mizel::ValueList values(static_cast<std::size_t>(count));
    mizel::mtSeed(99);
    if (fullRange)
        mizel::fillRandomBelow(values.data(), values.data() + count, INT32_MIN, std::int64_t{1} << 32);
    else
        mizel::fillRandomBelow(values.data(), values.data() + count, fillMin, fillMax - fillMin + 1);
    return values;
}

char* toCharsTextLines(char* out, const mizel::ValueList& values)
{
    for (const std::int32_t v : values) {
        out = std::to_chars(out, out + mizel::maxNumberTextLength, v).ptr;
        *out++ = '\r';
        *out++ = '\n';
    }
    return out;
}

void formatting(bool fullRange)
{
    constexpr std::int64_t count = 10 * million;
    const auto values = formatInput(count, fullRange);
    std::vector<char> text(values.size() * mizel::maxTextLineLength);
    const double ours = medianMs(5, [&] {
        keep(mizel::formatTextLines(text.data(), values.data(), values.data() + values.size()));
    });
    const double base = medianMs(5, [&] { keep(toCharsTextLines(text.data(), values)); });
    row(fullRange ? "text lines vs to_chars, full range" : "text lines vs to_chars, 1..1e6", "1e7", ours, base, 2.5, true);
}

void copyText()
{
    constexpr std::int64_t count = 10 * million;
    const auto values = formatInput(count, false);
    // As the clipboard's copy: fresh memory that the formatting fills.
    std::unique_ptr<char[]> clipboardText;
    const double ours = medianMs(5, [&] { clipboardText.reset(); }, [&] {
        const mizel::ListText text(values);
        clipboardText = std::make_unique_for_overwrite<char[]>(text.length());
        text.write(clipboardText.get());
    });
    std::vector<char> text(values.size() * mizel::maxTextLineLength);
    const double base = medianMs(5, [&] {
        keep(mizel::formatTextLines(text.data(), values.data(), values.data() + values.size()));
    });
    row("copy text vs formatting alone", "1e7", ours, base, 1.2, false);
}

// What saving has to pay anyway: the same bytes written to a new file in the same
// folder in writes of the given lengths, made durable and closed. A save's
// commit does the same: it syncs, then renames its temporary file into place.
#ifdef _WIN32
bool writePlainFile(const fs::path& file, const std::vector<std::size_t>& writeLengths)
{
    static const std::vector<char> block(1 << 16, '7');
    const HANDLE handle = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    bool written = true;
    for (const std::size_t length : writeLengths) {
        DWORD done = 0;
        if (!WriteFile(handle, block.data(), static_cast<DWORD>(length), &done, nullptr) || done != length) {
            written = false;
            break;
        }
    }
    written = FlushFileBuffers(handle) && written;
    return CloseHandle(handle) && written;
}

// Windows syncs every file only for those with rights to the volume.
void syncAll() {}
#else
bool writePlainFile(const fs::path& file, const std::vector<std::size_t>& writeLengths)
{
    static const std::vector<char> block(1 << 16, '7');
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return false;
    bool written = true;
    for (const std::size_t length : writeLengths) {
        if (::write(fd, block.data(), length) != static_cast<ssize_t>(length)) {
            written = false;
            break;
        }
    }
    written = ::fdatasync(fd) == 0 && written;
    return ::close(fd) == 0 && written;
}

void syncAll()
{
    ::sync();
}
#endif

// The lengths of the writes of a save in the text format: one per 3000 numbers.
std::vector<std::size_t> textChunkLengths(const mizel::ValueList& values)
{
    constexpr std::size_t chunkSize = 3000;
    std::vector<char> chunk(chunkSize * mizel::maxTextLineLength);
    std::vector<std::size_t> lengths;
    for (std::size_t first = 0; first < values.size(); first += chunkSize) {
        const std::size_t last = std::min(values.size(), first + chunkSize);
        const char* end = mizel::formatTextLines(chunk.data(), values.data() + first, values.data() + last);
        lengths.push_back(static_cast<std::size_t>(end - chunk.data()));
    }
    return lengths;
}

// Saving is measured against writing the same bytes twice: in the writes of the
// same lengths, which the chunks fix, and in 64 KiB writes, for what that costs.
void saveText(const fs::path& folder)
{
    const fs::path ourFile = folder / "mizel_compare_save.txt";
    const fs::path plainFile = folder / "mizel_compare_plain.txt";
    const auto values = formatInput(hundredMillion, false);
    const double ours = medianMs(3, [&] { fs::remove(ourFile); }, [&] {
        return mizel::saveList(ourFile, values, mizel::ListFormat::Text);
    });
    const auto sameWrites = textChunkLengths(values);
    std::uintmax_t bytes = 0;
    for (const std::size_t length : sameWrites)
        bytes += length;
    fs::remove(ourFile);
    const std::vector<std::size_t> wideWrites(bytes >> 16, std::size_t{1} << 16);
    const double same = medianMs(3, [&] { fs::remove(plainFile); }, [&] { return writePlainFile(plainFile, sameWrites); });
    const double wide = medianMs(3, [&] { fs::remove(plainFile); }, [&] { return writePlainFile(plainFile, wideWrites); });
    fs::remove(plainFile);
    // Let the system finish with the deleted gigabytes before the next case.
    syncAll();
    row("save text vs same writes of bytes", "1e8", ours, same, 1.5, false);
    row("save text vs 64 KiB writes of bytes", "1e8", ours, wide, 1.15, false);
}

std::uint64_t checksum(const mizel::ValueList& list)
{
    std::uint64_t sum = 0;
    for (const std::int32_t value : list)
        sum = sum * 0x100000001B3 + static_cast<std::uint32_t>(value);
    return sum;
}

bool sameFiles(const fs::path& a, const fs::path& b)
{
    std::ifstream first(a, std::ios::binary);
    std::ifstream second(b, std::ios::binary);
    std::vector<char> blockA(1 << 20);
    std::vector<char> blockB(1 << 20);
    while (first && second) {
        first.read(blockA.data(), static_cast<std::streamsize>(blockA.size()));
        second.read(blockB.data(), static_cast<std::streamsize>(blockB.size()));
        if (first.gcount() != second.gcount() || !std::equal(blockA.begin(), blockA.begin() + first.gcount(), blockB.begin()))
            return false;
    }
    return first.eof() && second.eof();
}

// The bulk paths on all the threads against one thread, giving the same result;
// a different result counts as a failure.
void threadScaling(const fs::path& folder, int threads)
{
    const std::string label = std::to_string(threads) + " threads vs 1";
    auto list = listWithCapacity(billion);
    std::uint64_t sums[2] = {};
    double times[2] = {};
    for (const int side : {0, 1}) {
        mizel::setThreadCount(side == 0 ? 1 : threads);
        times[side] = medianMs(3, [&] { list.clear(); mizel::mtSeed(4357); }, [&] {
            mizel::appendWithRepeats(list, billion, fillMin, fillMax - fillMin + 1);
        });
        sums[side] = checksum(list);
    }
    list = {};
    row(("repeats: " + label).c_str(), "1e9", sums[0] == sums[1] ? times[1] : failed, times[0], 1.6, true);

    const auto values = formatInput(hundredMillion, false);
    const fs::path files[2] = {folder / "mizel_compare_save1.txt", folder / "mizel_compare_saveN.txt"};
    for (const int side : {0, 1}) {
        mizel::setThreadCount(side == 0 ? 1 : threads);
        times[side] = medianMs(3, [&] { fs::remove(files[side]); }, [&] {
            return mizel::saveList(files[side], values, mizel::ListFormat::Text);
        });
    }
    const bool same = sameFiles(files[0], files[1]);
    fs::remove(files[0]);
    fs::remove(files[1]);
    syncAll();
    row(("save text: " + label).c_str(), "1e8", same ? times[1] : failed, times[0], 1.6, true);
    mizel::setThreadCount(threads);
}

// The whole range of 10^9 values on all the threads against one: the same list.
void distinctThreads(int threads)
{
    auto list = listWithCapacity(billion);
    std::uint64_t sums[2] = {};
    double times[2] = {};
    for (const int side : {0, 1}) {
        mizel::setThreadCount(side == 0 ? 1 : threads);
        times[side] = medianMs(1, [&] { list.clear(); mizel::shuffleSeed(4357); }, [&] {
            mizel::appendDistinct(list, billion, 0, billion);
        });
        sums[side] = checksum(list);
    }
    const std::string label = "full range: " + std::to_string(threads) + " threads vs 1";
    row(label.c_str(), "1e9", sums[0] == sums[1] ? times[1] : failed, times[0], 1.6, true);
    mizel::setThreadCount(threads);
}

#ifndef _WIN32
// Linux's own accounting: /proc/self/status and clear_refs.
long statusKb(const char* field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string prefix = std::string(field) + ":";
    while (std::getline(status, line)) {
        if (line.rfind(prefix, 0) == 0)
            return std::atol(line.c_str() + prefix.size());
    }
    return -1;
}

// Growth of the peak resident set over one Run into an empty list, against the
// list's own size. Writing 5 to clear_refs resets the peak to the current size.
template <typename Run>
void peakMemory(const char* name, Run run)
{
    mizel::ValueList list;
    std::ofstream("/proc/self/clear_refs") << "5";
    const long before = statusKb("VmRSS");
    run(list);
    const double growthMb = (statusKb("VmHWM") - before) / 1024.0;
    const double listMb = static_cast<double>(list.size() * sizeof(std::int32_t)) / (1 << 20);
    row(name, "1e8", growthMb, listMb, 1.1, false, "MiB");
}
#endif

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> arguments(argv + 1, argv + argc);
    int threads = mizel::threadCount();
    if (arguments.size() >= 2 && arguments[0] == "--threads") {
        threads = std::atoi(arguments[1].c_str());
        arguments.erase(arguments.begin(), arguments.begin() + 2);
        if (threads < 1) {
            std::fprintf(stderr, "mizel_compare: --threads takes a number of threads from 1 up\n");
            return 2;
        }
    }
    mizel::setThreadCount(threads);
    const fs::path folder = arguments.empty() ? fs::temp_directory_path() : fs::path(arguments[0]);
    std::error_code error;
    if (!fs::is_directory(folder, error)) {
        std::fprintf(stderr, "mizel_compare: no folder %s to write the test files in\n", folder.string().c_str());
        return 2;
    }
    const std::vector<std::string> only(arguments.begin() + std::min<std::size_t>(arguments.size(), 1), arguments.end());
    const std::pair<const char*, std::function<void()>> cases[] = {
        {"repeats", repeatsFill},
        {"draw", rawDraw},
        {"shuffle", [] { fullRange(hundredMillion, "1e8", 3, 10); }},
        {"shuffle-huge", [] { fullRange(billion, "1e9", 1, 20); }},
        {"whole-range", wholeRange},
        {"sample", hugeSample},
        {"sample", smallSample},
#ifndef _WIN32
        {"sample", [&] { largeSample(folder); }},
#endif
        {"format", [] { formatting(true); }},
        {"format", [] { formatting(false); }},
        {"copy", copyText},
        {"save", [&] { saveText(folder); }},
#ifndef _WIN32
        {"memory", [] {
             peakMemory("peak RSS: repeats run vs list size", [](mizel::ValueList& list) {
                 mizel::appendWithRepeats(list, hundredMillion, fillMin, fillMax - fillMin + 1);
             });
         }},
        {"memory", [] {
             peakMemory("peak RSS: shuffle run vs list size", [](mizel::ValueList& list) {
                 mizel::appendDistinct(list, hundredMillion, 0, hundredMillion);
             });
         }},
        {"memory", [] {
             peakMemory("peak RSS: sample run vs list size", [](mizel::ValueList& list) {
                 mizel::appendDistinct(list, hundredMillion, 0, sampleMax + std::int64_t{1});
             });
         }},
#endif
        {"threads", [&] { threadScaling(folder, threads); }},
        {"threads", [&] { distinctThreads(threads); }},
    };
    for (const std::string& name : only) {
        if (std::none_of(std::begin(cases), std::end(cases), [&](const auto& c) { return name == c.first; })) {
            std::fprintf(stderr, "mizel_compare: no case %s\n", name.c_str());
            return 2;
        }
    }
    std::printf("threads: %d\n", threads);
    std::printf("%-34s %8s %11s %11s %4s %7s %8s\n", "case", "size", "ours", "baseline", "unit", "ratio", "goal");
    for (const auto& [key, run] : cases) {
        const bool chosen = only.empty() ? std::string(key) != "whole-range" : std::find(only.begin(), only.end(), key) != only.end();
        if (chosen)
            run();
    }
    return 0;
}
