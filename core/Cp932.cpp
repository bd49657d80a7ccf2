#include "Cp932.h"

namespace mizel {

bool isCp932LeadByte(unsigned char byte)
{
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

bool isTrailByte(std::string_view bytes, std::ptrdiff_t p)
{
    if (p < 1 || p > std::ptrdiff_t(bytes.size()))
        return false;
    // Count the run of lead-byte values just before p; an odd run means
    // the byte before p opens a pair and p closes it.
    std::ptrdiff_t run = 0;
    for (std::ptrdiff_t i = p - 1; i >= 1 && isCp932LeadByte(static_cast<unsigned char>(bytes[i - 1])); --i)
        ++run;
    return run % 2 == 1;
}

} // namespace mizel
