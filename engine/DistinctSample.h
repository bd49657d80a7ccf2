#pragma once
// Distinct values drawn from a range, in random order, driven by the shuffle
// generator; time and memory grow with the count, not with the range.
#include <cstdint>

namespace mizel {

// Writes `count` distinct values from min .. min + span - 1 (32-bit wrap-free
// since min + span - 1 <= INT32_MAX) into out, each ordered sample equally likely.
// Requires 0 <= count < span <= 2^32. Uses shuffleWideBelow for its draws.
void sampleDistinct(std::int32_t* out, std::int64_t count, std::int32_t min, std::int64_t span);
// The same values from the same draws over a plain array of span slots (for tests).
void sampleDistinctReference(std::int32_t* out, std::int64_t count, std::int32_t min, std::int64_t span);
// What sampleDistinct does from 65536 values on in a sparse range (declared for
// tests): a random subset built in out itself, then shuffled, so it needs little
// memory beyond out. Same contract as sampleDistinct, other draws.
void sampleDistinctBySkips(std::int32_t* out, std::int64_t count, std::int32_t min, std::int64_t span);

} // namespace mizel
