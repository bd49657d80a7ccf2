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

// Below this many numbers a thread costs more to start than it saves.
constexpr std::size_t numbersPerThread = std::size_t{1} << 17;

ListText::ListText(const std::vector<std::int32_t> &list, WorkProgress &progress)
    : list(list)
    , progress(progress)
    , parts(static_cast<int>(std::clamp<std::size_t>(list.size() / numbersPerThread, 1, threadCount())))
    , offsets(parts + 1)
{
    // Each part's length first, so that each thread writes its text straight into place.
    runInParallel(parts, [&](int part) {
        offsets[part + 1] = textLinesLength(partBegin(part), partBegin(part + 1));
    });
    std::partial_sum(offsets.begin(), offsets.end(), offsets.begin());
    progress.plan(list.size());
}

const std::int32_t *ListText::partBegin(int part) const
{
    return list.data() + list.size() * part / parts;
}

void ListText::write(char *out) const
{
    // Fresh memory of many megabytes: faulting it in costs as much as the
    // formatting, so each thread maps its own part at once.
    preferHugePages(out, length());
    runInParallel(parts, [&](int part) {
        mapPagesNow(out + offsets[part], offsets[part + 1] - offsets[part]);
        formatTextLines(out + offsets[part], partBegin(part), partBegin(part + 1));
    });
    progress.advance(list.size());
    progress.throwIfStopped();
}

bool writeList(ByteSink &sink, const std::vector<std::int32_t> &list, ListFormat format, WorkProgress &progress)
{
    progress.plan(list.size());
    ChunkFormatter chunks(list.data(), list.data() + list.size(), format, threadCount());
    for (std::string_view chunk = chunks.next(); !chunk.empty(); chunk = chunks.next()) {
        if (!sink.write(chunk.data(), chunk.size()))
            return false;
    }
    progress.advance(list.size());
    return !progress.stopRequested();
}

bool saveList(const std::filesystem::path &path, const std::vector<std::int32_t> &list, ListFormat format,
              WorkProgress &progress)
{
    FileReplacement file(path);
    if (file.open() && writeList(file, list, format, progress) && file.commit())
        return true;
    // The unfinished file goes with file, before the caller hears of the stop.
    progress.throwIfStopped();
    return false;
}

} // namespace mizel
