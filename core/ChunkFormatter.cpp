#include "ChunkFormatter.h"

#include "NumberText.h"

#include <algorithm>

namespace mizel {

namespace {

// Under Wine every meeting of two threads is a round trip through its server,
// so a batch is large: about a thousand batches made a save of 10^8 numbers
// twice as slow there.
constexpr std::size_t chunksPerBatch = 128;

} // namespace

std::size_t ChunkFormatter::chunkSize(ListFormat format)
{
    return format == ListFormat::Csv ? 1000 : 3000;
}

ChunkFormatter::ChunkFormatter(const std::int32_t *first, const std::int32_t *last, ListFormat format, int threads)
    : first(first)
    , last(last)
    , listFormat(format)
    , numbersPerChunk(chunkSize(format))
    , batchCount(static_cast<std::int64_t>((static_cast<std::size_t>(last - first) + numbersPerChunk * chunksPerBatch - 1)
                                           / (numbersPerChunk * chunksPerBatch)))
{
    const auto helperCount = static_cast<int>(std::max<std::int64_t>(0, std::min<std::int64_t>(threads - 1, batchCount - 1)));
    // Room for each helper to finish one batch while the writer works on another.
    ring.resize(static_cast<std::size_t>(2 * helperCount + 1));
    const std::size_t fieldLength = format == ListFormat::Csv ? maxCsvFieldLength : maxTextLineLength;
    const std::size_t numbersPerSlot = std::min(chunksPerBatch * numbersPerChunk, static_cast<std::size_t>(last - first));
    for (Batch &slot : ring) {
        slot.text = std::make_unique_for_overwrite<char[]>(numbersPerSlot * fieldLength);
        slot.chunkEnds.reserve(chunksPerBatch);
    }
    try {
        for (int h = 0; h < helperCount; ++h)
            helpers.emplace_back(&ChunkFormatter::helpFormat, this);
    } catch (const std::exception &) {
        // Fewer helpers, or none: the writer formats what nobody else does.
    }
}

ChunkFormatter::~ChunkFormatter()
{
    {
        const std::lock_guard lock(mutex);
        stopping = true;
    }
    changed.notify_all();
    for (std::thread &helper : helpers)
        helper.join();
}

void ChunkFormatter::format(std::int64_t batch)
{
    Batch &slot = slotFor(batch);
    slot.chunkEnds.clear();
    char *out = slot.text.get();
    const std::int32_t *chunk = first + static_cast<std::size_t>(batch) * chunksPerBatch * numbersPerChunk;
    for (std::size_t c = 0; c < chunksPerBatch && chunk != last; ++c) {
        const std::int32_t *chunkEnd = chunk + std::min<std::size_t>(numbersPerChunk, static_cast<std::size_t>(last - chunk));
        out = listFormat == ListFormat::Csv ? formatCsvFields(out, chunk, chunkEnd, chunkEnd == last)
                                            : formatTextLines(out, chunk, chunkEnd);
        slot.chunkEnds.push_back(static_cast<std::size_t>(out - slot.text.get()));
        chunk = chunkEnd;
    }
}

void ChunkFormatter::helpFormat()
{
    std::unique_lock lock(mutex);
    for (;;) {
        // A batch's slot is free once the writer is done with the batch before
        // it in that slot.
        changed.wait(lock, [&] {
            return stopping || nextToFormat >= batchCount
                || nextToFormat - consumed < static_cast<std::int64_t>(ring.size());
        });
        if (stopping || nextToFormat >= batchCount)
            return;
        const std::int64_t batch = nextToFormat++;
        lock.unlock();
        format(batch);
        lock.lock();
        slotFor(batch).number = batch;
        changed.notify_all();
    }
}

std::string_view ChunkFormatter::next()
{
    if (current < 0 || chunkInBatch == slotFor(current).chunkEnds.size()) {
        std::unique_lock lock(mutex);
        if (current >= 0) {
            ++consumed;
            changed.notify_all();
        }
        if (++current >= batchCount)
            return {};
        chunkInBatch = 0;
        if (helpers.empty()) {
            nextToFormat = current + 1;
            lock.unlock();
            format(current);
        } else {
            changed.wait(lock, [&] { return slotFor(current).number == current; });
        }
    }
    const Batch &batch = slotFor(current);
    const std::size_t begin = chunkInBatch == 0 ? 0 : batch.chunkEnds[chunkInBatch - 1];
    const std::size_t end = batch.chunkEnds[chunkInBatch++];
    return {batch.text.get() + begin, end - begin};
}

} // namespace mizel
