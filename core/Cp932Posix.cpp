// The conversions through glibc iconv; the byte rules are in Cp932.cpp.
#include "Cp932.h"
#include "Unicode.h"

#include <algorithm>
#include <cerrno>
#include <iconv.h>

namespace mizel {

namespace {

// Length of the UTF-8 sequence that begins with byte b, so that a character
// iconv refuses can be skipped whole.
std::size_t utf8SequenceLength(unsigned char b)
{
    if (b >= 0xF0)
        return 4;
    if (b >= 0xE0)
        return 3;
    if (b >= 0xC0)
        return 2;
    return 1;
}

std::size_t oneByte(unsigned char)
{
    return 1;
}

// Converts in with iconv from one code to the other. On a byte sequence the
// target cannot hold (or the source does not form), writes replacement and
// skips skipLength(first byte) input bytes.
std::string convert(const char *to, const char *from, std::string_view in, std::string_view replacement,
                    std::size_t (*skipLength)(unsigned char))
{
    std::string out;
    if (in.empty())
        return out;
    iconv_t cd = iconv_open(to, from);
    if (cd == iconv_t(-1))
        return out;
    out.resize(in.size() * 4 + 4);
    char *src = const_cast<char *>(in.data());
    std::size_t srcLeft = in.size();
    char *dst = out.data();
    std::size_t dstLeft = out.size();
    const auto grow = [&](std::size_t size) {
        const std::size_t used = dst - out.data();
        out.resize(size);
        dst = out.data() + used;
        dstLeft = out.size() - used;
    };
    while (srcLeft > 0) {
        if (iconv(cd, &src, &srcLeft, &dst, &dstLeft) != std::size_t(-1))
            break;
        if (errno == E2BIG) {
            grow(out.size() * 2);
            continue;
        }
        // EILSEQ or EINVAL (a sequence cut short at the end).
        const std::size_t skip = std::min(skipLength(static_cast<unsigned char>(*src)), srcLeft);
        src += skip;
        srcLeft -= skip;
        if (dstLeft < replacement.size())
            grow(out.size() * 2 + replacement.size());
        dst = std::copy(replacement.begin(), replacement.end(), dst);
        dstLeft -= replacement.size();
    }
    iconv_close(cd);
    out.resize(dst - out.data());
    return out;
}

} // namespace

std::string toCp932(std::u16string_view text)
{
    return convert("CP932", "UTF-8", toUtf8(text), "?", utf8SequenceLength);
}

std::u16string fromCp932(std::string_view bytes)
{
    return toUtf16(convert("UTF-8", "CP932", bytes, "\xEF\xBF\xBD", oneByte));
}

} // namespace mizel
