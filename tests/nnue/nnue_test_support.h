// What the net's tests share: positions from random games, the evaluation worked out
// straight from the definitions, and a scratch folder for files.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "board/keys.h"
#include "board/move_list.h"
#include "net_fixture.h"
#include "rules/rules_test_support.h"

namespace qorat::testing {

constexpr unsigned NetKeySeed = 7;

// The positions of a random game from the start, one a ply, until it ends or has that many.
inline std::vector<std::string> randomGame(unsigned seed, int plies) {
    std::mt19937 random(seed);
    Game game;
    std::vector<std::string> positions{game.board.toFen()};
    for (int ply = 0; ply < plies; ++ply) {
        MoveList moves;
        game.lawyer.generateMoves(moves, true);
        if (moves.empty()) break;
        Move m = moves[std::uniform_int_distribution<std::size_t>(0, moves.size() - 1)(random)];
        game.board.makeMove(m);
        positions.push_back(game.board.toFen());
    }
    return positions;
}

// The evaluation for the side to move as the definitions give it, in plain numbers.
inline int referenceEvaluation(const FixtureNet& net, const Board& board) {
    const int toMove = board.sideToMove();
    std::int64_t sum = 0;
    for (int half = 0; half < 2; ++half) {
        const int perspective = half == 0 ? toMove : opponent(toMove);
        for (int i = 0; i < net.hidden; ++i) {
            int accumulator = net.biases[static_cast<std::size_t>(i)];
            for (int square = 0; square < 90; ++square) {
                const int piece = board.piece(square);
                if (piece == Empty) continue;
                const int own = colourOf(piece) == perspective ? 0 : 1;
                const int relative = perspective == Red ? square : (9 - square / 9) * 9 + square % 9;
                accumulator += net.weights[static_cast<std::size_t>((((own * 7) + typeOf(piece) - 1) * 90 + relative) * net.hidden + i)];
            }
            const std::int64_t c = std::clamp(accumulator, 0, 255);
            sum += c * c * net.outputWeights[static_cast<std::size_t>(half * net.hidden + i)];
        }
    }
    const std::int64_t output = sum / 255 + net.outputBias;
    return static_cast<int>(output * 400 / (255 * 64));
}

// Keys drawn the same way for every test; a scratch folder, removed with all it holds.
class NetTest : public ::testing::Test {
protected:
    NetTest() {
        fillKeyTables(NetKeySeed);
        std::string pattern = (std::filesystem::temp_directory_path() / "qorat-nnue-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) folder = pattern;
    }
    ~NetTest() override {
        std::error_code ignored;
        if (!folder.empty()) std::filesystem::remove_all(folder, ignored);
    }

    std::string folder;
};

}  // namespace qorat::testing
