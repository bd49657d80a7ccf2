#include "NumberText.h"
#include "WideMultiply.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace mizel {

namespace {

// "0000" to "9999"; the last two characters of the first hundred entries serve
// as the digit pairs "00" to "99".
constexpr std::array<char, 40000> digitQuads = [] {
    std::array<char, 40000> quads{};
    for (int i = 0; i < 10000; ++i) {
        quads[4 * i] = static_cast<char>('0' + i / 1000);
        quads[4 * i + 1] = static_cast<char>('0' + i / 100 % 10);
        quads[4 * i + 2] = static_cast<char>('0' + i / 10 % 10);
        quads[4 * i + 3] = static_cast<char>('0' + i % 10);
    }
    return quads;
}();

constexpr std::uint64_t powerOf10(int n)
{
    std::uint64_t power = 1;
    for (int i = 0; i < n; ++i)
        power *= 10;
    return power;
}

inline const char* digitPair(std::uint64_t pair)
{
    return &digitQuads[4 * pair + 2];
}

// y = floor(v * multiplier / 2^shift) + 1 is v / 10^rest in 32.32 fixed point, never
// below the true value and less than 2^32 / 10^rest above it. Its fraction then lies
// in the same 1/10^rest step as the true one, so multiplying the fraction by 100 or
// 10000 yields the next 2 or 4 digits exactly in the integer part.
struct FixedPointScale {
    std::uint64_t multiplier;
    int shift;
};

constexpr FixedPointScale fixedPointScale(int rest)
{
    const std::uint64_t power = powerOf10(rest);
    const std::uint64_t maxValue = std::min<std::uint64_t>(power * 100 - 1, 0xFFFFFFFF);
    for (int shift = 0; shift < 32; ++shift) {
        const std::uint64_t scaled = std::uint64_t{1} << (32 + shift);
        const std::uint64_t multiplier = (scaled - 1) / power + 1;
        if (wideMultiply(maxValue, multiplier).high != 0)
            break;
        // 1 + maxValue * (multiplier - scaled / power) / 2^shift < 2^32 / power
        const std::uint64_t excess = multiplier * power - scaled;
        if ((std::uint64_t{1} << shift) * power + maxValue * excess < scaled)
            return {multiplier, shift};
    }
    return {0, -1};
}

template <int Digits>
inline char* writeGroup(char* p, std::uint64_t& y)
{
    y = static_cast<std::uint32_t>(y) * std::uint64_t{Digits == 2 ? 100 : 10000};
    std::memcpy(p, &digitQuads[4 * (y >> 32) + 4 - Digits], Digits);
    return p + Digits;
}

// A number of rest + 1 or rest + 2 digits, at least 100: the leading one or two
// digits, then groups of Digits... that add up to rest.
template <int Rest, int... Digits>
char* writeDigits(char* out, std::uint32_t v)
{
    static_assert((Digits + ...) == Rest);
    constexpr FixedPointScale scale = fixedPointScale(Rest);
    static_assert(scale.shift >= 0);
    std::uint64_t y = ((v * scale.multiplier) >> scale.shift) + 1;
    // Without a branch: a single leading digit is written twice and its second copy
    // is overwritten by the next group.
    const char* lead = digitPair(y >> 32);
    const bool single = v < powerOf10(Rest + 1);
    out[0] = lead[single];
    out[1] = lead[1];
    char* p = out + 2 - single;
    ((p = writeGroup<Digits>(p, y)), ...);
    return p;
}

} // namespace

char* formatNumber(char* out, std::int32_t value)
{
    // The sign is written unconditionally and overwritten by the first digit when
    // the value is not negative; mixed signs then cost no mispredicted branch.
    const bool negative = value < 0;
    const auto v = negative ? 0u - static_cast<std::uint32_t>(value) : static_cast<std::uint32_t>(value);
    *out = '-';
    out += negative;
    // Few, well predicted branches: generated lists mostly share one digit count.
    if (v < 100) {
        if (v < 10) {
            *out = static_cast<char>('0' + v);
            return out + 1;
        }
        std::memcpy(out, digitPair(v), 2);
        return out + 2;
    }
    if (v < 1000000)
        return v < 10000 ? writeDigits<2, 2>(out, v) : writeDigits<4, 4>(out, v);
    return v < 100000000 ? writeDigits<6, 2, 4>(out, v) : writeDigits<8, 4, 4>(out, v);
}

char* formatTextLines(char* out, const std::int32_t* first, const std::int32_t* last)
{
    for (; first != last; ++first) {
        out = formatNumber(out, *first);
        *out++ = '\r';
        *out++ = '\n';
    }
    return out;
}

char* formatCsvFields(char* out, const std::int32_t* first, const std::int32_t* last, bool endsList)
{
    // The last number of the whole list has no comma after it.
    const std::int32_t* commaEnd = endsList && first != last ? last - 1 : last;
    for (; first != commaEnd; ++first) {
        out = formatNumber(out, *first);
        *out++ = ',';
    }
    return first != last ? formatNumber(out, *first) : out;
}

} // namespace mizel
