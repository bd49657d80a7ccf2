#pragma once
// The list a Run makes, which the grid shows and Copy and Save write out.
#include <cstdint>
#include <memory>
#include <new>
#include <utility>
#include <vector>

namespace mizel {

// Leaves the values a vector grows by unwritten. Every pass that grows the list
// writes each new value itself; zeroing them first would be one more pass over
// memory, and one made by a single thread.
template <typename T>
struct UnwrittenGrowthAllocator : std::allocator<T> {
    UnwrittenGrowthAllocator() noexcept = default;
    template <typename U>
    UnwrittenGrowthAllocator(const UnwrittenGrowthAllocator<U> &) noexcept
    {
    }

    template <typename U>
    void construct(U *place) noexcept
    {
        ::new (static_cast<void *>(place)) U;
    }
    template <typename U, typename... Args>
    void construct(U *place, Args &&...args)
    {
        std::construct_at(place, std::forward<Args>(args)...);
    }
};

using ValueList = std::vector<std::int32_t, UnwrittenGrowthAllocator<std::int32_t>>;

} // namespace mizel
