#pragma once
// 15-bit linear congruential generator and the in-place exchange shuffle.
#include <cstdint>

namespace mizel {

void shuffleSeed(std::uint32_t seed);
int shuffleNext();

// Uniform in 0..bound-1 for bound from 1 to 2^32, from three consecutive
// shuffleNext outputs (45 bits) with rejection.
std::uint64_t shuffleWideBelow(std::uint64_t bound);

// Forward exchange shuffle: position i < 32768 takes shuffleNext() % (i + 1),
// a later position a uniform partner from shuffleWideBelow(i + 1).
void shuffleValues(std::int32_t* first, std::int32_t* last);
// The same permutation and draws, one position at a time (for tests).
void shuffleValuesReference(std::int32_t* first, std::int32_t* last);

} // namespace mizel
