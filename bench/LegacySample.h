#pragma once
// The sampler that large no-duplicates samples used before the block scatter,
// kept as the comparison benchmark's baseline: a Bernoulli subset by geometric
// skips, topped up, then shuffled with one random partner per position.
#include <cstdint>

void legacySampleDistinct(std::int32_t* out, std::int64_t count, std::int32_t min, std::int64_t span);
