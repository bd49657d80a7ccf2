#pragma once
// 15-bit linear congruential generator and the in-place exchange shuffle.
#include <cstdint>

namespace mizel {

void shuffleSeed(std::uint32_t seed);
int shuffleNext();

// Uniform in 0..bound-1 for bound from 1 to 2^45, from three consecutive
// shuffleNext outputs (45 bits) with rejection; bound 2^45 gives the raw draw.
std::uint64_t shuffleWideBelow(std::uint64_t bound);

// Forward exchange shuffle: position i < 32768 takes shuffleNext() % (i + 1),
// a later position a uniform partner from shuffleWideBelow(i + 1).
void shuffleValues(std::int32_t* first, std::int32_t* last);
// The same permutation and draws, one position at a time (for tests).
void shuffleValuesReference(std::int32_t* first, std::int32_t* last);
// Forward exchange shuffle where every position i takes its partner from
// shuffleWideBelow(i + 1): each order equally likely at any length.
void shuffleValuesUniform(std::int32_t* first, std::int32_t* last);

} // namespace mizel
