#pragma once
// Filling the result list for Run, one bulk path per mode. Both reserve the
// whole list first, so a request that cannot fit fails before any drawing.
#include "ValueList.h"
#include "WorkProgress.h"

#include <cstdint>

namespace mizel {

// Appends count values min + randomBelow(span), span from 1 to 2^32. Long lists
// are drawn on every core, each thread on its own stretch of the one sequence.
// The bulk paths plan and report their work through progress and return early,
// the list incomplete, once it asks them to stop.
void appendWithRepeats(ValueList &list, std::int64_t count, std::int32_t min, std::int64_t span,
                       WorkProgress &progress = unwatchedWork());
// That threaded form at any length: the list and the generator end up exactly
// as with one thread.
void appendWithRepeatsInParallel(ValueList &list, std::int64_t count, std::int32_t min,
                                 std::int64_t span, int threads, WorkProgress &progress = unwatchedWork());

// Appends count distinct values of min .. min + span - 1 in random order,
// count from 0 to span. The whole range is the ascending fill, shuffled. The work
// is shared by threadCount() threads, which all end before it returns; the list
// does not depend on how many.
void appendDistinct(ValueList &list, std::int64_t count, std::int32_t min, std::int64_t span,
                    WorkProgress &progress = unwatchedWork());

} // namespace mizel
