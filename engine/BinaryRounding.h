#pragma once
// Rounding of an exact integer product to a binary floating-point significand, in
// integers: what the x87 unit and IEEE doubles do in hardware, on any processor.
#include "WideMultiply.h"

#include <bit>
#include <cfloat>
#include <cstdint>

// long double is the x87 extended format (x86): the hardware to compare with.
// Not on Windows: it starts each thread with the x87 unit rounding to a double's
// 53 bits and MinGW's start-up widens only the main thread's, so the same steps
// would round differently on worker threads. The integer steps serve there.
#if LDBL_MANT_DIG == 64 && !defined(_WIN32)
#define MIZEL_HAS_X87_EXTENDED 1
#endif

namespace mizel {

// significand * 2^exponent
struct BinaryValue {
    std::uint64_t significand;
    int exponent;
};

// value * 2^exponent rounded to `bits` significant bits (1 to 64), to nearest
// with ties to even; bits = 64 is the x87 extended format, 53 a double. The value
// must be below 2^(bits + 64), so that at most the low word is dropped.
constexpr BinaryValue roundToBits(WideProduct value, int exponent, int bits)
{
    const int length = value.high != 0 ? 128 - std::countl_zero(value.high) : 64 - std::countl_zero(value.low);
    if (length <= bits)
        return {value.low, exponent};
    int drop = length - bits;
    std::uint64_t kept = drop == 64 ? value.high : (value.low >> drop) | (value.high << (64 - drop));
    const int half = drop - 1;
    const bool halfBit = ((value.low >> half) & 1) != 0;
    const bool belowHalf = half > 0 && value.low << (64 - half) != 0;
    if (halfBit && (belowHalf || (kept & 1) != 0)) {
        const std::uint64_t top = std::uint64_t{1} << (bits - 1);
        // Rounding up to 2^bits carries into a new leading bit.
        if (++kept == top << 1) {
            kept = top;
            ++drop;
        }
    }
    return {kept, exponent + drop};
}

} // namespace mizel
