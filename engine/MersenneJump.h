#pragma once
// Jumping ahead in the MT19937 sequence without drawing the numbers between,
// so that threads can each produce their own stretch of the one sequence.
#include "MersenneTwister.h"

#include <cstdint>

namespace mizel {

// Moves g on as far as draws calls of mtNext(g) would, leaving it in the same
// state they would (a generator nobody seeded is seeded first, as a draw does).
// Takes a few milliseconds whatever the distance; the first call in a process
// also derives the tables it works from.
void mtSkip(MersenneTwisterState& g, std::uint64_t draws);
// Derives those tables now, so that no later mtSkip allocates: for a thread that
// must not fail once it has started.
void mtPrepareSkip();

} // namespace mizel
