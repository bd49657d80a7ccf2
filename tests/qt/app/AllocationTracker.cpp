#include "AllocationTracker.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<std::size_t> largest{0};
}

void allocationTracker::reset() { largest = 0; }
std::size_t allocationTracker::largestRequest() { return largest; }

void *operator new(std::size_t size)
{
    std::size_t seen = largest.load(std::memory_order_relaxed);
    while (size > seen && !largest.compare_exchange_weak(seen, size, std::memory_order_relaxed)) {
    }
    if (void *block = std::malloc(size ? size : 1))
        return block;
    throw std::bad_alloc();
}

// Under AddressSanitizer the nothrow form would otherwise be its own and
// pair with the free() below.
void *operator new(std::size_t size, const std::nothrow_t &) noexcept
{
    try {
        return ::operator new(size);
    } catch (const std::bad_alloc &) {
        return nullptr;
    }
}

void operator delete(void *block) noexcept { std::free(block); }
void operator delete(void *block, std::size_t) noexcept { std::free(block); }
