#include "ScatterShuffle.h"

#include "Parallel.h"
#include "Philox.h"
#include "ShuffleRandom.h"

#include <algorithm>
#include <atomic>
#include <numeric>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace mizel {

namespace {

// Streams of the key: one word per value for the blocks, then one stream per
// block for its exchange shuffle.
constexpr std::uint32_t blockDrawStream = 0;
constexpr std::uint32_t firstBlockShuffleStream = 1;

// Progress units per value of each pass, in proportion to its time: a unit is
// about 0.1 s for 10^9 values on two cores.
constexpr std::uint64_t countingUnits = 9;
constexpr std::uint64_t scatteringUnits = 34;
constexpr std::uint64_t shufflingUnits = 22;
// Values drawn between two reports of the counting pass.
constexpr std::uint64_t countingReportStep = std::uint64_t{1} << 16;

// Forward exchange shuffle of one block with uniform partners.
void shuffleBlockReference(std::int32_t* block, std::int64_t size, PhiloxStream stream)
{
    for (std::int64_t i = 1; i < size; ++i)
        std::swap(block[i], block[stream.below(static_cast<std::uint64_t>(i) + 1)]);
}

// The same exchanges from the same draws, a batch of partners drawn and fetched
// before their exchanges: a block beyond the nearest cache otherwise waits for
// each partner in turn.
void shuffleBlock(std::int32_t* block, std::int64_t size, PhiloxStream stream)
{
    constexpr std::int64_t batch = 64;
    std::uint32_t partners[batch];
    for (std::int64_t first = 1; first < size; first += batch) {
        const std::int64_t n = std::min(batch, size - first);
        for (std::int64_t k = 0; k < n; ++k) {
            partners[k] = stream.below(static_cast<std::uint64_t>(first + k) + 1);
            __builtin_prefetch(block + partners[k], 1);
        }
        for (std::int64_t k = 0; k < n; ++k)
            std::swap(block[first + k], block[partners[k]]);
    }
}

PhiloxStream blockStream(PhiloxKey key, std::size_t block)
{
    return PhiloxStream(key, firstBlockShuffleStream + static_cast<std::uint32_t>(block));
}

// Each word of the block draw stream gives three values their blocks, from its
// three 10-bit fields: value i takes field i % 3 of word i / 3.
constexpr int blocksPerWord = 3;
constexpr int fieldBits = 10;

inline std::uint16_t blockInField(std::uint32_t word, int field, std::uint32_t blockMask)
{
    return static_cast<std::uint16_t>((word >> (fieldBits * field)) & blockMask);
}

inline std::uint16_t blockOf(std::uint32_t word, std::uint64_t value, int blockBits)
{
    return blockInField(word, static_cast<int>(value % blocksPerWord), (1u << blockBits) - 1);
}

// A Philox output block holds the blocks of twelve values. Draws come in batches
// of whole output blocks, sixteen of them at a time as the vector path makes them.
constexpr std::uint64_t valuesPerOutput = 4 * blocksPerWord;
constexpr std::size_t drawBatch = 5 * 16 * valuesPerOutput;

// One thread's writes of the scattering pass. The values bound for a block gather
// in a cache line of their own and go to the list a whole line at a time, past the
// caches: stored one by one into a thousand places, each line of the list would
// first be read from memory, only to be overwritten.
class BlockLines {
public:
    static constexpr std::size_t lineValues = 64 / sizeof(std::int32_t);

    BlockLines(std::int32_t* out, std::size_t blocks)
        : out(out)
        , shift(static_cast<std::int64_t>(reinterpret_cast<std::uintptr_t>(out) / sizeof(std::int32_t) % lineValues))
        , lines(blocks)
        , next(blocks)
        , begin(blocks)
    {
    }

    // This thread's values of block b go to out[slots[b]] on.
    void start(const std::int64_t* slots)
    {
        std::copy(slots, slots + next.size(), next.begin());
        std::copy(slots, slots + next.size(), begin.begin());
    }

    // Gathers values[k] into blocks[k] for k below n.
    void put(const std::uint16_t* blocks, const std::int32_t* values, std::size_t n)
    {
        // Locals, which the stores below cannot change, so that they stay in registers.
        Line* const gathered = lines.data();
        std::int64_t* const slots = next.data();
        const std::int64_t lineShift = shift;
        for (std::size_t k = 0; k < n; ++k) {
            const std::int64_t at = slots[blocks[k]]++;
            const auto slot = static_cast<std::size_t>(at + lineShift) % lineValues;
            gathered[blocks[k]].values[slot] = values[k];
            if (slot == lineValues - 1)
                write(blocks[k], at + 1);
        }
    }

    // Writes what is still gathered. The other threads' values meet this
    // thread's only in lines that neither wrote whole.
    void finish()
    {
        for (std::size_t b = 0; b < next.size(); ++b)
            if (slotOf(next[b]) != 0)
                write(b, next[b]);
#if defined(__SSE2__)
        _mm_sfence();
#endif
    }

private:
    struct alignas(64) Line {
        std::int32_t values[lineValues];
    };

    // Writes the gathered values of block b's line that ends at index end
    // (exclusive), from this thread's first index of the block on.
    void write(std::size_t b, std::int64_t end)
    {
        const std::int64_t lineStart = end - 1 - static_cast<std::int64_t>(slotOf(end - 1));
        const std::int64_t from = std::max(lineStart, begin[b]);
        if (from >= end)
            return;
        const std::int32_t* gathered = lines[b].values + (from - lineStart);
        if (end - from == static_cast<std::int64_t>(lineValues))
            streamLine(out + from, gathered);
        else
            std::copy(gathered, gathered + (end - from), out + from);
    }

    std::size_t slotOf(std::int64_t index) const
    {
        return static_cast<std::size_t>(index + shift) % lineValues;
    }

    static void streamLine(std::int32_t* to, const std::int32_t* line)
    {
#if defined(__SSE2__)
        for (std::size_t k = 0; k < lineValues; k += 4)
            _mm_stream_si128(reinterpret_cast<__m128i*>(to + k), _mm_load_si128(reinterpret_cast<const __m128i*>(line + k)));
#else
        std::copy(line, line + lineValues, to);
#endif
    }

    std::int32_t* out;
    // Index 0's place within its cache line.
    std::int64_t shift;
    std::vector<Line> lines;
    std::vector<std::int64_t> next;
    std::vector<std::int64_t> begin;
};

// One thread's run of values [begin, end): counts per block, or in the second
// pass the values written to where their blocks' next free slots are.
class BlockDraws {
public:
    BlockDraws(PhiloxKey key, std::int64_t begin, std::int64_t end, int blockBits)
        : key(key)
        , position(static_cast<std::uint64_t>(begin))
        , end(static_cast<std::uint64_t>(end))
        , blockMask((1u << blockBits) - 1)
    {
    }

    // Counts straight from the drawn words, a word's three fields at a time:
    // no list of blocks to write and read back.
    void count(std::int64_t* perBlock, WorkProgress& progress)
    {
        std::uint64_t unreported = 0;
        while (position < end) {
            drawWords();
            std::size_t k = used;
            for (; k < drawn && k % blocksPerWord != 0; ++k)
                ++perBlock[blockAt(k)];
            for (; k + blocksPerWord <= drawn; k += blocksPerWord) {
                const std::uint32_t word = words[k / blocksPerWord];
                for (int field = 0; field < blocksPerWord; ++field)
                    ++perBlock[blockInField(word, field, blockMask)];
            }
            for (; k < drawn; ++k)
                ++perBlock[blockAt(k)];
            const std::size_t n = drawn - used;
            take(n);
            unreported += n;
            if (unreported >= countingReportStep || position == end) {
                if (!progress.advance(countingUnits * std::exchange(unreported, 0)))
                    return;
            }
        }
    }

    void scatter(const std::int32_t* values, std::size_t n, BlockLines& lines)
    {
        while (n > 0) {
            const std::size_t m = std::min(n, available());
            lines.put(blocks + used, values, m);
            take(m);
            values += m;
            n -= m;
        }
    }

private:
    // How many drawn blocks are left to take, drawing the next batch if none are.
    std::size_t available()
    {
        if (used == drawn)
            refill();
        return drawn - used;
    }

    void take(std::size_t n)
    {
        used += n;
        position += n;
    }

    // The words of the batch from the output block holding `position`'s draw on.
    void drawWords()
    {
        const std::uint64_t batchStart = position - position % valuesPerOutput;
        drawn = static_cast<std::size_t>(std::min<std::uint64_t>(drawBatch, end - batchStart));
        used = static_cast<std::size_t>(position - batchStart);
        philoxFill(key, batchStart / valuesPerOutput, blockDrawStream, words, wordCount());
    }

    // The batch's words and their blocks.
    void refill()
    {
        drawWords();
        for (std::size_t w = 0; w < wordCount(); ++w)
            for (int field = 0; field < blocksPerWord; ++field)
                blocks[blocksPerWord * w + static_cast<std::size_t>(field)] = blockInField(words[w], field, blockMask);
    }

    std::size_t wordCount() const { return 4 * ((drawn + valuesPerOutput - 1) / valuesPerOutput); }

    // The block of the batch's k-th value.
    std::uint16_t blockAt(std::size_t k) const
    {
        return blockInField(words[k / blocksPerWord], static_cast<int>(k % blocksPerWord), blockMask);
    }

    PhiloxKey key;
    std::uint64_t position;
    std::uint64_t end;
    std::uint32_t blockMask;
    std::uint32_t words[drawBatch / blocksPerWord];
    std::uint16_t blocks[drawBatch];
    std::size_t drawn = 0;
    std::size_t used = 0;
};

} // namespace

int threadsToUse(unsigned requested, std::int64_t values)
{
    const std::int64_t wanted = requested != 0 ? requested : threadCount();
    return static_cast<int>(std::clamp<std::int64_t>(values >> 16, 1, wanted));
}

std::vector<std::int64_t> scatterChunkStarts(std::int64_t count)
{
    constexpr std::int64_t minimumChunk = std::int64_t{1} << 16;
    constexpr std::int64_t maximumChunks = 256;
    const std::int64_t size = std::max(minimumChunk, (count + maximumChunks - 1) / maximumChunks);
    std::vector<std::int64_t> starts;
    for (std::int64_t at = 0; at < count; at += size)
        starts.push_back(at);
    starts.push_back(count);
    return starts;
}

ScatterSource consecutiveValues(std::int32_t first, std::int64_t count)
{
    ScatterSource source{scatterChunkStarts(count), {}};
    source.produce = [first, starts = source.chunkStarts](std::size_t chunk, const ScatterSource::Emit& emit) {
        std::int32_t batch[drawBatch];
        for (std::int64_t i = starts[chunk]; i < starts[chunk + 1];) {
            const auto n = static_cast<std::size_t>(std::min<std::int64_t>(drawBatch, starts[chunk + 1] - i));
            for (std::size_t k = 0; k < n; ++k, ++i)
                batch[k] = static_cast<std::int32_t>(static_cast<std::uint32_t>(first) + static_cast<std::uint32_t>(i));
            if (!emit(batch, n))
                return;
        }
    };
    return source;
}

int scatterBlockBits(std::int64_t count)
{
    // Blocks of about 2^17 values fit the second-level cache. Past 1024 blocks
    // the scattering pass writes to more places at once than the caches and the
    // address translation buffer follow, and that costs more than larger blocks.
    constexpr int blockValueBits = 17;
    constexpr int mostBlockBits = 10;
    int bits = 0;
    while (bits < mostBlockBits && (count >> (blockValueBits + bits)) > 0)
        ++bits;
    return bits;
}

std::uint64_t scatterUnits(std::int64_t count, const ScatterSource& source)
{
    return static_cast<std::uint64_t>(count) * (countingUnits + scatteringUnits + source.produceUnits + shufflingUnits);
}

void scatterShuffle(std::int32_t* out, const ScatterSource& source, int blockBits, unsigned threads,
                    WorkProgress& progress)
{
    const std::int64_t count = source.chunkStarts.back();
    const std::size_t chunks = source.chunkStarts.size() - 1;
    const std::size_t blocks = std::size_t{1} << blockBits;
    const PhiloxKey key = takeBulkKey();
    const int parts = std::min(threadsToUse(threads, count), static_cast<int>(std::max<std::size_t>(chunks, 1)));
    // Thread t takes the chunks from firstChunk(t) on, so its values follow those
    // of thread t - 1 and each block is filled in list order.
    const auto firstChunk = [&](int t) { return chunks * static_cast<std::size_t>(t) / static_cast<std::size_t>(parts); };

    std::vector<std::vector<std::int64_t>> perThread(static_cast<std::size_t>(parts), std::vector<std::int64_t>(blocks));
    runInParallel(parts, [&](int t) {
        BlockDraws(key, source.chunkStarts[firstChunk(t)], source.chunkStarts[firstChunk(t + 1)], blockBits)
            .count(perThread[t].data(), progress);
    });
    if (progress.stopRequested())
        return;

    // Block b starts after all smaller blocks; within it, each thread's values
    // after those of the threads before it. perThread becomes the next free slot.
    std::vector<std::int64_t> blockStarts(blocks + 1);
    std::int64_t at = 0;
    for (std::size_t b = 0; b < blocks; ++b) {
        blockStarts[b] = at;
        for (auto& counts : perThread)
            at += std::exchange(counts[b], at);
    }
    blockStarts[blocks] = at;

    // Made here, so that nothing on the helper threads can fail to allocate.
    std::vector<BlockDraws> draws;
    std::vector<BlockLines> lines;
    std::vector<ScatterSource::Emit> emits;
    for (int t = 0; t < parts; ++t) {
        draws.emplace_back(key, source.chunkStarts[firstChunk(t)], source.chunkStarts[firstChunk(t + 1)], blockBits);
        lines.emplace_back(out, blocks);
        lines.back().start(perThread[t].data());
    }
    for (int t = 0; t < parts; ++t) {
        emits.emplace_back([&, t](const std::int32_t* values, std::size_t n) {
            draws[t].scatter(values, n, lines[t]);
            return !progress.stopRequested();
        });
    }
    const std::uint64_t unitsPerScattered = scatteringUnits + source.produceUnits;
    runInParallel(parts, [&](int t) {
        for (std::size_t c = firstChunk(t); c < firstChunk(t + 1); ++c) {
            source.produce(c, emits[t]);
            const auto values = static_cast<std::uint64_t>(source.chunkStarts[c + 1] - source.chunkStarts[c]);
            if (!progress.advance(unitsPerScattered * values))
                break;
        }
        lines[t].finish();
    });
    if (progress.stopRequested())
        return;

    std::atomic<std::size_t> nextBlock{0};
    runInParallel(parts, [&](int) {
        for (std::size_t b; (b = nextBlock.fetch_add(1)) < blocks;) {
            const std::int64_t size = blockStarts[b + 1] - blockStarts[b];
            shuffleBlock(out + blockStarts[b], size, blockStream(key, b));
            if (!progress.advance(shufflingUnits * static_cast<std::uint64_t>(size)))
                return;
        }
    });
}

void scatterShuffleReference(std::int32_t* out, const std::int32_t* values, std::int64_t count, int blockBits)
{
    const PhiloxKey key = takeBulkKey();
    const std::size_t blocks = std::size_t{1} << blockBits;
    const auto blockOfValue = [&](std::int64_t i) {
        const auto value = static_cast<std::uint64_t>(i);
        const std::uint64_t word = value / blocksPerWord;
        const std::uint32_t counter[4] = {static_cast<std::uint32_t>(word / 4), static_cast<std::uint32_t>(word / 4 >> 32), blockDrawStream, 0};
        return blockOf(philox4x32(counter, key).x[word % 4], value, blockBits);
    };
    std::vector<std::int64_t> blockStarts(blocks + 1);
    for (std::int64_t i = 0; i < count; ++i)
        ++blockStarts[static_cast<std::size_t>(blockOfValue(i)) + 1];
    std::partial_sum(blockStarts.begin(), blockStarts.end(), blockStarts.begin());

    std::vector<std::int64_t> next(blockStarts.begin(), blockStarts.end() - 1);
    for (std::int64_t i = 0; i < count; ++i)
        out[next[blockOfValue(i)]++] = values[i];

    for (std::size_t b = 0; b < blocks; ++b)
        shuffleBlockReference(out + blockStarts[b], blockStarts[b + 1] - blockStarts[b], blockStream(key, b));
}

std::uint64_t permuteRangeUnits(std::int64_t count)
{
    return scatterUnits(std::max<std::int64_t>(count, 0), ScatterSource{});
}

void permuteRange(std::int32_t* out, std::int64_t count, std::int32_t min, unsigned threads, WorkProgress& progress)
{
    if (count <= shuffleNarrowLimit) {
        for (std::int64_t i = 0; i < count; ++i)
            out[i] = static_cast<std::int32_t>(static_cast<std::uint32_t>(min) + static_cast<std::uint32_t>(i));
        shuffleValues(out, out + count);
        progress.advance(permuteRangeUnits(count));
        return;
    }
    scatterShuffle(out, consecutiveValues(min, count), scatterBlockBits(count), threads, progress);
}

} // namespace mizel
