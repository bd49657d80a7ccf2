#pragma once
// Distinct values drawn from a range, in random order, driven by the shuffle
// generator (up to 32768 values) or by Philox under a key from it (takeBulkKey);
// time and memory grow with the count, not with the range.
#include "WorkProgress.h"

#include <cstdint>

namespace mizel {

// Writes `count` distinct values from min .. min + span - 1 (32-bit wrap-free
// since min + span - 1 <= INT32_MAX) into out, each ordered sample equally likely.
// Requires 0 <= count < span <= 2^32. Draws from the shuffle generator; threads as
// for shuffleValues, without effect on the result. Reports sampleDistinctUnits(count,
// span) units to progress a chunk at a time, and once a stop is requested returns within
// a chunk, out unfinished.
void sampleDistinct(std::int32_t* out, std::int64_t count, std::int32_t min, std::int64_t span, unsigned threads = 0,
                    WorkProgress& progress = unwatchedWork());
std::uint64_t sampleDistinctUnits(std::int64_t count, std::int64_t span);
// The same values from the same draws over a plain array of span slots (for tests).
void sampleDistinctReference(std::int32_t* out, std::int64_t count, std::int32_t min, std::int64_t span);
// What sampleDistinct does from 65536 values on (declared for tests): a uniform
// subset regenerated segment by segment as the block scatter reads it, so it needs
// little memory beyond out. Same contract as sampleDistinct, other draws.
void sampleDistinctByScatter(std::int32_t* out, std::int64_t count, std::int32_t min, std::int64_t span,
                             unsigned threads = 0, WorkProgress& progress = unwatchedWork());
// The same values from the same draws, the subset stored first (for tests).
void sampleDistinctByScatterReference(std::int32_t* out, std::int64_t count, std::int32_t min, std::int64_t span);

} // namespace mizel
