#pragma once
// UTF-8 and UTF-16 of the same text: the core keeps texts in UTF-8, and the
// front ends and the error display work in UTF-16.
#include <string>
#include <string_view>

namespace mizel {

// A byte that starts no well-formed sequence becomes U+FFFD.
std::u16string toUtf16(std::string_view utf8);
// A lone surrogate becomes "?", as a character with no encoding does elsewhere.
std::string toUtf8(std::u16string_view utf16);

} // namespace mizel
