#pragma once
// The Run and maximum-count commands apart from any window: their checks, the
// list they make and the texts they leave in the boxes and the status bar.
#include "ValueList.h"
#include "WorkProgress.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace mizel {

// The three number boxes as UTF-8 text, and the no-duplicates tick.
struct RunBoxes
{
    std::string max;
    std::string min;
    std::string count;
    bool distinct;
};

// What Run checked, read from the boxes once: the values used are the values checked.
struct RunRange
{
    std::int32_t min;
    std::int64_t span; // max - min + 1, from 1 to 2^32
    std::int32_t count;
};

struct RunCheck
{
    enum class Outcome { Generate, TooMany, MinAboveMax };
    Outcome outcome;
    RunRange range;                     // set for Generate
    std::optional<std::string> countText; // the count box's new text, when Run lowers the count
};

// Empty boxes read as "0". Run fills them in before it reads any, and the
// caller writes the ones that changed back into the boxes.
void fillEmptyBoxes(RunBoxes &boxes);

// Reads the boxes in the order maximum, count, minimum, each only when its
// check needs it; a box that is not a number throws EConvertError then. With
// no duplicates a count above the range is lowered to the range's size.
RunCheck checkRun(const RunBoxes &boxes);

// Makes the checked list. It ends with the whole list or an empty one: on any
// exception the list's memory is given back before it is rethrown, since the
// grid, Copy and Save would take a part for a result, and the error display
// needs some memory. A stop requested through progress ends it empty, with
// WorkStopped.
void fillList(ValueList &list, const RunRange &range, bool distinct,
              WorkProgress &progress = unwatchedWork());

// The system's millisecond tick: monotonic, wrapping at 2^32.
std::uint32_t tickCount();
// The status bar's text once the list is shown, elapsedTicks after it started.
std::string finishedMessage(std::uint32_t elapsedTicks);

// The maximum-count button: the count box's text for the range in the boxes.
// A range of more values than a count can hold gets the largest count, so that
// Run can still read the box. Throws EConvertError as Run does.
std::string maxCountText(std::string_view maxText, std::string_view minText);

} // namespace mizel
