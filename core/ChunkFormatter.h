#pragma once
// The bytes of a saved list, chunk by chunk, formatted ahead of the writer by
// helper threads while it writes the chunks before.
#include "ListExport.h"

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string_view>
#include <thread>
#include <vector>

namespace mizel {

class ChunkFormatter
{
public:
    // Numbers in one chunk, and so in one write: 1000 in CSV, 3000 as text.
    static std::size_t chunkSize(ListFormat format);

    // Formats [first, last) with threads - 1 helpers; none formats on the
    // caller's thread, in next(). The list must outlive the formatter.
    ChunkFormatter(const std::int32_t *first, const std::int32_t *last, ListFormat format, int threads);
    ~ChunkFormatter();
    ChunkFormatter(const ChunkFormatter &) = delete;
    ChunkFormatter &operator=(const ChunkFormatter &) = delete;

    // The next chunk in list order, empty after the last one. Valid until the
    // next call.
    std::string_view next();

private:
    // Chunks are handed from thread to thread in batches, so that the threads
    // meet once per batch rather than once per chunk.
    struct Batch {
        std::unique_ptr<char[]> text;
        std::vector<std::size_t> chunkEnds;
        std::int64_t number = -1; // of the batch whose text this holds, once it is complete
    };

    Batch &slotFor(std::int64_t batch) { return ring[static_cast<std::size_t>(batch) % ring.size()]; }
    void format(std::int64_t batch);
    void helpFormat();

    const std::int32_t *first;
    const std::int32_t *last;
    const ListFormat listFormat;
    const std::size_t numbersPerChunk;
    const std::int64_t batchCount;
    std::vector<Batch> ring;

    std::mutex mutex;
    std::condition_variable changed;
    std::int64_t nextToFormat = 0;
    std::int64_t consumed = 0; // batches the writer is done with
    bool stopping = false;
    std::vector<std::thread> helpers;

    std::int64_t current = -1;
    std::size_t chunkInBatch = 0;
};

} // namespace mizel
