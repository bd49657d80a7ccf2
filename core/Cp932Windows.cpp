// The conversions through the system's code page 932; the byte rules are in Cp932.cpp.
#include "Cp932.h"

#include <climits>
#include <windows.h>

namespace mizel {

namespace {

constexpr UINT cp932 = 932;

// cp932 has no character outside the Basic Multilingual Plane: a surrogate
// pair is one character it lacks, and stands as one "?", not two.
std::u16string withoutSurrogates(std::u16string_view text)
{
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        const bool pair = unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00
            && text[i + 1] <= 0xDFFF;
        i += pair;
        out += unit >= 0xD800 && unit <= 0xDFFF ? u'?' : unit;
    }
    return out;
}

} // namespace

std::string toCp932(std::u16string_view text)
{
    if (text.empty() || text.size() > INT_MAX)
        return {};
    const std::u16string plane = withoutSurrogates(text);
    const auto units = reinterpret_cast<const wchar_t *>(plane.data());
    const int length = static_cast<int>(plane.size());
    // No best fit ("é" as "e"): a character cp932 lacks is its default "?", as on Linux.
    const int size = WideCharToMultiByte(cp932, WC_NO_BEST_FIT_CHARS, units, length, nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(cp932, WC_NO_BEST_FIT_CHARS, units, length, bytes.data(), size, nullptr, nullptr);
    return bytes;
}

std::u16string fromCp932(std::string_view bytes)
{
    if (bytes.empty() || bytes.size() > INT_MAX)
        return {};
    const int length = static_cast<int>(bytes.size());
    // Without MB_ERR_INVALID_CHARS a byte that forms no character becomes U+FFFD
    // (or the code page's own mapping of it, where it has one).
    const int size = MultiByteToWideChar(cp932, 0, bytes.data(), length, nullptr, 0);
    std::u16string text(static_cast<std::size_t>(size), u'\0');
    MultiByteToWideChar(cp932, 0, bytes.data(), length, reinterpret_cast<wchar_t *>(text.data()), size);
    return text;
}

} // namespace mizel
