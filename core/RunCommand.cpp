#include "RunCommand.h"

#include "Generation.h"
#include "Texts.h"
#include "TextToInt.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <new>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/mman.h>
#endif

namespace mizel {

namespace {

// Address space held back while the list grows: a list that fits still leaves
// room for the painting and the boxes that follow it, which cannot all fail
// cleanly when memory runs out. Only reserved, never touched.
class AddressSpaceReserve
{
public:
    static constexpr std::size_t size = std::size_t{32} << 20;

    AddressSpaceReserve()
#ifdef _WIN32
        : block(VirtualAlloc(nullptr, size, MEM_RESERVE, PAGE_NOACCESS))
    {
        if (!block)
            throw std::bad_alloc();
    }
    ~AddressSpaceReserve() { VirtualFree(block, 0, MEM_RELEASE); }
#else
        : block(mmap(nullptr, size, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0))
    {
        if (block == MAP_FAILED)
            throw std::bad_alloc();
    }
    ~AddressSpaceReserve() { munmap(block, size); }
#endif
    AddressSpaceReserve(const AddressSpaceReserve &) = delete;
    AddressSpaceReserve &operator=(const AddressSpaceReserve &) = delete;

private:
    void *block;
};

} // namespace

void fillEmptyBoxes(RunBoxes &boxes)
{
    for (std::string *text : {&boxes.max, &boxes.min, &boxes.count}) {
        if (text->empty())
            text->push_back('0');
    }
}

RunCheck checkRun(const RunBoxes &boxes)
{
    const std::int32_t max = textToInt(boxes.max);
    std::int32_t count = textToInt(boxes.count);
    // Compared as the count less one, wrapping: a count of 0 or below passes
    // here, and a count above the range is lowered below.
    if (boxes.distinct && max < static_cast<std::int32_t>(static_cast<std::uint32_t>(count) - 1u))
        return {RunCheck::Outcome::TooMany, {}, {}};
    const std::int32_t min = textToInt(boxes.min);
    if (min > max)
        return {RunCheck::Outcome::MinAboveMax, {}, {}};
    const std::int64_t span = std::int64_t{max} - min + 1;
    std::optional<std::string> countText;
    if (boxes.distinct && span < count) {
        count = static_cast<std::int32_t>(span);
        countText = std::to_string(span);
    }
    return {RunCheck::Outcome::Generate, {min, span, count}, std::move(countText)};
}

void fillList(ValueList &list, const RunRange &range, bool distinct, WorkProgress &progress)
{
    try {
        const AddressSpaceReserve reserve;
        if (distinct)
            appendDistinct(list, range.count, range.min, range.span, progress);
        else
            appendWithRepeats(list, range.count, range.min, range.span, progress);
        progress.throwIfStopped();
    } catch (...) {
        ValueList().swap(list);
        throw;
    }
}

std::uint32_t tickCount()
{
    using namespace std::chrono;
    return static_cast<std::uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

std::string finishedMessage(std::uint32_t elapsedTicks)
{
    std::string message(texts::finishedBefore);
    message += std::to_string(static_cast<std::int32_t>(elapsedTicks));
    message += texts::finishedAfter;
    return message;
}

std::string maxCountText(std::string_view maxText, std::string_view minText)
{
    const std::int64_t max = textToInt(maxText);
    const std::int64_t min = textToInt(minText);
    return std::to_string(std::clamp<std::int64_t>(max - min + 1, INT32_MIN, INT32_MAX));
}

} // namespace mizel
