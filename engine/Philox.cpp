#include "Philox.h"

#include "TargetClones.h"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace mizel {

namespace {

constexpr int lanes = 8;

// The rounds of philox4x32 on eight counters at once, written lane by lane so that
// the compiler turns each line into one vector instruction.
void philoxLanes(PhiloxKey key, std::uint64_t first, std::uint32_t stream, std::uint32_t* words)
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

#if defined(__x86_64__)
// The same rounds in AVX2 on two groups of eight counters, so that one group's
// multiplies run while the other's wait. The compiler's own vectorisation of the
// loop above spends most of its time moving halves of registers about.
constexpr std::size_t avx2Blocks = 2 * lanes;

// The high and low halves of m * x for each 32-bit lane of x.
[[gnu::target("avx2"), gnu::always_inline]] inline void mulHiLo(__m256i m, __m256i x, __m256i& hi, __m256i& lo)
{
    const __m256i even = _mm256_mul_epu32(m, x);
    const __m256i odd = _mm256_mul_epu32(m, _mm256_srli_epi64(x, 32));
    hi = _mm256_blend_epi32(_mm256_srli_epi64(even, 32), odd, 0xAA);
    lo = _mm256_blend_epi32(even, _mm256_slli_epi64(odd, 32), 0xAA);
}

// Words of eight blocks, from their four words in one register each.
[[gnu::target("avx2"), gnu::always_inline]] inline void storeBlocks(const __m256i (&x)[4], std::uint32_t* words)
{
    const __m256i x01lo = _mm256_unpacklo_epi32(x[0], x[1]), x01hi = _mm256_unpackhi_epi32(x[0], x[1]);
    const __m256i x23lo = _mm256_unpacklo_epi32(x[2], x[3]), x23hi = _mm256_unpackhi_epi32(x[2], x[3]);
    // Blocks 0 and 4, 1 and 5, 2 and 6, 3 and 7.
    const __m256i b04 = _mm256_unpacklo_epi64(x01lo, x23lo), b15 = _mm256_unpackhi_epi64(x01lo, x23lo);
    const __m256i b26 = _mm256_unpacklo_epi64(x01hi, x23hi), b37 = _mm256_unpackhi_epi64(x01hi, x23hi);
    auto* out = reinterpret_cast<__m256i*>(words);
    _mm256_storeu_si256(out, _mm256_permute2x128_si256(b04, b15, 0x20));
    _mm256_storeu_si256(out + 1, _mm256_permute2x128_si256(b26, b37, 0x20));
    _mm256_storeu_si256(out + 2, _mm256_permute2x128_si256(b04, b15, 0x31));
    _mm256_storeu_si256(out + 3, _mm256_permute2x128_si256(b26, b37, 0x31));
}

[[gnu::target("avx2")]] void philoxLanesAvx2(PhiloxKey key, std::uint64_t first, std::uint32_t stream,
                                             std::uint32_t* words)
{
    constexpr int groups = avx2Blocks / lanes;
    std::uint32_t low[avx2Blocks], high[avx2Blocks];
    for (std::size_t j = 0; j < avx2Blocks; ++j) {
        low[j] = static_cast<std::uint32_t>(first + j);
        high[j] = static_cast<std::uint32_t>((first + j) >> 32);
    }
    const __m256i m0 = _mm256_set1_epi32(static_cast<int>(philoxM0));
    const __m256i m1 = _mm256_set1_epi32(static_cast<int>(philoxM1));
    __m256i x[groups][4];
    for (int g = 0; g < groups; ++g) {
        x[g][0] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(low + lanes * g));
        x[g][1] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(high + lanes * g));
        x[g][2] = _mm256_set1_epi32(static_cast<int>(stream));
        x[g][3] = _mm256_setzero_si256();
    }
    std::uint32_t k0 = key.k0, k1 = key.k1;
#pragma GCC unroll 10
    for (int round = 0; round < philoxRounds; ++round) {
        if (round != 0) {
            k0 += philoxW0;
            k1 += philoxW1;
        }
        const __m256i key0 = _mm256_set1_epi32(static_cast<int>(k0)), key1 = _mm256_set1_epi32(static_cast<int>(k1));
        for (auto& group : x) {
            __m256i hi0, lo0, hi1, lo1;
            mulHiLo(m0, group[0], hi0, lo0);
            mulHiLo(m1, group[2], hi1, lo1);
            group[0] = _mm256_xor_si256(_mm256_xor_si256(hi1, group[1]), key0);
            group[1] = lo1;
            group[2] = _mm256_xor_si256(_mm256_xor_si256(hi0, group[3]), key1);
            group[3] = lo0;
        }
    }
    for (int g = 0; g < groups; ++g)
        storeBlocks(x[g], words + 4 * lanes * g);
}
#endif


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
#if defined(__x86_64__)
    if (processorHasAvx2())
        for (; b + avx2Blocks <= blocks; b += avx2Blocks)
            philoxLanesAvx2(key, first + b, stream, words + 4 * b);
#endif
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
