#include "ListExport.h"

#include "FileReplacement.h"
#include "MemoryHint.h"
#include "NumberText.h"

#include <QIODevice>
#include <algorithm>
#include <memory>

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

bool writeList(QIODevice &device, const std::vector<std::int32_t> &list, ListFormat format)
{
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
        first = last;
    }
    return true;
}

bool saveList(const QString &fileName, const std::vector<std::int32_t> &list, ListFormat format)
{
    FileReplacement file(fileName);
    return file.open(QIODevice::WriteOnly) && writeList(file, list, format) && file.commit();
}

} // namespace mizel
