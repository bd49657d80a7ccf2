#pragma once
// The two ways numbers leave the program: the text format (every number
// followed by CR LF; clipboard and text files) and CSV (one comma-joined line).
#include <QByteArray>
#include <QString>
#include <cstdint>
#include <vector>

class QIODevice;

namespace mizel {

enum class ListFormat { Text, Csv };

// The save dialog's file types, numbered from 1; only type 2 is CSV.
ListFormat formatForFilterIndex(int filterIndex);

QByteArray textFormat(const std::vector<std::int32_t> &list);

// Writes the list chunk by chunk (1000 CSV or 3000 text numbers a write);
// false as soon as a write falls short.
bool writeList(QIODevice &device, const std::vector<std::int32_t> &list, ListFormat format);

// Replaces fileName with the list; on any failure the old file stays as it was.
// A FIFO or device named is written into instead.
bool saveList(const QString &fileName, const std::vector<std::int32_t> &list, ListFormat format);

} // namespace mizel
