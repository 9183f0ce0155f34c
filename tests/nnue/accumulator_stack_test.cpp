// The accumulators kept move by move: along random walks of moves made, passes and moves
// taken back, asked for only now and then, they are always those worked out from scratch.
#include <gtest/gtest.h>

#include <random>

#include "nnue/accumulator_stack.h"
#include "nnue_test_support.h"

namespace qorat::testing {
namespace {

class AccumulatorStackTest : public NetTest {};

TEST_F(AccumulatorStackTest, IncrementalAccumulatorsEqualThoseFromScratch) {
    const FixtureNet made = randomNet(64, 21, {.weight = 400, .bias = 1000, .output = 127, .outputBias = 30000});
    const std::unique_ptr<Net> net = engineNet(made);
    ASSERT_TRUE(net);
    constexpr int Slots = 40;
    int checked = 0;
    for (unsigned seed = 1; seed <= 8; ++seed) {
        std::mt19937 random(seed);
        const auto chance = [&random](int percent) { return std::uniform_int_distribution<int>(0, 99)(random) < percent; };
        Game game;
        AccumulatorStack stack;
        stack.use(net.get(), Slots);
        stack.refresh(0, game.board);
        int slot = 0;
        for (int step = 0; step < 400; ++step) {
            MoveList moves;
            game.lawyer.generateMoves(moves, true);
            const bool deeper = slot + 1 < Slots && !moves.empty() && (slot == 0 || chance(60));
            if (deeper) {
                // Now and then a pass, as the null move makes, when not in check.
                Move m = !game.lawyer.inCheck(game.board.sideToMove()) && chance(10)
                             ? nullMove
                             : moves[std::uniform_int_distribution<std::size_t>(0, moves.size() - 1)(random)];
                stack.defer(slot, game.board, m);
                game.board.makeMove(m);
                ++slot;
            } else if (slot > 0) {
                game.board.unmakeMove();
                --slot;
            }
            // Asked for only now and then, so that several plies are worked out at once.
            if (chance(30)) {
                ASSERT_TRUE(stack.matches(slot, game.board)) << seed << ' ' << step << ' ' << game.board.toFen();
                ASSERT_EQ(stack.evaluate(slot, game.board.sideToMove()), referenceEvaluation(made, game.board));
                ++checked;
            }
        }
    }
    EXPECT_GT(checked, 500);
}

}  // namespace
}  // namespace qorat::testing
