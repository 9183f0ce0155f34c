// The net's evaluation: a net worked out by hand, the definitions' numbers on many positions
// with either set of loops, and the same evaluation for a position and its mirror image with
// the colours swapped.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <sstream>
#include <string>
#include <vector>

#include "nnue/accumulator_stack.h"
#include "nnue_test_support.h"

namespace qorat::testing {
namespace {

class NetEvaluation : public NetTest {};

// The evaluation of the position by a fresh accumulator stack.
int evaluateFresh(const Net& net, const Board& board, const Kernels& kernels) {
    AccumulatorStack stack(kernels);
    stack.use(&net, 1);
    stack.refresh(0, board);
    return stack.evaluate(0, board.sideToMove());
}

// The position turned top to bottom with the colours swapped: the same game for the other side.
std::string mirrored(const std::string& fen) {
    const std::size_t space = fen.find(' ');
    std::vector<std::string> ranks;
    std::istringstream placement(fen.substr(0, space));
    for (std::string rank; std::getline(placement, rank, '/');) ranks.insert(ranks.begin(), rank);
    std::string turned;
    for (const std::string& rank : ranks) turned += (turned.empty() ? "" : "/") + rank;
    for (char& c : turned) {
        const auto letter = static_cast<unsigned char>(c);
        c = static_cast<char>(std::isupper(letter) ? std::tolower(letter) : std::toupper(letter));
    }
    return turned + (fen.substr(space) == " r" ? " b" : " r");
}

TEST_F(NetEvaluation, ANetWorkedOutByHand) {
    // Kings on e0 and e9 and a Red pawn on e3. Both sides' kings have zero rows; the pawn
    // adds 20 to Red's third number (its own pawn on square 58) and 50 to Blue's fourth (a
    // foreign pawn on square 31 as Blue sees it). The biases clamp the first number to 255 and
    // the second to 0.
    FixtureNet made = zeroNet(32);
    made.biases[0] = 300;
    made.biases[1] = -5;
    made.biases[2] = 100;
    made.weight(58, 2) = 20;
    made.weight((7 + 0) * 90 + 31, 3) = 50;
    made.outputWeights[0] = 2;
    made.outputWeights[1] = 100;
    made.outputWeights[2] = -3;
    made.outputWeights[3] = 7;
    made.outputWeights[32 + 0] = 1;
    made.outputWeights[32 + 2] = 5;
    made.outputWeights[32 + 3] = -127;
    // Red: (255^2 * 2 + 120^2 * -3) + (255^2 + 100^2 * 5 + 50^2 * -127) = -115625, over 255
    // -453 toward zero (not -454), times 400 over 16320 -11 (not -12). Blue: (255^2 * 2 +
    // 100^2 * -3 + 50^2 * 7) + (255^2 + 120^2 * 5) = 254575, 998, 24.
    struct Case {
        char side;
        int outputBias;
        int evaluation;
    };
    const Case cases[] = {{'r', 0, -11}, {'b', 0, 24}, {'r', 1000, 13}, {'r', -2000, -60}, {'b', -998, 0}};
    for (const Case& c : cases) {
        made.outputBias = c.outputBias;
        const std::unique_ptr<Net> net = engineNet(made);
        ASSERT_TRUE(net);
        Game game(std::string("4k4/9/9/9/9/9/4P4/9/9/4K4 ") + c.side);
        ASSERT_EQ(game.board.piece(58), makePiece(Red, Pawn));
        EXPECT_EQ(referenceEvaluation(made, game.board), c.evaluation) << c.side << ' ' << c.outputBias;
        EXPECT_EQ(evaluateFresh(*net, game.board, plainKernels()), c.evaluation) << c.side << ' ' << c.outputBias;
        EXPECT_EQ(evaluateFresh(*net, game.board, fastestKernels()), c.evaluation) << c.side << ' ' << c.outputBias;
    }
}

TEST_F(NetEvaluation, GivesTheDefinitionsNumbersOnManyPositions) {
    // Wide weights drive numbers past both ends of the clamp.
    const FixtureNet made = randomNet(64, 3, {.weight = 400, .bias = 1000, .output = 127, .outputBias = 30000});
    const std::unique_ptr<Net> net = engineNet(made);
    ASSERT_TRUE(net);
    int positions = 0;
    for (unsigned seed = 1; seed <= 6; ++seed) {
        for (const std::string& fen : randomGame(seed, 60)) {
            Game game(fen);
            const int expected = referenceEvaluation(made, game.board);
            ASSERT_EQ(evaluateFresh(*net, game.board, plainKernels()), expected) << fen;
            ASSERT_EQ(evaluateFresh(*net, game.board, fastestKernels()), expected) << fen;
            ++positions;
        }
    }
    EXPECT_GT(positions, 200);
}

TEST_F(NetEvaluation, AMirroredPositionWithTheColoursSwappedEvaluatesAlike) {
    const std::unique_ptr<Net> net = engineNet(randomNet(32, 4));
    ASSERT_TRUE(net);
    for (const std::string& fen : randomGame(9, 40)) {
        Game game(fen);
        Game turned(mirrored(fen));
        ASSERT_EQ(turned.board.toFen(), mirrored(fen));
        EXPECT_EQ(evaluateFresh(*net, game.board, plainKernels()), evaluateFresh(*net, turned.board, plainKernels())) << fen;
    }
}

}  // namespace
}  // namespace qorat::testing
