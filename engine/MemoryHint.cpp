#include "MemoryHint.h"

#include <cstdint>

#if __has_include(<sys/mman.h>)
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace mizel {

void preferHugePages(void* data, std::size_t size)
{
#ifdef MADV_HUGEPAGE
    constexpr std::uintptr_t hugePage = std::uintptr_t{1} << 21;
    const auto begin = (reinterpret_cast<std::uintptr_t>(data) + hugePage - 1) & ~(hugePage - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(data) + size) & ~(hugePage - 1);
    // Failure leaves ordinary pages, which is no error.
    if (begin < end)
        madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
    (void)data;
    (void)size;
#endif
}

void mapPagesNow(void* data, std::size_t size)
{
#ifdef MADV_POPULATE_WRITE
    const auto pageSize = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
    const auto begin = (reinterpret_cast<std::uintptr_t>(data) + pageSize - 1) & ~(pageSize - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(data) + size) & ~(pageSize - 1);
    // Older kernels refuse the advice; the pages then come in as they are written.
    if (begin < end)
        madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE);
#else
    (void)data;
    (void)size;
#endif
}

} // namespace mizel
