#include "Philox.h"

#include <gtest/gtest.h>

#include <vector>

using namespace mizel;

// Random123's known answers for philox4x32 with ten rounds, and the C++26
// std::philox4x32 check: its 10000th output under the default seed 20111115.
TEST(Philox, KnownAnswers)
{
    const auto words = [](PhiloxBlock b) { return std::vector<std::uint32_t>(b.x, b.x + 4); };
    EXPECT_EQ(words(philox4x32({0, 0, 0, 0}, {0, 0})),
              (std::vector<std::uint32_t>{0x6627e8d5, 0xe169c58d, 0xbc57ac4c, 0x9b00dbd8}));
    EXPECT_EQ(words(philox4x32({0xffffffff, 0xffffffff, 0xffffffff, 0xffffffff}, {0xffffffff, 0xffffffff})),
              (std::vector<std::uint32_t>{0x408f276d, 0x41c83b0e, 0xa20bc7c6, 0x6d5451fd}));
    EXPECT_EQ(words(philox4x32({0x243f6a88, 0x85a308d3, 0x13198a2e, 0x03707344}, {0xa4093822, 0x299f31d0})),
              (std::vector<std::uint32_t>{0xd16cfe09, 0x94fdcceb, 0x5001e420, 0x24126ea1}));

    std::vector<std::uint32_t> sequence(10000);
    philoxFill({20111115, 0}, 0, 0, sequence.data(), sequence.size());
    EXPECT_EQ(sequence[9999], 1955073260u);
}

// The vector fills (sixteen blocks, eight, then one at a time) against the plain
// one, also across the carry into the counter's second word, and a stream read
// word by word from the middle.
TEST(Philox, FillMatchesReference)
{
    for (const std::uint64_t first : {std::uint64_t{0}, std::uint64_t{0xFFFFFFFB}, std::uint64_t{1} << 40}) {
        std::vector<std::uint32_t> fast(4 * (16 + 8 + 5)), plain(fast.size());
        philoxFill({1, 2}, first, 7, fast.data(), fast.size());
        philoxFillReference({1, 2}, first, 7, plain.data(), plain.size());
        EXPECT_EQ(fast, plain) << first;

        PhiloxStream stream({1, 2}, 7, first);
        for (std::size_t i = 0; i < plain.size(); ++i)
            ASSERT_EQ(stream.next32(), plain[i]) << first << " word " << i;

        // 64-bit draws high word first, one word out of step so that some
        // straddle two refills.
        PhiloxStream pairs({1, 2}, 7, first);
        ASSERT_EQ(pairs.next32(), plain[0]);
        for (std::size_t i = 1; i + 1 < plain.size(); i += 2)
            ASSERT_EQ(pairs.next64(), std::uint64_t{plain[i]} << 32 | plain[i + 1]) << first << " word " << i;
    }
    PhiloxStream stream({3, 4}, 0);
    for (std::uint64_t bound : {std::uint64_t{1}, std::uint64_t{3}, std::uint64_t{1} << 32})
        EXPECT_LT(stream.below(bound), bound);
}
