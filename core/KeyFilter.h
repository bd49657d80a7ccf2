#pragma once
// Which typed characters the three number boxes accept.
namespace mizel {

// Digits, "#$%&'(", "." and the control codes 8 to 16 pass; everything else,
// including every character outside ASCII, is discarded.
bool keyFilterPasses(char32_t typed);

} // namespace mizel
