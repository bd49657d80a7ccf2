#pragma once
// The two ways numbers leave the program: the text format (every number
// followed by CR LF; clipboard and text files) and CSV (one comma-joined line).
#include "ByteSink.h"
#include "ValueList.h"
#include "WorkProgress.h"

#include <cstdint>
#include <filesystem>
#include <vector>

namespace mizel {

enum class ListFormat { Text, Csv };

// The save dialog's file types, numbered from 1; only type 2 is CSV.
ListFormat formatForFilterIndex(int filterIndex);

// The text format of a whole list in memory the caller owns (a clipboard
// block, say): length() bytes, which write() fills. Both work on every core,
// each thread on its own part of the list, and report to progress; asked to
// stop, they leave the text unfinished and throw WorkStopped.
class ListText
{
public:
    explicit ListText(const ValueList &list, WorkProgress &progress = unwatchedWork());
    std::size_t length() const { return offsets.back(); }
    void write(char *out) const;

private:
    const std::int32_t *pieceBegin(std::size_t piece) const;
    // Calls piece(p) for each piece, each thread for the pieces of its part in
    // order, until piece says false.
    template<typename Piece>
    void forEachPiece(Piece piece) const;

    const ValueList &list;
    WorkProgress &progress;
    int parts;
    std::size_t piecesPerPart;
    std::vector<std::size_t> offsets; // of each piece's text, and its end
};

// Writes the list chunk by chunk (1000 CSV or 3000 text numbers a write);
// false as soon as a write fails or progress asks it to stop.
bool writeList(ByteSink &sink, const ValueList &list, ListFormat format,
               WorkProgress &progress = unwatchedWork());

// Replaces the file with the list; on any failure the old file stays as it was.
// A FIFO or device named is written into instead. Asked to stop, it leaves the
// old file too, and throws WorkStopped.
bool saveList(const std::filesystem::path &path, const ValueList &list, ListFormat format,
              WorkProgress &progress = unwatchedWork());

} // namespace mizel
