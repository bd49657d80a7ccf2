#include "DistinctSample.h"

#include "ShuffleRandom.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <numeric>
#include <unordered_set>
#include <utility>
#include <vector>

namespace mizel {

namespace {

// From this many values on, a sparse sample is built in out itself: the table of
// displaced slots would cost several times the output.
constexpr std::int64_t skipSampleThreshold = 65536;

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

// Keeps each position of 0 .. span - 1 with probability p, ascending, by drawing
// the geometric gaps between kept positions. Returns how many were kept, or -1 if
// that would be more than capacity.
std::int64_t bernoulliSubset(std::uint32_t* out, std::int64_t capacity, double p, std::int64_t span)
{
    if (p <= 0)
        return 0;
    constexpr double drawScale = 0x1p-45;
    const double logKeepNot = std::log1p(-p);
    const double last = static_cast<double>(span - 1);
    // Kept positions are below 2^32, exact in a double; a huge gap just ends the walk.
    double position = -1;
    std::int64_t kept = 0;
    for (;;) {
        const double u = static_cast<double>(shuffleWideBelow(std::uint64_t{1} << 45) + 1) * drawScale;
        position += std::floor(std::log(u) / logKeepNot) + 1;
        if (position > last)
            return kept;
        if (kept == capacity)
            return -1;
        out[kept++] = static_cast<std::uint32_t>(position);
    }
}

// Appends uniform draws not yet in out until it holds count values. out[0 .. have)
// is sorted, so it is searched in place; only the few values added here need a set.
void topUpSubset(std::uint32_t* out, std::int64_t have, std::int64_t count, std::int64_t span)
{
    std::unordered_set<std::uint32_t> added;
    added.reserve(static_cast<std::size_t>(count - have));
    for (std::int64_t size = have; size < count;) {
        const auto value = static_cast<std::uint32_t>(shuffleWideBelow(static_cast<std::uint64_t>(span)));
        if (std::binary_search(out, out + have, value) || !added.insert(value).second)
            continue;
        out[size++] = value;
    }
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
    if (count >= skipSampleThreshold) {
        sampleDistinctBySkips(out, count, min, span);
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

// Conditional on its size m, a Bernoulli subset is a uniform m-subset, and adding a
// uniform subset of its complement keeps it uniform; p sits four standard deviations
// low so the subset almost never overflows out (a walk that does is redrawn).
// Shuffling then makes every order of the subset equally likely.
void sampleDistinctBySkips(std::int32_t* out, std::int64_t count, std::int32_t min, std::int64_t span)
{
    if (count <= 0)
        return;
    // The int32 slots hold offsets as their unsigned counterparts until min is added.
    auto* offsets = reinterpret_cast<std::uint32_t*>(out);
    const double countD = static_cast<double>(count);
    const double p = (countD - 4 * std::sqrt(countD)) / static_cast<double>(span);
    std::int64_t have;
    do
        have = bernoulliSubset(offsets, count, p, span);
    while (have < 0);
    topUpSubset(offsets, have, count, span);
    shuffleValuesUniform(out, out + count);
    for (std::int64_t i = 0; i < count; ++i)
        out[i] = offsetValue(min, offsets[i]);
}

} // namespace mizel
