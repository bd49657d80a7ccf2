#pragma once
// A uniform random order for long lists at memory speed. One draw per value sends
// it to one of up to 1024 blocks; the blocks are laid out one after another, each
// filled in list order, and each block, small enough for the cache, then gets a
// forward exchange shuffle of its own. Whatever the block sizes, each block's order
// is uniform, so every order of the whole list is equally likely (Sanders, "Random
// permutations on distributed, external and hierarchical memory", 1998).
//
// The draws come from Philox4x32-10 under one key taken from the shuffle
// generator (takeBulkKey), at fixed counters, so the result does not depend on how
// many threads do the work: the block of value i is the low bits of 10-bit field
// i % 3 of word i / 3 of stream 0, and block b's shuffle reads stream 1 + b from
// its start.
#include "WorkProgress.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace mizel {

// The values of a list in list order, cut into chunks that threads take whole.
struct ScatterSource {
    // Takes a batch of values; false once the work should stop.
    using Emit = std::function<bool(const std::int32_t* values, std::size_t count)>;
    // Ascending, from 0; the last entry is the number of values.
    std::vector<std::int64_t> chunkStarts;
    // Passes the values of one chunk to emit, in order, a batch at a time, until
    // emit says false.
    std::function<void(std::size_t chunk, const Emit& emit)> produce;
    // Progress units per value that producing a value costs, beyond scattering it.
    std::uint64_t produceUnits = 0;
};

// The values first, first + 1, ... (wrapping in 32 bits), count of them.
ScatterSource consecutiveValues(std::int32_t first, std::int64_t count);
// Chunk starts for count values: chunks large enough that a thread's share of
// the work dwarfs starting it.
std::vector<std::int64_t> scatterChunkStarts(std::int64_t count);

// log2 of the number of blocks for count values: blocks of about 2^17 values,
// at most 1024 of them (a block draw has 10 bits).
int scatterBlockBits(std::int64_t count);

// Progress: the bulk paths below report to a WorkProgress a chunk at a time,
// scatterUnits(count, source) units in all, and once a stop is requested return
// within a chunk, out unfinished; the caller plans the units.
std::uint64_t scatterUnits(std::int64_t count, const ScatterSource& source);

// Writes the values of source into out in uniform random order under a key from
// takeBulkKey(). threads 0 means threadCount().
void scatterShuffle(std::int32_t* out, const ScatterSource& source, int blockBits, unsigned threads,
                    WorkProgress& progress = unwatchedWork());
// The same order from the same draws, in plain single-threaded loops (for tests).
void scatterShuffleReference(std::int32_t* out, const std::int32_t* values, std::int64_t count, int blockBits);

// Writes min .. min + count - 1 into out in random order: for up to 32768 values
// the ascending fill with shuffleValues, beyond that the block scatter, which
// needs no source array. The values wrap in 32 bits.
void permuteRange(std::int32_t* out, std::int64_t count, std::int32_t min, unsigned threads = 0,
                  WorkProgress& progress = unwatchedWork());
// The units permuteRange reports for count values.
std::uint64_t permuteRangeUnits(std::int64_t count);

// Threads for `values` values of work: as requested (0: threadCount()), but few
// enough that each has 2^16 values at least, as starting one costs about that.
int threadsToUse(unsigned requested, std::int64_t values);

} // namespace mizel
