#include "ListExport.h"

#include "ChunkFormatter.h"
#include "FileReplacement.h"
#include "MemoryHint.h"
#include "NumberText.h"
#include "Parallel.h"

#include <QIODevice>
#include <algorithm>
#include <numeric>

namespace mizel {

ListFormat formatForFilterIndex(int filterIndex)
{
    return filterIndex == 2 ? ListFormat::Csv : ListFormat::Text;
}

QByteArray textFormat(const std::vector<std::int32_t> &list)
{
    // Below this many numbers a thread costs more to start than it saves.
    constexpr std::size_t numbersPerThread = std::size_t{1} << 17;
    const auto parts = static_cast<int>(std::clamp<std::size_t>(list.size() / numbersPerThread, 1, threadCount()));
    const auto partBegin = [&](int part) { return list.data() + list.size() * part / parts; };
    // Each part's length first, so that each thread writes its text straight into place.
    std::vector<std::size_t> offsets(parts + 1);
    runInParallel(parts, [&](int part) {
        offsets[part + 1] = textLinesLength(partBegin(part), partBegin(part + 1));
    });
    std::partial_sum(offsets.begin(), offsets.end(), offsets.begin());
    QByteArray text(static_cast<qsizetype>(offsets[parts]), Qt::Uninitialized);
    // Fresh memory of many megabytes: faulting it in costs as much as the
    // formatting, so each thread maps its own part at once.
    preferHugePages(text.data(), static_cast<std::size_t>(text.size()));
    runInParallel(parts, [&](int part) {
        mapPagesNow(text.data() + offsets[part], offsets[part + 1] - offsets[part]);
        formatTextLines(text.data() + offsets[part], partBegin(part), partBegin(part + 1));
    });
    return text;
}

bool writeList(QIODevice &device, const std::vector<std::int32_t> &list, ListFormat format)
{
    ChunkFormatter chunks(list.data(), list.data() + list.size(), format, threadCount());
    for (std::string_view chunk = chunks.next(); !chunk.empty(); chunk = chunks.next()) {
        const auto length = static_cast<qint64>(chunk.size());
        if (device.write(chunk.data(), length) != length)
            return false;
    }
    return true;
}

bool saveList(const QString &fileName, const std::vector<std::int32_t> &list, ListFormat format)
{
    FileReplacement file(fileName);
    return file.open(QIODevice::WriteOnly) && writeList(file, list, format) && file.commit();
}

} // namespace mizel
