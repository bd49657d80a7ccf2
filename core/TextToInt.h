#pragma once
// Conversion of an edit box's text to a 32-bit integer: decimal, or
// hexadecimal after "$", "x", "X", "0x" or "0X" taken as a 32-bit pattern.
#include "Exception.h"

#include <cstdint>
#include <string_view>

namespace mizel {

class EConvertError : public Exception
{
public:
    explicit EConvertError(std::string_view utf8Text);
};

std::int32_t textToInt(std::string_view utf8Text);

} // namespace mizel
