// Any bytes at any widths: splitGridText must not crash, must place every
// byte on exactly one line and must never end line 1 inside a double-byte pair.
#include "Cp932.h"
#include "GridText.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    std::int32_t widths[2] = {0, 0};
    const std::size_t head = std::min(size, sizeof widths);
    std::memcpy(widths, data, head);
    const std::string_view text(reinterpret_cast<const char *>(data + head), size - head);
    const int E = widths[0];
    const int W = widths[1];

    const mizel::GridTextSplit split = mizel::splitGridText(text, E, W);
    const int s = split.firstLength;
    const bool wholeWhenFits = !split.fits || std::size_t(s) == text.size();
    if (s < 0 || std::size_t(s) > text.size() || !wholeWhenFits || mizel::isTrailByte(text, s + 1)) {
        std::fprintf(stderr, "bad split: E=%d W=%d size=%d fits=%d firstLength=%d\n", E, W,
                     int(text.size()), int(split.fits), s);
        std::abort();
    }
    return 0;
}
