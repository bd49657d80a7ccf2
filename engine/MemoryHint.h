#pragma once
// Hints to the system about how a large buffer will be used.
#include <cstddef>

namespace mizel {

// Asks for huge pages over the 2 MiB pages wholly inside [data, data + size):
// a buffer of many megabytes then costs one page fault per 2 MiB instead of per
// 4 KiB when first written, and random access to it misses the TLB far less.
// Only a hint; does nothing where the system has no such advice.
void preferHugePages(void* data, std::size_t size);

} // namespace mizel
