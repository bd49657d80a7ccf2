#include "ListExport.h"

#include "MemoryHint.h"
#include "NumberText.h"

#include <QFileInfo>
#include <QIODevice>
#include <QSaveFile>
#include <algorithm>
#include <memory>

#include <fcntl.h>

namespace mizel {

ListFormat formatForFilterIndex(int filterIndex)
{
    return filterIndex == 2 ? ListFormat::Csv : ListFormat::Text;
}

QByteArray textFormat(const std::vector<std::int32_t> &list)
{
    QByteArray text(static_cast<qsizetype>(list.size() * maxTextLineLength), Qt::Uninitialized);
    // Fresh memory of many megabytes: faulting it in costs as much as the formatting.
    preferHugePages(text.data(), static_cast<std::size_t>(text.size()));
    const char *end = formatTextLines(text.data(), list.data(), list.data() + list.size());
    text.truncate(end - text.constData());
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
    const bool csv = format == ListFormat::Csv;
    const std::size_t chunkSize = csv ? 1000 : 3000;
    const std::size_t chunkBytes = chunkSize * (csv ? maxCsvFieldLength : maxTextLineLength);
    const auto chunk = std::make_unique<char[]>(chunkBytes);

    const std::int32_t *const end = list.data() + list.size();
    for (const std::int32_t *first = list.data(); first != end;) {
        const std::int32_t *last = first + std::min<std::size_t>(chunkSize, end - first);
        const char *chunkEnd = csv ? formatCsvFields(chunk.get(), first, last, last == end)
                                   : formatTextLines(chunk.get(), first, last);
        const qint64 length = chunkEnd - chunk.get();
        if (device.write(chunk.get(), length) != length)
            return false;
        writeback.written(length);
        first = last;
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
