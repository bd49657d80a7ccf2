#pragma once
// The full 128-bit product of two 64-bit words, also where the compiler has no
// 128-bit integer type (i386, armhf).
#include <cstdint>

namespace mizel {

struct WideProduct {
    std::uint64_t high;
    std::uint64_t low;
};

constexpr WideProduct wideMultiply(std::uint64_t a, std::uint64_t b)
{
#ifdef __SIZEOF_INT128__
    const unsigned __int128 product = static_cast<unsigned __int128>(a) * b;
    return {static_cast<std::uint64_t>(product >> 64), static_cast<std::uint64_t>(product)};
#else
    // Schoolbook on 32-bit halves; the middle column stays below 3 * 2^32.
    constexpr std::uint64_t half = 0xFFFFFFFF;
    const std::uint64_t lowLow = (a & half) * (b & half);
    const std::uint64_t highLow = (a >> 32) * (b & half);
    const std::uint64_t lowHigh = (a & half) * (b >> 32);
    const std::uint64_t highHigh = (a >> 32) * (b >> 32);
    const std::uint64_t middle = (lowLow >> 32) + (highLow & half) + (lowHigh & half);
    return {highHigh + (highLow >> 32) + (lowHigh >> 32) + (middle >> 32), (middle << 32) | (lowLow & half)};
#endif
}

} // namespace mizel
