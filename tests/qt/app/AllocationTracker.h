#pragma once
#include <cstddef>

// Records the largest single operator new request since the last reset.
namespace allocationTracker {
void reset();
std::size_t largestRequest();
}
