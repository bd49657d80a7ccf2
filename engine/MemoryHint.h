#pragma once
// Hints to the system about how a large buffer will be used.
#include <cstddef>

namespace mizel {

// Asks for huge pages over the 2 MiB pages wholly inside [data, data + size):
// a buffer of many megabytes then costs one page fault per 2 MiB instead of per
// 4 KiB when first written, and random access to it misses the TLB far less.
// Only a hint; does nothing where the system has no such advice.
void preferHugePages(void* data, std::size_t size);

// Maps the pages of [data, data + size) now, in one call rather than one fault
// per page as they are first written. Touching fresh pages a few kilobytes at a
// time can miss the huge pages asked for above and fall back to 4 KiB faults,
// many times slower on a virtual machine. Only a hint, like the one above.
void mapPagesNow(void* data, std::size_t size);

} // namespace mizel
