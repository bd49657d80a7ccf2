#include "DistinctSample.h"

#include "ShuffleRandom.h"

#include <bit>
#include <numeric>
#include <utility>
#include <vector>

namespace mizel {

namespace {

// Slots of a virtual array of span values where slot k holds k until a swap
// displaces it; only displaced slots are stored, in an open-addressing table.
// An entry is (slot << 32) | value. Slot 0 is never stored (a slot is stored only
// as the partner of a lower position), so 0 marks an empty entry.
class DisplacedSlots {
public:
    explicit DisplacedSlots(std::int64_t maxEntries)
        : entries(std::bit_ceil(static_cast<std::uint64_t>(2 * maxEntries + 2)))
        , shift(64 - std::countr_zero(entries.size()))
    {
    }

    std::uint32_t get(std::uint32_t slot) const
    {
        for (std::size_t at = home(slot);; at = (at + 1) & mask()) {
            const std::uint64_t entry = entries[at];
            if (entry == 0)
                return slot;
            if (entry >> 32 == slot)
                return static_cast<std::uint32_t>(entry);
        }
    }

    void set(std::uint32_t slot, std::uint32_t value)
    {
        std::size_t at = home(slot);
        while (entries[at] != 0 && entries[at] >> 32 != slot)
            at = (at + 1) & mask();
        entries[at] = (std::uint64_t{slot} << 32) | value;
    }

private:
    std::size_t home(std::uint32_t slot) const { return (slot * 0x9E3779B97F4A7C15ull) >> shift; }
    std::size_t mask() const { return entries.size() - 1; }

    std::vector<std::uint64_t> entries;
    int shift;
};

inline std::int32_t offsetValue(std::int32_t min, std::uint32_t offset)
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(min) + offset);
}

} // namespace

// Partial forward shuffle of a virtual array 0 .. span - 1: step i swaps slot i
// with a uniform slot from i to span - 1 and takes slot i as the i-th value.
void sampleDistinct(std::int32_t* out, std::int64_t count, std::int32_t min, std::int64_t span)
{
    if (count <= 0)
        return;
    // A dense array costs 4 * span bytes, the table up to 32 * count.
    if (span <= 4 * count) {
        sampleDistinctReference(out, count, min, span);
        return;
    }
    DisplacedSlots slots(count);
    for (std::int64_t i = 0; i < count; ++i) {
        const auto slot = static_cast<std::uint32_t>(i);
        const auto partner = static_cast<std::uint32_t>(i + shuffleWideBelow(static_cast<std::uint64_t>(span - i)));
        const std::uint32_t value = slots.get(partner);
        if (partner != slot)
            slots.set(partner, slots.get(slot));
        out[i] = offsetValue(min, value);
    }
}

void sampleDistinctReference(std::int32_t* out, std::int64_t count, std::int32_t min, std::int64_t span)
{
    if (count <= 0)
        return;
    std::vector<std::uint32_t> slots(static_cast<std::size_t>(span));
    std::iota(slots.begin(), slots.end(), std::uint32_t{0});
    for (std::int64_t i = 0; i < count; ++i) {
        const auto partner = static_cast<std::size_t>(i + shuffleWideBelow(static_cast<std::uint64_t>(span - i)));
        std::swap(slots[static_cast<std::size_t>(i)], slots[partner]);
        out[i] = offsetValue(min, slots[static_cast<std::size_t>(i)]);
    }
}

} // namespace mizel
