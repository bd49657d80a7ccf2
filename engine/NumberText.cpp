#include "NumberText.h"
#include "TargetClones.h"
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

// The digits of v, with few and well predicted branches: generated lists mostly
// share one digit count.
inline char* formatMagnitude(char* out, std::uint32_t v)
{
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

inline char* formatSigned(char* out, std::int32_t value)
{
    // The sign is written unconditionally and overwritten by the first digit when
    // the value is not negative; mixed signs then cost no mispredicted branch.
    const bool negative = value < 0;
    const auto v = negative ? 0u - static_cast<std::uint32_t>(value) : static_cast<std::uint32_t>(value);
    *out = '-';
    return formatMagnitude(out + negative, v);
}

// What follows each number: CR LF in the text format, a comma in CSV.
struct Separator {
    char text[2];
    std::size_t length;
};
constexpr Separator lineEnd{{'\r', '\n'}, 2};
constexpr Separator comma{{',', 0}, 1};

template <Separator S>
inline char* writeSeparator(char* out)
{
    std::memcpy(out, S.text, S.length);
    return out + S.length;
}

// A number of four to six digits without a branch: the leading pair of the six
// digit places, with one or two of its zeros dropped, then the last four.
// Dropping both writes a stray byte that the last four overwrite.
inline char* writeFourToSixDigits(char* out, std::uint32_t v)
{
    constexpr FixedPointScale scale = fixedPointScale(4);
    std::uint64_t y = ((v * scale.multiplier) >> scale.shift) + 1;
    const char* lead = digitPair(y >> 32);
    const int zeros = (v < 100000) + (v < 10000);
    out[0] = lead[zeros];
    out[1] = lead[1];
    return writeGroup<4>(out + 2 - zeros, y);
}

using FourNumbers = std::int32_t __attribute__((vector_size(16)));
constexpr std::ptrdiff_t fieldBlockSize = 16;

// Whether all numbers of a block have four to six digits and no sign; four at a
// time in vector registers, which every target has.
inline bool allFourToSixDigits(const std::int32_t* block)
{
    FourNumbers outside{};
    for (std::ptrdiff_t k = 0; k < fieldBlockSize; k += 4) {
        FourNumbers numbers;
        std::memcpy(&numbers, block + k, sizeof numbers);
        outside |= (numbers < 1000) | (numbers >= 1000000);
    }
    return (outside[0] | outside[1] | outside[2] | outside[3]) == 0;
}

// Numbers and separators, the last separator left out when endsList is set.
// Lists of small positive numbers are the common case: a block of numbers of four
// to six digits, no sign, takes a loop without branches.
template <Separator S>
char* formatFields(char* out, const std::int32_t* first, const std::int32_t* last, bool endsList)
{
    // Every field but the last ends with a separator.
    const std::int32_t* separatedEnd = endsList && first != last ? last - 1 : last;
    for (; separatedEnd - first >= fieldBlockSize; first += fieldBlockSize) {
        if (allFourToSixDigits(first)) {
            for (std::ptrdiff_t k = 0; k < fieldBlockSize; ++k)
                out = writeSeparator<S>(writeFourToSixDigits(out, static_cast<std::uint32_t>(first[k])));
        } else {
            for (std::ptrdiff_t k = 0; k < fieldBlockSize; ++k)
                out = writeSeparator<S>(formatSigned(out, first[k]));
        }
    }
    for (; first != separatedEnd; ++first)
        out = writeSeparator<S>(formatSigned(out, *first));
    return first != last ? formatSigned(out, *first) : out;
}

} // namespace

char* formatNumber(char* out, std::int32_t value)
{
    return formatSigned(out, value);
}

char* formatTextLines(char* out, const std::int32_t* first, const std::int32_t* last)
{
    return formatFields<lineEnd>(out, first, last, false);
}

// Branch-free 32-bit comparisons and sums, so that the compiler runs several
// numbers a step; a block's sum stays below 2^32.
namespace {

[[gnu::always_inline]] inline std::size_t textLinesLengthBody(const std::int32_t* first, const std::int32_t* last)
{
    constexpr std::uint32_t powers[] = {10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000, 1000000000};
    constexpr std::ptrdiff_t blockSize = std::ptrdiff_t{1} << 24;
    std::size_t length = 0;
    for (std::ptrdiff_t done = 0; done < last - first; done += blockSize) {
        const std::ptrdiff_t count = std::min(blockSize, last - first - done);
        const std::int32_t* block = first + done;
        std::uint32_t blockLength = 0;
        for (std::ptrdiff_t i = 0; i < count; ++i) {
            const auto value = static_cast<std::uint32_t>(block[i]);
            const std::uint32_t sign = value >> 31;
            const std::uint32_t v = (value ^ (0u - sign)) + sign;
            std::uint32_t line = 3 + sign; // one digit at least, CR LF
            for (const std::uint32_t power : powers)
                line += v >= power;
            blockLength += line;
        }
        length += blockLength;
    }
    return length;
}

} // namespace

MIZEL_CLONES_AVX2(std::size_t, textLinesLength, (const std::int32_t* first, const std::int32_t* last), (first, last))

char* formatCsvFields(char* out, const std::int32_t* first, const std::int32_t* last, bool endsList)
{
    return formatFields<comma>(out, first, last, endsList);
}

} // namespace mizel
