#include "DistinctSample.h"

#include "Parallel.h"
#include "Philox.h"
#include "ScatterShuffle.h"
#include "ShuffleRandom.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cmath>
#include <numeric>
#include <optional>
#include <unordered_set>
#include <utility>
#include <vector>

namespace mizel {

namespace {

// From this many values on, a sample is regenerated and scattered into out: the
// table of displaced slots, or a plain array of the range, would cost several
// times the output.
constexpr std::int64_t scatterSampleThreshold = 65536;

// Progress units per value of the sample: of walking it by its gaps, once to
// count it and once more as the scatter reads it; or by pieces, of counting
// it and then of making its values.
constexpr std::uint64_t walkingUnits = 24;
constexpr std::uint64_t pieceCountingUnits = 1;
constexpr std::uint64_t pieceMakingUnits = 26;
// Values or pieces walked between two looks at whether to stop.
constexpr std::uint64_t walkingStopCheckMask = (std::uint64_t{1} << 12) - 1;

ScatterSource regeneratedSource(bool byPieces)
{
    ScatterSource source;
    source.produceUnits = byPieces ? pieceMakingUnits : walkingUnits;
    return source;
}

std::uint64_t countingUnits(bool byPieces)
{
    return byPieces ? pieceCountingUnits : walkingUnits;
}

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

// Calls sample(below), below(bound) giving partners uniform in 0..bound-1: up to
// 32768 values from the 15-bit generator, three outputs a draw; longer samples from
// Philox under a key of their own, so that no output serves twice.
template <typename Sample>
void withPartnerDraws(std::int64_t count, Sample sample)
{
    if (count <= shuffleNarrowLimit) {
        sample([](std::uint64_t bound) { return shuffleWideBelow(bound); });
        return;
    }
    PhiloxStream draws(takeBulkKey(), 0);
    sample([&](std::uint64_t bound) -> std::uint64_t { return draws.below(bound); });
}

inline std::int32_t offsetValue(std::int32_t min, std::uint32_t offset)
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(min) + offset);
}

// One of 1024 outcomes with given chances by Walker's alias method: the top bits
// of a 64-bit draw pick a column, the rest whether to take the column or its
// alias, with chances exact to 2^-53.
class AliasTable {
public:
    static constexpr int columnBits = 10;
    static constexpr std::size_t columns = std::size_t{1} << columnBits;

    // chances[c] for each column c, summing to 1.
    explicit AliasTable(const std::vector<double>& chances)
    {
        std::vector<double> scaled(columns);
        for (std::size_t c = 0; c < columns; ++c)
            scaled[c] = chances[c] * columns;
        // Vose's construction: pair each column short of its share with one over it.
        std::vector<std::size_t> small;
        std::vector<std::size_t> large;
        for (std::size_t c = 0; c < columns; ++c)
            (scaled[c] < 1 ? small : large).push_back(c);
        while (!small.empty() && !large.empty()) {
            const std::size_t c = small.back();
            const std::size_t over = large.back();
            small.pop_back();
            threshold[c] = static_cast<std::uint64_t>(std::clamp<long long>(std::llround(scaled[c] * choiceRange), 0, choiceRange));
            alias[c] = static_cast<std::uint16_t>(over);
            scaled[over] -= 1 - scaled[c];
            if (scaled[over] < 1) {
                large.pop_back();
                small.push_back(over);
            }
        }
        // What is left holds its whole column, up to rounding.
        for (const auto* rest : {&small, &large}) {
            for (const std::size_t c : *rest) {
                threshold[c] = choiceRange;
                alias[c] = static_cast<std::uint16_t>(c);
            }
        }
    }

    std::size_t next(PhiloxStream& draws) const
    {
        const std::uint64_t x = draws.next64();
        const auto column = static_cast<std::size_t>(x >> choiceBits);
        // Chosen by a mask rather than a branch: for the columns that share their
        // chances with an alias the outcome is a coin toss, which a branch mispredicts.
        const std::size_t other = alias[column];
        const std::size_t keep = 0 - static_cast<std::size_t>((x & (choiceRange - 1)) < threshold[column]);
        return other ^ ((column ^ other) & keep);
    }

private:
    static constexpr int choiceBits = 64 - columnBits;
    static constexpr std::uint64_t choiceRange = std::uint64_t{1} << choiceBits;
    std::uint64_t threshold[columns];
    std::uint16_t alias[columns];
};

// Gaps between the kept values of a Bernoulli(p) subset: the number of values
// passed over before the next kept one, geometric, P(gap >= k) = (1 - p)^k.
// For m = 1024, gap mod m and gap div m are independent, the first a geometric
// cut off at m, the second geometric with 1 - (1 - p)^m; so sparse gaps are
// built a base-m digit per draw, from the top. The top digit's table holds
// outcomes up to m - 2 and `past` for any larger one, which, the walk having no
// memory, is `past` plus a digit drawn afresh.
class GeometricGaps {
public:
    explicit GeometricGaps(double p)
    {
        // Lower digits while the top one would mostly say `past`.
        while (power(1 - p, AliasTable::columns) > 0.5) {
            lowDigits.insert(lowDigits.begin(), AliasTable(cutGeometric(p, AliasTable::columns, false)));
            p = 1 - power(1 - p, AliasTable::columns);
        }
        topDigit.emplace(cutGeometric(p, past, true));
    }

    std::uint64_t next(PhiloxStream& draws) const
    {
        std::uint64_t gap = 0;
        std::size_t digit;
        while ((digit = topDigit->next(draws)) == past)
            gap += past;
        gap += digit;
        for (const AliasTable& low : lowDigits)
            gap = gap * AliasTable::columns + low.next(draws);
        return gap;
    }

private:
    static constexpr std::size_t past = AliasTable::columns - 1;

    static double power(double x, std::size_t n)
    {
        double result = 1;
        for (std::size_t k = 0; k < n; ++k)
            result *= x;
        return result;
    }

    // Chances of 0 .. n - 1 of a geometric with p, the rest of the 1024 columns
    // zero; with `restInLast`, column n takes all outcomes from n on, otherwise
    // the chances are those given gap < n.
    static std::vector<double> cutGeometric(double p, std::size_t n, bool restInLast)
    {
        std::vector<double> chances(AliasTable::columns);
        double keepNotPower = 1;
        for (std::size_t r = 0; r < n; ++r) {
            chances[r] = p * keepNotPower;
            keepNotPower *= 1 - p;
        }
        if (restInLast) {
            chances[n] = keepNotPower;
        } else {
            for (std::size_t r = 0; r < n; ++r)
                chances[r] /= 1 - keepNotPower;
        }
        return chances;
    }

    std::vector<AliasTable> lowDigits;
    std::optional<AliasTable> topDigit;
};

// A Bernoulli(p) subset of a range, piece by piece: how many of a piece's values
// it keeps is binomial, and given that many, which ones is a uniform choice of
// as many distinct places. Pieces of 1023 values have 1024 possible counts, one
// column of an alias table each; the range's last piece may be shorter.
class BernoulliPieces {
public:
    static constexpr std::uint32_t fullWidth = AliasTable::columns - 1;

    // p for every value; lastWidth (0 to fullWidth - 1) is the width of the short
    // piece that ends the range.
    BernoulliPieces(double p, std::uint32_t lastWidth)
        : full(binomialChances(fullWidth, p))
        , last(binomialChances(lastWidth, p))
    {
    }

    // How many values a piece of fullWidth keeps, or the short last piece.
    std::uint32_t keptOfFull(PhiloxStream& counts) const { return static_cast<std::uint32_t>(full.next(counts)); }
    std::uint32_t keptOfShort(PhiloxStream& counts) const { return static_cast<std::uint32_t>(last.next(counts)); }

    // Calls take(place) for kept uniformly chosen places of 0 .. width - 1,
    // ascending, until take says false; false then.
    template <typename Take>
    static bool forEachPlace(std::uint32_t width, std::uint32_t kept, PhiloxStream& places, Take take)
    {
        if (kept == width) {
            for (std::uint32_t place = 0; place < width; ++place) {
                if (!take(place))
                    return false;
            }
            return true;
        }
        // Distinct places: a repeat is drawn again, counted without a branch, as
        // repeats are rare; for more than half the piece the places left out are
        // drawn, so that they stay rare. Ten bits a place, three places a word.
        std::uint64_t chosen[(fullWidth + 63) / 64] = {};
        const bool leftOut = 2 * kept > width;
        const std::uint32_t wanted = leftOut ? width - kept : kept;
        const std::uint32_t placeMask = std::bit_ceil(width) - 1;
        for (std::uint32_t distinct = 0; distinct < wanted;) {
            std::uint32_t word = places.next32();
            for (int field = 0; field < 3 && distinct < wanted; ++field, word >>= 10) {
                const std::uint32_t place = word & placeMask;
                const std::uint64_t bit = std::uint64_t{place < width} << (place % 64);
                const std::uint64_t before = chosen[place / 64];
                chosen[place / 64] = before | bit;
                distinct += (before & bit) == 0 && bit != 0;
            }
        }
        for (std::uint32_t word = 0; 64 * word < width; ++word) {
            std::uint64_t bits = chosen[word];
            if (leftOut) {
                const std::uint32_t inPiece = std::min<std::uint32_t>(64, width - 64 * word);
                bits = ~bits & (inPiece == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << inPiece) - 1);
            }
            for (; bits != 0; bits &= bits - 1) {
                if (!take(64 * word + static_cast<std::uint32_t>(std::countr_zero(bits))))
                    return false;
            }
        }
        return true;
    }

private:
    // Binomial chances of 0 .. width kept of width values, the other columns
    // zero: from the most likely count outwards, each from its neighbour by the
    // ratio of the two, then scaled to sum to 1; within 10^-14 of each.
    static std::vector<double> binomialChances(std::uint32_t width, double p)
    {
        std::vector<double> chances(AliasTable::columns);
        if (p >= 1) {
            chances[width] = 1;
            return chances;
        }
        const double odds = p / (1 - p);
        const auto mode = static_cast<std::uint32_t>(std::min<double>(width, std::floor((width + 1) * p)));
        chances[mode] = 1;
        for (std::uint32_t k = mode; k < width; ++k)
            chances[k + 1] = chances[k] * odds * (width - k) / (k + 1);
        for (std::uint32_t k = mode; k > 0; --k)
            chances[k - 1] = chances[k] / odds * k / (width - k + 1);
        double sum = 0;
        for (const double chance : chances)
            sum += chance;
        for (double& chance : chances)
            chance /= sum;
        return chances;
    }

    AliasTable full;
    AliasTable last;
};

// The chance of each value to be in the Bernoulli subset of which a sample of
// count is a part: enough to hold count values all but once in millions.
double keptChance(std::int64_t count, std::int64_t span)
{
    return std::min(1.0, (static_cast<double>(count) + 5 * std::sqrt(static_cast<double>(count)) + 16) / static_cast<double>(span));
}

// Pieces pay where each keeps a few dozen values or more.
bool madeByPieces(std::int64_t count, std::int64_t span)
{
    return keptChance(count, span) * BernoulliPieces::fullWidth >= 32;
}

// A uniform sample of exactly count values of 0 .. span - 1 in ascending order,
// regenerated rather than stored: a Bernoulli subset a little larger than count,
// made in segments of the range that each draw from Philox streams of their own
// (so segments can be made in any order, on any thread), less a uniform choice
// of the surplus. Given its size, a Bernoulli subset is a uniform subset, and so
// is a uniform subset of it. A dense subset is made by pieces: a segment's size
// then takes only its pieces' counts, a draw per 1023 values, and its values are
// made once, as the scatter reads them. A sparse one is walked by its gaps, once
// for each segment's size and once more as the scatter reads it.
class RegeneratedSample {
public:
    // Stopped through progress, it is left unfinished, of no use.
    RegeneratedSample(std::int64_t count, std::int64_t span, unsigned threads, WorkProgress& progress)
        : segments(static_cast<std::size_t>(std::clamp<std::int64_t>(count >> 12, 1, 256)))
        , rangeSize(static_cast<std::uint64_t>(span))
        , piecesPerSegment(rangeSize / BernoulliPieces::fullWidth / segments + 1)
        , keptBefore(segments + 1)
    {
        if (madeByPieces(count, span))
            pieces.emplace(keptChance(count, span), static_cast<std::uint32_t>(rangeSize % BernoulliPieces::fullWidth));
        else
            valueGaps.emplace(keptChance(count, span));

        // A subset smaller than count (about one in three million) is drawn again,
        // reporting no progress a second time.
        for (bool firstTry = true;; firstTry = false) {
            key = takeBulkKey();
            std::atomic<std::size_t> nextSegment{0};
            runInParallel(threadsToUse(threads, count), [&](int) {
                for (std::size_t s; (s = nextSegment.fetch_add(1)) < segments;) {
                    const std::optional<std::int64_t> kept = keptIn(s, progress);
                    if (!kept)
                        return;
                    keptBefore[s + 1] = *kept;
                    const auto share = static_cast<std::uint64_t>(count * static_cast<std::int64_t>(s + 1) / static_cast<std::int64_t>(segments)
                                                                  - count * static_cast<std::int64_t>(s) / static_cast<std::int64_t>(segments));
                    if (firstTry && !progress.advance(countingUnits(byPieces()) * share))
                        return;
                }
            });
            if (progress.stopRequested())
                return;
            std::partial_sum(keptBefore.begin(), keptBefore.end(), keptBefore.begin());
            if (keptBefore.back() >= count)
                break;
        }

        const std::int64_t surplus = keptBefore.back() - count;
        std::vector<std::int32_t> picks(static_cast<std::size_t>(surplus));
        sampleDistinct(picks.data(), surplus, INT32_MIN, keptBefore.back());
        dropped.reserve(picks.size());
        for (const std::int32_t pick : picks)
            dropped.push_back(static_cast<std::uint32_t>(pick) ^ 0x80000000u);
        std::sort(dropped.begin(), dropped.end());
    }

    // Segments of a few thousand values at least, so that making one is worth
    // a jump ahead; at most 256, plenty to share among threads.
    const std::size_t segments;

    bool byPieces() const { return pieces.has_value(); }

    // Index in the sample of the first value of segment s.
    std::int64_t sampleIndex(std::size_t s) const
    {
        const auto raw = static_cast<std::uint64_t>(keptBefore[s]);
        return keptBefore[s] - (std::lower_bound(dropped.begin(), dropped.end(), raw) - dropped.begin());
    }

    // Calls take(offset) for each value of segment s in the sample, ascending,
    // until take says false.
    template <typename Take>
    void forEachIn(std::size_t s, Take take) const
    {
        auto raw = static_cast<std::uint64_t>(keptBefore[s]);
        auto drop = std::lower_bound(dropped.begin(), dropped.end(), raw);
        PhiloxStream places(key, static_cast<std::uint32_t>(segments + s));
        walk(s, [&](std::uint64_t start, std::uint32_t width, std::uint32_t kept) {
            return BernoulliPieces::forEachPlace(width, kept, places, [&](std::uint32_t place) {
                const bool isDropped = drop != dropped.end() && *drop == raw;
                ++raw;
                if (isDropped) {
                    ++drop;
                    return true;
                }
                return take(static_cast<std::uint32_t>(start + place));
            });
        });
    }

private:
    // Segment s holds the values from segmentStart(s) on, whole pieces but for
    // the range's last.
    std::uint64_t segmentStart(std::size_t s) const
    {
        return s == segments ? rangeSize : std::min(rangeSize, s * piecesPerSegment * BernoulliPieces::fullWidth);
    }

    // Calls piece(start, width, kept) for the pieces of segment s with some
    // values kept, or by the gaps for each kept value as a piece of its own;
    // false when piece said false, ending the walk.
    template <typename Piece>
    bool walk(std::size_t s, Piece piece) const
    {
        PhiloxStream draws(key, static_cast<std::uint32_t>(s));
        const std::uint64_t end = segmentStart(s + 1);
        if (valueGaps) {
            for (std::uint64_t v = segmentStart(s) + valueGaps->next(draws); v < end; v += 1 + valueGaps->next(draws)) {
                if (!piece(v, 1, 1))
                    return false;
            }
            return true;
        }
        constexpr std::uint32_t width = BernoulliPieces::fullWidth;
        // Past the range's end, segments are empty.
        const std::uint64_t fullEnd = std::max(segmentStart(s), end / width * width);
        for (std::uint64_t start = segmentStart(s); start < fullEnd; start += width) {
            const std::uint32_t kept = pieces->keptOfFull(draws);
            if (kept != 0 && !piece(start, width, kept))
                return false;
        }
        if (fullEnd < end) {
            const std::uint32_t kept = pieces->keptOfShort(draws);
            if (kept != 0)
                return piece(fullEnd, static_cast<std::uint32_t>(end - fullEnd), kept);
        }
        return true;
    }

    // How many values of segment s the Bernoulli subset keeps; none once stopped.
    std::optional<std::int64_t> keptIn(std::size_t s, const WorkProgress& progress) const
    {
        std::int64_t kept = 0;
        std::uint64_t visited = 0;
        const bool walked = walk(s, [&](std::uint64_t, std::uint32_t, std::uint32_t piece) {
            kept += piece;
            return (++visited & walkingStopCheckMask) != 0 || !progress.stopRequested();
        });
        return walked ? std::optional(kept) : std::nullopt;
    }

    std::uint64_t rangeSize;
    std::uint64_t piecesPerSegment;
    // One of the two ways to the subset.
    std::optional<BernoulliPieces> pieces;
    std::optional<GeometricGaps> valueGaps;
    PhiloxKey key{};
    std::vector<std::int64_t> keptBefore;
    // Indices into the Bernoulli subset, ascending.
    std::vector<std::uint64_t> dropped;
};
} // namespace

// Partial forward shuffle of a virtual array 0 .. span - 1: step i swaps slot i
// with a uniform slot from i to span - 1 and takes slot i as the i-th value.
std::uint64_t sampleDistinctUnits(std::int64_t count, std::int64_t span)
{
    count = std::max<std::int64_t>(count, 0);
    const bool byPieces = madeByPieces(count, span);
    return countingUnits(byPieces) * static_cast<std::uint64_t>(count) + scatterUnits(count, regeneratedSource(byPieces));
}

void sampleDistinct(std::int32_t* out, std::int64_t count, std::int32_t min, std::int64_t span, unsigned threads,
                    WorkProgress& progress)
{
    if (count <= 0)
        return;
    if (count >= scatterSampleThreshold) {
        sampleDistinctByScatter(out, count, min, span, threads, progress);
        return;
    }
    // Short work, reported whole.
    progress.advance(sampleDistinctUnits(count, span));
    // A dense array costs 4 * span bytes, the table up to 32 * count.
    if (span <= 4 * count) {
        sampleDistinctReference(out, count, min, span);
        return;
    }
    DisplacedSlots slots(count);
    withPartnerDraws(count, [&](auto below) {
        for (std::int64_t i = 0; i < count; ++i) {
            const auto slot = static_cast<std::uint32_t>(i);
            const auto partner = static_cast<std::uint32_t>(i + below(static_cast<std::uint64_t>(span - i)));
            const std::uint32_t value = slots.get(partner);
            if (partner != slot)
                slots.set(partner, slots.get(slot));
            out[i] = offsetValue(min, value);
        }
    });
}

void sampleDistinctReference(std::int32_t* out, std::int64_t count, std::int32_t min, std::int64_t span)
{
    if (count <= 0)
        return;
    std::vector<std::uint32_t> slots(static_cast<std::size_t>(span));
    std::iota(slots.begin(), slots.end(), std::uint32_t{0});
    withPartnerDraws(count, [&](auto below) {
        for (std::int64_t i = 0; i < count; ++i) {
            const auto partner = static_cast<std::size_t>(i + below(static_cast<std::uint64_t>(span - i)));
            std::swap(slots[static_cast<std::size_t>(i)], slots[partner]);
            out[i] = offsetValue(min, slots[static_cast<std::size_t>(i)]);
        }
    });
}

void sampleDistinctByScatter(std::int32_t* out, std::int64_t count, std::int32_t min, std::int64_t span, unsigned threads,
                             WorkProgress& progress)
{
    if (count <= 0)
        return;
    const RegeneratedSample sample(count, span, threads, progress);
    if (progress.stopRequested())
        return;
    ScatterSource source = regeneratedSource(sample.byPieces());
    for (std::size_t s = 0; s <= sample.segments; ++s)
        source.chunkStarts.push_back(sample.sampleIndex(s));
    source.produce = [&](std::size_t segment, const ScatterSource::Emit& emit) {
        constexpr std::size_t batchSize = 1024;
        std::int32_t batch[batchSize];
        std::size_t n = 0;
        bool going = true;
        sample.forEachIn(segment, [&](std::uint32_t offset) {
            batch[n++] = offsetValue(min, offset);
            if (n == batchSize)
                going = emit(batch, std::exchange(n, 0));
            return going;
        });
        if (going)
            emit(batch, n);
    };
    scatterShuffle(out, source, scatterBlockBits(count), threads, progress);
}

void sampleDistinctByScatterReference(std::int32_t* out, std::int64_t count, std::int32_t min, std::int64_t span)
{
    if (count <= 0)
        return;
    const RegeneratedSample sample(count, span, 1, unwatchedWork());
    std::vector<std::int32_t> values;
    for (std::size_t s = 0; s < sample.segments; ++s) {
        sample.forEachIn(s, [&](std::uint32_t offset) {
            values.push_back(offsetValue(min, offset));
            return true;
        });
    }
    scatterShuffleReference(out, values.data(), count, scatterBlockBits(count));
}
} // namespace mizel
