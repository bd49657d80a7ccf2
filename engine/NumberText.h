#pragma once
// The decimal number text and the two list formats built from it:
// text (every number followed by CR LF) and CSV (numbers joined by ",").
#include <cstddef>
#include <cstdint>

namespace mizel {

inline constexpr std::size_t maxNumberTextLength = 11;      // "-2147483648"
inline constexpr std::size_t maxTextLineLength = maxNumberTextLength + 2;
inline constexpr std::size_t maxCsvFieldLength = maxNumberTextLength + 1;

// Writes the number text of value at out and returns the end; at most 11 bytes.
char* formatNumber(char* out, std::int32_t value);

// Text format of [first, last) at out; returns the end. Needs
// textLinesLength(first, last) bytes, at most (last - first) * maxTextLineLength.
char* formatTextLines(char* out, const std::int32_t* first, const std::int32_t* last);
// The exact length of that text, found without writing it.
std::size_t textLinesLength(const std::int32_t* first, const std::int32_t* last);

// CSV numbers of [first, last) at out, each followed by "," except when
// endsList is set for the last one; returns the end. Needs
// (last - first) * maxCsvFieldLength bytes.
char* formatCsvFields(char* out, const std::int32_t* first, const std::int32_t* last, bool endsList);

} // namespace mizel
