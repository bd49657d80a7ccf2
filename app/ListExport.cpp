#include "ListExport.h"

#include "ChunkFormatter.h"
#include "MemoryHint.h"
#include "NumberText.h"
#include "Parallel.h"

#include <QFileInfo>
#include <QIODevice>
#include <QSaveFile>
#include <algorithm>
#include <numeric>

#include <fcntl.h>

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

namespace {

// Starts the disk on the bytes written so far without waiting for it, so that it
// works while the next numbers are formatted and the final sync finds little left:
// the save then takes about as long as the disk needs for the bytes.
class Writeback
{
public:
    explicit Writeback(QIODevice &device)
        : file(qobject_cast<QFileDevice *>(&device))
    {
    }

    void written(qint64 length)
    {
        end += length;
        if (end - start < step || !file || file->handle() < 0)
            return;
#ifdef SYNC_FILE_RANGE_WRITE
        file->flush();
        sync_file_range(file->handle(), start, end - start, SYNC_FILE_RANGE_WRITE);
#endif
        start = end;
    }

private:
    static constexpr qint64 step = qint64{8} << 20;
    QFileDevice *file;
    qint64 start = 0;
    qint64 end = 0;
};

} // namespace

bool writeList(QIODevice &device, const std::vector<std::int32_t> &list, ListFormat format)
{
    Writeback writeback(device);
    ChunkFormatter chunks(list.data(), list.data() + list.size(), format, threadCount());
    for (std::string_view chunk = chunks.next(); !chunk.empty(); chunk = chunks.next()) {
        const auto length = static_cast<qint64>(chunk.size());
        if (device.write(chunk.data(), length) != length)
            return false;
        writeback.written(length);
    }
    return true;
}

namespace {

// A file nobody may write is read-only to us too, even when root could replace it.
bool isReadOnlyFile(const QString &fileName)
{
    constexpr auto anyWrite = QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    return QFileInfo::exists(fileName) && !(QFile::permissions(fileName) & anyWrite);
}

} // namespace

bool saveList(const QString &fileName, const std::vector<std::int32_t> &list, ListFormat format)
{
    if (isReadOnlyFile(fileName))
        return false;
    QSaveFile file(fileName);
    file.setDirectWriteFallback(false);
    return file.open(QIODevice::WriteOnly) && writeList(file, list, format) && file.commit();
}

} // namespace mizel
