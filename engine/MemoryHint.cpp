#include "MemoryHint.h"

#include <cstdint>

#if __has_include(<sys/mman.h>)
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace mizel {

namespace {

// Gives advice on the pages of the given size wholly inside [data, data + size).
// Failure is no error: the memory then just works as it would without.
[[maybe_unused]] void advisePages(void* data, std::size_t size, std::uintptr_t pageSize, int advice)
{
#if __has_include(<sys/mman.h>)
    const auto begin = (reinterpret_cast<std::uintptr_t>(data) + pageSize - 1) & ~(pageSize - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(data) + size) & ~(pageSize - 1);
    if (begin < end)
        madvise(reinterpret_cast<void*>(begin), end - begin, advice);
#else
    (void)data, (void)size, (void)pageSize, (void)advice;
#endif
}

} // namespace

void preferHugePages(void* data, std::size_t size)
{
#ifdef MADV_HUGEPAGE
    advisePages(data, size, std::uintptr_t{1} << 21, MADV_HUGEPAGE);
#else
    (void)data, (void)size;
#endif
}

void mapPagesNow(void* data, std::size_t size)
{
    // Older kernels refuse the advice; the pages then come in as they are written.
#ifdef MADV_POPULATE_WRITE
    advisePages(data, size, static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE)), MADV_POPULATE_WRITE);
#else
    (void)data, (void)size;
#endif
}

} // namespace mizel
