#include "ListExport.h"

#include "ChunkFormatter.h"
#include "FileReplacement.h"
#include "MemoryHint.h"
#include "NumberText.h"
#include "Parallel.h"

#include <algorithm>
#include <numeric>

namespace mizel {

ListFormat formatForFilterIndex(int filterIndex)
{
    return filterIndex == 2 ? ListFormat::Csv : ListFormat::Text;
}

namespace {

// Below this many numbers a thread costs more to start than it saves.
constexpr std::size_t numbersPerThread = std::size_t{1} << 17;
// At most this many numbers in a piece of a thread's part: the work between
// two reports of the progress.
constexpr std::size_t numbersPerPiece = std::size_t{1} << 18;
// Progress units per number of the length count and of writing the text.
constexpr std::uint64_t countingUnits = 1;
constexpr std::uint64_t writingUnits = 10;

} // namespace

ListText::ListText(const ValueList &list, WorkProgress &progress)
    : list(list)
    , progress(progress)
    , parts(static_cast<int>(std::clamp<std::size_t>(list.size() / numbersPerThread, 1, threadCount())))
    , piecesPerPart(std::max<std::size_t>(1, (list.size() / parts + numbersPerPiece - 1) / numbersPerPiece))
    , offsets(parts * piecesPerPart + 1)
{
    progress.plan((countingUnits + writingUnits) * list.size());
    // Each piece's length first, so that each thread writes its text straight into place.
    forEachPiece([&](std::size_t piece) {
        offsets[piece + 1] = textLinesLength(pieceBegin(piece), pieceBegin(piece + 1));
        return progress.advance(countingUnits * static_cast<std::size_t>(pieceBegin(piece + 1) - pieceBegin(piece)));
    });
    progress.throwIfStopped();
    std::partial_sum(offsets.begin(), offsets.end(), offsets.begin());
}

const std::int32_t *ListText::pieceBegin(std::size_t piece) const
{
    return list.data() + list.size() * piece / (offsets.size() - 1);
}

template<typename Piece>
void ListText::forEachPiece(Piece piece) const
{
    runInParallel(parts, [&](int part) {
        const std::size_t first = piecesPerPart * static_cast<std::size_t>(part);
        for (std::size_t p = first; p < first + piecesPerPart; ++p) {
            if (!piece(p))
                return;
        }
    });
}

void ListText::write(char *out) const
{
    // Fresh memory of many megabytes: faulting it in costs as much as the
    // formatting, so each thread maps each piece of its part at once.
    preferHugePages(out, length());
    forEachPiece([&](std::size_t piece) {
        mapPagesNow(out + offsets[piece], offsets[piece + 1] - offsets[piece]);
        formatTextLines(out + offsets[piece], pieceBegin(piece), pieceBegin(piece + 1));
        return progress.advance(writingUnits * static_cast<std::size_t>(pieceBegin(piece + 1) - pieceBegin(piece)));
    });
    progress.throwIfStopped();
}

bool writeList(ByteSink &sink, const ValueList &list, ListFormat format, WorkProgress &progress)
{
    progress.plan(list.size());
    const std::size_t chunkSize = ChunkFormatter::chunkSize(format);
    ChunkFormatter chunks(list.data(), list.data() + list.size(), format, threadCount());
    std::size_t written = 0;
    for (std::string_view chunk = chunks.next(); !chunk.empty(); chunk = chunks.next()) {
        if (!sink.write(chunk.data(), chunk.size()))
            return false;
        const std::size_t numbers = std::min(chunkSize, list.size() - written);
        written += numbers;
        if (!progress.advance(numbers))
            return false;
    }
    return !progress.stopRequested();
}

bool saveList(const std::filesystem::path &path, const ValueList &list, ListFormat format,
              WorkProgress &progress)
{
    // Making the file last takes about half as long as writing it: the writes
    // go to the disk as they are made, and the sync waits for the rest.
    const std::uint64_t commitUnits = list.size() / 2;
    progress.plan(commitUnits);
    FileReplacement file(path);
    if (file.open() && writeList(file, list, format, progress) && file.commit()) {
        progress.advance(commitUnits);
        return true;
    }
    // The unfinished file goes with file, before the caller hears of the stop.
    progress.throwIfStopped();
    return false;
}

} // namespace mizel
