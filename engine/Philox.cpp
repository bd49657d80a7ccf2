#include "Philox.h"

#include "TargetClones.h"

namespace mizel {

namespace {

constexpr int lanes = 8;

// The rounds of philox4x32 on eight counters at once, written lane by lane so that
// the compiler turns each line into one vector instruction.
[[gnu::always_inline]] inline void philoxLanesBody(PhiloxKey key, std::uint64_t first, std::uint32_t stream,
                                                   std::uint32_t* words)
{
    std::uint32_t x0[lanes], x1[lanes], x2[lanes], x3[lanes];
    for (int j = 0; j < lanes; ++j) {
        x0[j] = static_cast<std::uint32_t>(first + static_cast<std::uint64_t>(j));
        x1[j] = static_cast<std::uint32_t>((first + static_cast<std::uint64_t>(j)) >> 32);
        x2[j] = stream;
        x3[j] = 0;
    }
    std::uint32_t k0 = key.k0, k1 = key.k1;
    for (int round = 0; round < philoxRounds; ++round) {
        if (round != 0) {
            k0 += philoxW0;
            k1 += philoxW1;
        }
        for (int j = 0; j < lanes; ++j) {
            const std::uint64_t p0 = std::uint64_t{philoxM0} * x0[j];
            const std::uint64_t p1 = std::uint64_t{philoxM1} * x2[j];
            x0[j] = static_cast<std::uint32_t>(p1 >> 32) ^ x1[j] ^ k0;
            x1[j] = static_cast<std::uint32_t>(p1);
            x2[j] = static_cast<std::uint32_t>(p0 >> 32) ^ x3[j] ^ k1;
            x3[j] = static_cast<std::uint32_t>(p0);
        }
    }
    for (int j = 0; j < lanes; ++j) {
        words[4 * j] = x0[j];
        words[4 * j + 1] = x1[j];
        words[4 * j + 2] = x2[j];
        words[4 * j + 3] = x3[j];
    }
}

MIZEL_CLONES_AVX2(void, philoxLanes, (PhiloxKey key, std::uint64_t first, std::uint32_t stream, std::uint32_t* words),
                  (key, first, stream, words))

void philoxBlocks(PhiloxKey key, std::uint64_t first, std::uint32_t stream, std::uint32_t* words, std::size_t blocks)
{
    for (std::size_t b = 0; b < blocks; ++b) {
        const std::uint64_t n = first + b;
        const std::uint32_t counter[4] = {static_cast<std::uint32_t>(n), static_cast<std::uint32_t>(n >> 32), stream, 0};
        const PhiloxBlock out = philox4x32(counter, key);
        for (int w = 0; w < 4; ++w)
            words[4 * b + static_cast<std::size_t>(w)] = out.x[w];
    }
}

} // namespace

void philoxFill(PhiloxKey key, std::uint64_t first, std::uint32_t stream, std::uint32_t* words, std::size_t count)
{
    const std::size_t blocks = count / 4;
    std::size_t b = 0;
    for (; b + lanes <= blocks; b += lanes)
        philoxLanes(key, first + b, stream, words + 4 * b);
    philoxBlocks(key, first + b, stream, words + 4 * b, blocks - b);
}

void philoxFillReference(PhiloxKey key, std::uint64_t first, std::uint32_t stream, std::uint32_t* words,
                         std::size_t count)
{
    philoxBlocks(key, first, stream, words, count / 4);
}

} // namespace mizel
