#include "MersenneJump.h"

#include <array>
#include <bit>
#include <vector>

// The state words follow a linear recurrence over GF(2): one step T maps the
// window of 624 words to the next window. With p the characteristic polynomial
// of T (degree 19937), T^J = (x^J mod p)(T) on every state that matters, so J
// steps cost one evaluation of a polynomial of degree below 19937 at T, whatever
// J is. (The only other part of the window, the low 31 bits of its first word,
// never reaches a later word; they come out wrong and are never read.)
namespace mizel {

namespace {

using Word = std::uint64_t;
using Polynomial = std::vector<Word>; // bit i is the coefficient of x^i

constexpr std::size_t degree = 19937;
constexpr std::size_t polynomialWords = degree / 64 + 1;
// Whole refills a table entry skips: 2^0 to 2^22, which passes 2^31 draws.
constexpr int jumpTableSize = 23;

bool coefficient(const Polynomial& a, std::size_t i)
{
    return (a[i / 64] >> (i % 64)) & 1;
}

// The 64 coefficients of a from x^position up.
Word wordAt(const Polynomial& a, std::size_t position)
{
    const std::size_t index = position / 64;
    const unsigned shift = position % 64;
    const Word low = index < a.size() ? a[index] >> shift : 0;
    const Word high = shift != 0 && index + 1 < a.size() ? a[index + 1] << (64 - shift) : 0;
    return low | high;
}

// target += source * x^shift, dropping what falls past the end of target.
void addShifted(Polynomial& target, const Polynomial& source, std::size_t shift)
{
    for (std::size_t i = 0; i < source.size() && i + shift / 64 < target.size(); ++i) {
        target[i + shift / 64] ^= source[i] << (shift % 64);
        if (shift % 64 != 0 && i + shift / 64 + 1 < target.size())
            target[i + shift / 64 + 1] ^= source[i] >> (64 - shift % 64);
    }
}

// Berlekamp-Massey over the top bits of 2 * 19937 successive words. p is
// irreducible, so it is the minimal polynomial of any sequence the recurrence
// makes that is not all zero. The top bit lies in the part of the window that
// carries on, which keeps the odd low bits of the first word out of the sequence.
Polynomial characteristicPolynomial()
{
    constexpr std::size_t length = 2 * degree;
    // reversed bit j holds bit length - 1 - j of the sequence, so the terms that
    // a connection polynomial meets at step i lie in ascending order from bit
    // length - 1 - i.
    Polynomial reversed(length / 64 + 4, 0);
    MersenneTwisterState g{};
    mtSeed(mtDefaultSeed, g);
    for (std::size_t n = 0; n < length; mtRefill(g)) {
        for (int k = 0; k < mtN && n < length; ++k, ++n) {
            const std::size_t j = length - 1 - n;
            reversed[j / 64] |= Word{g.mtState[k] >> 31} << (j % 64);
        }
    }

    Polynomial connection(polynomialWords + 1, 0);
    Polynomial previous = connection;
    connection[0] = previous[0] = 1;
    std::size_t complexity = 0; // length of the shortest recurrence found so far
    std::size_t gap = 1;
    for (std::size_t i = 0; i < length; ++i) {
        Word terms = 0;
        for (std::size_t w = 0; w <= complexity / 64; ++w)
            terms ^= connection[w] & wordAt(reversed, length - 1 - i + 64 * w);
        if (std::popcount(terms) % 2 == 0) {
            ++gap;
        } else if (2 * complexity <= i) {
            Polynomial before = connection;
            addShifted(connection, previous, gap);
            complexity = i + 1 - complexity;
            previous = std::move(before);
            gap = 1;
        } else {
            addShifted(connection, previous, gap);
            ++gap;
        }
    }
    // The characteristic polynomial is the connection polynomial reversed.
    Polynomial p(polynomialWords, 0);
    for (std::size_t i = 0; i <= complexity; ++i) {
        if (coefficient(connection, complexity - i))
            p[i / 64] |= Word{1} << (i % 64);
    }
    return p;
}

struct JumpTables {
    // p * x^s for s = 0 to 63, so that reducing needs only whole-word offsets.
    std::array<Polynomial, 64> shiftedModulus;
    // x^(624 * 2^k) mod p: the polynomial of 2^k refills.
    std::array<Polynomial, jumpTableSize> refills;
};

// a mod p, for a of degree below 2 * degree.
void reduce(Polynomial& a, const JumpTables& tables)
{
    for (std::size_t i = 2 * degree - 2; i >= degree; --i) {
        if (!coefficient(a, i))
            continue;
        const std::size_t shift = i - degree;
        const Polynomial& modulus = tables.shiftedModulus[shift % 64];
        Word* target = a.data() + shift / 64;
        for (std::size_t w = 0; w < modulus.size(); ++w)
            target[w] ^= modulus[w];
    }
    a.resize(polynomialWords);
}

// Squaring over GF(2) spreads the bits: coefficient i moves to 2i.
Polynomial square(const Polynomial& a)
{
    static constexpr auto spread = [] {
        std::array<std::uint16_t, 256> table{};
        for (unsigned byte = 0; byte < 256; ++byte) {
            for (unsigned b = 0; b < 8; ++b)
                table[byte] |= static_cast<std::uint16_t>(((byte >> b) & 1) << (2 * b));
        }
        return table;
    }();
    Polynomial result(2 * a.size() + 2, 0);
    for (std::size_t i = 0; i < a.size(); ++i) {
        for (unsigned half = 0; half < 2; ++half) {
            Word spreadHalf = 0;
            for (unsigned byte = 0; byte < 4; ++byte)
                spreadHalf |= Word{spread[(a[i] >> (32 * half + 8 * byte)) & 0xFF]} << (16 * byte);
            result[2 * i + half] = spreadHalf;
        }
    }
    return result;
}

JumpTables makeJumpTables()
{
    JumpTables tables;
    const Polynomial modulus = characteristicPolynomial();
    for (std::size_t s = 0; s < 64; ++s) {
        tables.shiftedModulus[s].assign(polynomialWords + 1, 0);
        addShifted(tables.shiftedModulus[s], modulus, s);
    }
    // One refill is 624 steps; x^624 is already below the degree of p.
    tables.refills[0].assign(polynomialWords, 0);
    tables.refills[0][mtN / 64] = Word{1} << (mtN % 64);
    for (int k = 1; k < jumpTableSize; ++k) {
        tables.refills[k] = square(tables.refills[k - 1]);
        reduce(tables.refills[k], tables);
    }
    return tables;
}

const JumpTables& jumpTables()
{
    static const JumpTables tables = makeJumpTables();
    return tables;
}

// state = f(T) state by Horner's rule: acc = T acc + f_i state from the top
// coefficient down. acc is kept as a ring so that a step writes one word.
void applyPolynomial(std::uint32_t* state, const Polynomial& f)
{
    std::array<std::uint32_t, mtN> acc{};
    int start = 0;
    for (std::size_t i = degree; i-- > 0;) {
        acc[start] = mtTwistWord(acc[start], acc[(start + 1) % mtN], acc[(start + mtM) % mtN]);
        start = (start + 1) % mtN;
        if (coefficient(f, i)) {
            const int wrap = mtN - start;
            for (int j = 0; j < wrap; ++j)
                acc[start + j] ^= state[j];
            for (int j = wrap; j < mtN; ++j)
                acc[j - wrap] ^= state[j];
        }
    }
    for (int j = 0; j < mtN; ++j)
        state[j] = acc[(start + j) % mtN];
}

// The state words as after refills more refills.
void skipRefills(MersenneTwisterState& g, std::uint64_t refills)
{
    const JumpTables& tables = jumpTables();
    constexpr std::uint64_t largest = std::uint64_t{1} << (jumpTableSize - 1);
    for (; refills >= 2 * largest; refills -= largest)
        applyPolynomial(g.mtState, tables.refills[jumpTableSize - 1]);
    for (int k = 0; refills != 0; ++k, refills >>= 1) {
        if (refills & 1)
            applyPolynomial(g.mtState, tables.refills[k]);
    }
}

} // namespace

void mtPrepareSkip()
{
    jumpTables();
}

void mtSkip(MersenneTwisterState& g, std::uint64_t draws)
{
    if (g.mtSeeded == 0)
        mtSeed(mtDefaultSeed, g);
    const auto left = static_cast<std::uint64_t>(mtN - g.mtIndex);
    if (draws <= left) {
        g.mtIndex += static_cast<std::int32_t>(draws);
        return;
    }
    // Drawing stops at the end of a block without refilling, so the last of the
    // draws past this block lies in refill 1 + (beyond - 1) / mtN.
    const std::uint64_t beyond = draws - left;
    skipRefills(g, (beyond - 1) / mtN);
    mtRefill(g);
    g.mtIndex = static_cast<std::int32_t>((beyond - 1) % mtN + 1);
}

} // namespace mizel
