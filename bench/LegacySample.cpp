#include "LegacySample.h"

#include "ShuffleRandom.h"

#include <algorithm>
#include <cmath>
#include <unordered_set>
#include <utility>

namespace {

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
    double position = -1;
    std::int64_t kept = 0;
    for (;;) {
        const double u = static_cast<double>(mizel::shuffleWideBelow(std::uint64_t{1} << 45) + 1) * drawScale;
        position += std::floor(std::log(u) / logKeepNot) + 1;
        if (position > last)
            return kept;
        if (kept == capacity)
            return -1;
        out[kept++] = static_cast<std::uint32_t>(position);
    }
}

// Appends uniform draws not yet in out until it holds count values.
void topUpSubset(std::uint32_t* out, std::int64_t have, std::int64_t count, std::int64_t span)
{
    std::unordered_set<std::uint32_t> added;
    added.reserve(static_cast<std::size_t>(count - have));
    for (std::int64_t size = have; size < count;) {
        const auto value = static_cast<std::uint32_t>(mizel::shuffleWideBelow(static_cast<std::uint64_t>(span)));
        if (std::binary_search(out, out + have, value) || !added.insert(value).second)
            continue;
        out[size++] = value;
    }
}

// Forward exchange shuffle with a uniform partner per position, the partners of a
// batch drawn first and their cache lines requested before the swaps.
void shuffleUniform(std::uint32_t* first, std::int64_t length)
{
    constexpr std::int64_t batch = 128;
    std::uint64_t partner[batch];
    for (std::int64_t start = 1; start < length; start += batch) {
        const std::int64_t count = std::min(batch, length - start);
        for (std::int64_t k = 0; k < count; ++k) {
            partner[k] = mizel::shuffleWideBelow(static_cast<std::uint64_t>(start + k + 1));
            __builtin_prefetch(first + partner[k], 1);
        }
        for (std::int64_t k = 0; k < count; ++k)
            std::swap(first[start + k], first[partner[k]]);
    }
}

} // namespace

void legacySampleDistinct(std::int32_t* out, std::int64_t count, std::int32_t min, std::int64_t span)
{
    auto* offsets = reinterpret_cast<std::uint32_t*>(out);
    const double countD = static_cast<double>(count);
    const double p = (countD - 4 * std::sqrt(countD)) / static_cast<double>(span);
    std::int64_t have;
    do
        have = bernoulliSubset(offsets, count, p, span);
    while (have < 0);
    topUpSubset(offsets, have, count, span);
    shuffleUniform(offsets, count);
    for (std::int64_t i = 0; i < count; ++i)
        out[i] = static_cast<std::int32_t>(static_cast<std::uint32_t>(min) + offsets[i]);
}
