#pragma once
// Philox4x32-10, the counter-based generator of Salmon, Moraes, Dror and Shaw,
// "Parallel random numbers: as easy as 1, 2, 3" (SC'11), with the constants and
// round count of their Random123 library. Output block n is a keyed bijection of
// the counter n, so any stretch of the sequence is reached at once by any thread,
// and distinct counters never give a repeated stretch.
#include <cstddef>
#include <cstdint>

namespace mizel {

using PhiloxCounter = std::uint32_t[4];

struct PhiloxKey {
    std::uint32_t k0;
    std::uint32_t k1;
};

struct PhiloxBlock {
    std::uint32_t x[4];
};

inline constexpr std::uint32_t philoxM0 = 0xD2511F53;
inline constexpr std::uint32_t philoxM1 = 0xCD9E8D57;
// Weyl sequence increments of the key: the golden ratio and sqrt(3) - 1.
inline constexpr std::uint32_t philoxW0 = 0x9E3779B9;
inline constexpr std::uint32_t philoxW1 = 0xBB67AE85;
inline constexpr int philoxRounds = 10;

// The plain definition: ten rounds, the key bumped between them.
constexpr PhiloxBlock philox4x32(const std::uint32_t (&counter)[4], PhiloxKey key)
{
    std::uint32_t x0 = counter[0], x1 = counter[1], x2 = counter[2], x3 = counter[3];
    std::uint32_t k0 = key.k0, k1 = key.k1;
    for (int round = 0; round < philoxRounds; ++round) {
        if (round != 0) {
            k0 += philoxW0;
            k1 += philoxW1;
        }
        const std::uint64_t p0 = std::uint64_t{philoxM0} * x0;
        const std::uint64_t p1 = std::uint64_t{philoxM1} * x2;
        const auto hi0 = static_cast<std::uint32_t>(p0 >> 32), lo0 = static_cast<std::uint32_t>(p0);
        const auto hi1 = static_cast<std::uint32_t>(p1 >> 32), lo1 = static_cast<std::uint32_t>(p1);
        x0 = hi1 ^ x1 ^ k0;
        x1 = lo1;
        x2 = hi0 ^ x3 ^ k1;
        x3 = lo0;
    }
    return {{x0, x1, x2, x3}};
}

// Output words of the blocks with counters (first + j, high, stream, 0) for
// j = 0 .. words / 4 - 1, block after block; words is a multiple of 4. Sixteen
// blocks at a time in AVX2 where the processor has it, then eight at a time in
// whatever vectors the compiler targets, so that the rounds vectorise.
void philoxFill(PhiloxKey key, std::uint64_t first, std::uint32_t stream, std::uint32_t* words, std::size_t count);
// The same words from philox4x32, one block at a time (for tests).
void philoxFillReference(PhiloxKey key, std::uint64_t first, std::uint32_t stream, std::uint32_t* words,
                         std::size_t count);

// One stream of words: the blocks with counters (n, high 32 bits of n, stream, 0)
// for n = 0, 1, ... under one key, read in order through a small buffer.
class PhiloxStream {
public:
    PhiloxStream(PhiloxKey key, std::uint32_t stream, std::uint64_t firstBlock = 0)
        : key(key)
        , stream(stream)
        , nextBlock(firstBlock)
    {
    }

    std::uint32_t next32()
    {
        if (used == bufferWords)
            refill();
        return buffer[used++];
    }

    // Two words, high first; one look at the buffer while it holds both.
    std::uint64_t next64()
    {
        if (bufferWords - used < 2) [[unlikely]] {
            const std::uint64_t high = next32();
            return (high << 32) | next32();
        }
        const std::uint64_t high = buffer[used];
        const std::uint64_t low = buffer[used + 1];
        used += 2;
        return (high << 32) | low;
    }

    // Uniform in 0..bound-1 for bound from 1 to 2^32, by Lemire's multiply-shift
    // with rejection.
    std::uint32_t below(std::uint64_t bound)
    {
        for (;;) {
            const std::uint64_t m = next32() * bound;
            const auto low = static_cast<std::uint32_t>(m);
            if (low >= bound || low >= (std::uint64_t{1} << 32) % bound)
                return static_cast<std::uint32_t>(m >> 32);
        }
    }

private:
    static constexpr std::size_t bufferWords = 64;

    void refill()
    {
        philoxFill(key, nextBlock, stream, buffer, bufferWords);
        nextBlock += bufferWords / 4;
        used = 0;
    }

    PhiloxKey key;
    std::uint32_t stream;
    std::uint64_t nextBlock;
    std::uint32_t buffer[bufferWords];
    std::size_t used = bufferWords;
};

} // namespace mizel
