#include "MersenneJump.h"
#include "MersenneTwister.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <sstream>
#include <vector>

using namespace mizel;

namespace {

std::vector<std::uint32_t> draws(int count)
{
    std::vector<std::uint32_t> out(count);
    for (auto& u : out)
        u = mtNext();
    return out;
}

bool sameBlock(const MersenneTwisterState& a, const MersenneTwisterState& b)
{
    return std::equal(a.mtState, a.mtState + mtN, b.mtState) && std::equal(a.mtTempered, a.mtTempered + mtN, b.mtTempered);
}

} // namespace

TEST(MersenneTwister, KnownSequencesAndReseeding)
{
    mtSeed(4357);
    EXPECT_EQ(draws(5), (std::vector<std::uint32_t>{2867219139u, 1585203162u, 3113124129u, 2953900839u, 2463794868u}));
    mtSeed(1);
    EXPECT_EQ(draws(3), (std::vector<std::uint32_t>{3556162021u, 4012392791u, 221657543u}));

    // Reseeding mid-block discards the rest of the block and repeats the sequence.
    mtSeed(987654321);
    const auto first = draws(1000);
    mtSeed(987654321);
    draws(17);
    mtSeed(987654321);
    EXPECT_EQ(draws(1000), first);
}

TEST(MersenneTwister, UnseededGeneratorSeedsWithTheDefaultOnFirstDraw)
{
    mt = MersenneTwisterState{};
    EXPECT_EQ(mtNext(), 2867219139u);
    EXPECT_EQ(mt.mtSeeded, 1u);
    EXPECT_EQ(mt.mtPackedRefill, 1u);
}

TEST(MersenneTwister, DrawsTheBlockInOrderAndRefillsOnThe625th)
{
    mtSeed(42);
    const MersenneTwisterState seeded = mt;
    const auto block = draws(mtN);
    EXPECT_TRUE(std::equal(block.begin(), block.end(), seeded.mtTempered));
    EXPECT_EQ(mt.mtIndex, mtN);
    EXPECT_TRUE(sameBlock(mt, seeded)); // the 624th draw did not refill

    const std::uint32_t next = mtNext();
    EXPECT_EQ(mt.mtIndex, 1);
    EXPECT_EQ(next, mt.mtTempered[0]);
    EXPECT_NE(mt.mtState[0], seeded.mtState[0]);
}

// An independent MT19937: the standard engine loaded with our state words must
// continue with the same outputs across many refills.
TEST(MersenneTwister, AgreesWithStandardEngineFromTheSameState)
{
    for (std::uint32_t seed : {0u, 1u, 4357u, 0xFFFFFFFFu, 1700000000u}) {
        mtSeed(seed);
        std::stringstream state;
        for (int k = 0; k < mtN; ++k)
            state << mt.mtState[k] << ' ';
        state << 0;
        std::mt19937 standard;
        state >> standard;
        for (int i = 0; i < 20 * mtN; ++i)
            ASSERT_EQ(mtNext(), standard()) << "seed " << seed << " draw " << i;
    }
}

TEST(MersenneTwister, PackedAndScalarRefillGiveIdenticalBlocks)
{
    std::mt19937 seeds(7);
    std::vector<std::uint32_t> seedList{0u, 1u, 4357u, 0x80000000u, 0xFFFFFFFFu};
    for (int i = 0; i < 100; ++i)
        seedList.push_back(seeds());
    for (std::uint32_t seed : seedList) {
        mtSeed(seed);
        for (int refill = 0; refill < 40; ++refill) {
            const MersenneTwisterState before = mt;
            mtRefillPacked();
            const MersenneTwisterState packed = mt;
            mt = before;
            mtRefillScalar();
            ASSERT_TRUE(sameBlock(packed, mt)) << "seed " << seed << " refill " << refill;
            ASSERT_EQ(packed.mtIndex, 0);
        }
    }
}

TEST(MersenneTwister, SkippingEqualsDrawing)
{
    // Distances around block ends, a used-up block, and far jumps through many
    // table entries; each checked against drawing one at a time.
    const std::uint64_t distances[] = {0, 1, 623, 624, 625, 1248, 1249, 5 * 624 + 17, 987654};
    for (const int startIndex : {0, 1, 300, 623, 624}) {
        for (const std::uint64_t distance : distances) {
            mtSeed(20261208);
            mt.mtIndex = startIndex;
            MersenneTwisterState skipped = mt;
            mtSkip(skipped, distance);
            for (std::uint64_t i = 0; i < distance; ++i)
                mtNext();
            ASSERT_EQ(skipped.mtIndex, mt.mtIndex) << startIndex << " + " << distance;
            ASSERT_TRUE(std::equal(mt.mtTempered, mt.mtTempered + mtN, skipped.mtTempered)) << startIndex << " + " << distance;
            // The next block comes out the same too.
            for (int i = 0; i < mtN; ++i)
                ASSERT_EQ(mtNext(skipped), mtNext()) << startIndex << " + " << distance << " then " << i;
        }
    }
}
