// The AVX2 loops against the plain ones: the same numbers on random blocks, at the largest
// sums, and along games; the vector half is skipped where the processor lacks AVX2.
#include <gtest/gtest.h>

#include <limits>
#include <random>

#include "nnue/accumulator_stack.h"
#include "nnue/kernels.h"
#include "nnue_test_support.h"

namespace qorat::testing {
namespace {

class NetKernels : public NetTest {};

void fillRandomly(AlignedNumbers& numbers, std::mt19937& random, int low, int high) {
    std::uniform_int_distribution<int> draw(low, high);
    for (std::size_t i = 0; i < numbers.size(); ++i) numbers.data()[i] = static_cast<std::int16_t>(draw(random));
}

TEST_F(NetKernels, TheSameNumbersOnRandomBlocks) {
    const Kernels* avx2 = avx2Kernels();
    if (avx2 == nullptr) GTEST_SKIP() << "the processor has no AVX2";
    const Kernels& plain = plainKernels();
    constexpr int Low = std::numeric_limits<std::int16_t>::min(), High = std::numeric_limits<std::int16_t>::max();
    std::mt19937 random(17);
    for (int hidden : {32, 96, 1024}) {
        const auto size = static_cast<std::size_t>(hidden);
        for (int round = 0; round < 40; ++round) {
            AlignedNumbers parent(size), added(size), removed(size), captured(size), weights(size);
            // Whole 16-bit ranges, so that sums wrap; accumulators also near the clamp.
            fillRandomly(parent, random, round % 2 == 0 ? Low : -100, round % 2 == 0 ? High : 400);
            fillRandomly(added, random, Low, High);
            fillRandomly(removed, random, Low, High);
            fillRandomly(captured, random, Low, High);
            fillRandomly(weights, random, -NetMostOutputWeight, NetMostOutputWeight);
            for (const std::int16_t* taken : {static_cast<const std::int16_t*>(nullptr), static_cast<const std::int16_t*>(captured.data())}) {
                AlignedNumbers byPlain(size), byVector(size);
                plain.update(parent.data(), byPlain.data(), hidden, added.data(), removed.data(), taken);
                avx2->update(parent.data(), byVector.data(), hidden, added.data(), removed.data(), taken);
                EXPECT_TRUE(std::equal(byPlain.data(), byPlain.data() + hidden, byVector.data())) << hidden << ' ' << round;
            }
            EXPECT_EQ(plain.weigh(parent.data(), weights.data(), hidden), avx2->weigh(parent.data(), weights.data(), hidden))
                << hidden << ' ' << round;
        }
    }
}

TEST_F(NetKernels, TheLargestSumsAreExact) {
    // Every activation at its top and every weight at its clip: far past 32 bits.
    constexpr std::int64_t Largest = std::int64_t{NetMostHidden} * NetActivationTop * NetActivationTop * NetMostOutputWeight;
    static_assert(Largest > std::numeric_limits<std::int32_t>::max());
    for (const int weight : {NetMostOutputWeight, -NetMostOutputWeight}) {
        AlignedNumbers accumulator(NetMostHidden), weights(NetMostHidden);
        std::fill_n(accumulator.data(), NetMostHidden, std::int16_t{30000});
        std::fill_n(weights.data(), NetMostHidden, static_cast<std::int16_t>(weight));
        const std::int64_t expected = weight > 0 ? Largest : -Largest;
        EXPECT_EQ(plainKernels().weigh(accumulator.data(), weights.data(), NetMostHidden), expected);
        if (const Kernels* avx2 = avx2Kernels()) {
            EXPECT_EQ(avx2->weigh(accumulator.data(), weights.data(), NetMostHidden), expected);
        }
    }
}

TEST_F(NetKernels, TheSameAccumulatorsAndEvaluationsAlongGames) {
    const Kernels* avx2 = avx2Kernels();
    if (avx2 == nullptr) GTEST_SKIP() << "the processor has no AVX2";
    const std::unique_ptr<Net> net = engineNet(randomNet(256, 8, {.weight = 400, .bias = 1000, .output = 127, .outputBias = 30000}));
    ASSERT_TRUE(net);
    constexpr int Plies = 80;
    int positions = 0;
    for (unsigned seed = 1; seed <= 5; ++seed) {
        AccumulatorStack byPlain(plainKernels()), byVector(*avx2);
        byPlain.use(net.get(), Plies + 1);
        byVector.use(net.get(), Plies + 1);
        Game game;
        byPlain.refresh(0, game.board);
        byVector.refresh(0, game.board);
        std::mt19937 random(seed);
        for (int slot = 0; slot < Plies; ++slot) {
            MoveList moves;
            game.lawyer.generateMoves(moves, true);
            if (moves.empty()) break;
            Move m = moves[std::uniform_int_distribution<std::size_t>(0, moves.size() - 1)(random)];
            byPlain.defer(slot, game.board, m);
            byVector.defer(slot, game.board, m);
            game.board.makeMove(m);
            const int side = game.board.sideToMove();
            ASSERT_EQ(byPlain.evaluate(slot + 1, side), byVector.evaluate(slot + 1, side)) << game.board.toFen();
            for (int perspective : {Red, Blue})
                ASSERT_TRUE(std::equal(byPlain.accumulator(slot + 1, perspective), byPlain.accumulator(slot + 1, perspective) + 256,
                                       byVector.accumulator(slot + 1, perspective)))
                    << game.board.toFen();
            ++positions;
        }
    }
    EXPECT_GT(positions, 300);
}

}  // namespace
}  // namespace qorat::testing
