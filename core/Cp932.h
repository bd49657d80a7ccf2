#pragma once
// Text as the Japanese ANSI code page sees it (cp932): through glibc iconv on
// Linux, through the system's code page 932 on Windows.
#include <cstddef>
#include <string>
#include <string_view>

namespace mizel {

// cp932 bytes of text; a character cp932 cannot hold becomes "?".
std::string toCp932(std::u16string_view text);
// A byte that forms no cp932 character becomes U+FFFD.
std::u16string fromCp932(std::string_view bytes);

bool isCp932LeadByte(unsigned char byte);
// Position p counts from 1; outside 1..bytes.size() is never a trail byte.
bool isTrailByte(std::string_view bytes, std::ptrdiff_t p);

} // namespace mizel
