// Move generation order and perft counts against an independent generator.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "rules/perft.h"
#include "rules_test_support.h"

namespace qorat {
namespace {

using testing::Game;

std::vector<std::string> texts(const MoveList& moves) {
    std::vector<std::string> out;
    for (const Move& m : moves) out.push_back(moveText(m));
    return out;
}

class MoveGeneration : public ::testing::Test {
protected:
    void SetUp() override { fillKeyTables(7); }
};

TEST_F(MoveGeneration, StartPositionOrder) {
    Game game;
    MoveList pseudo, legal;
    game.lawyer.generateMoves(pseudo, false);
    game.lawyer.generateMoves(legal, true);
    ASSERT_EQ(pseudo.size(), 44u);
    EXPECT_EQ(texts(pseudo), texts(legal));
    const auto all = texts(pseudo);
    EXPECT_EQ(std::vector<std::string>(all.begin(), all.begin() + 5),
              (std::vector<std::string>{"a3a4", "c3c4", "e3e4", "g3g4", "i3i4"}));
    // Cannons (24), rooks (4), horses (4), elephants (4), advisors (2), king (1).
    EXPECT_EQ(all[5], "b2a2");
    EXPECT_EQ(all[29], "a0a1");
    EXPECT_EQ(all[33], "b0c2");
    EXPECT_EQ(all[37], "c0a2");
    EXPECT_EQ(all[41], "d0e1");
    EXPECT_EQ(all[43], "e0e1");
}

TEST_F(MoveGeneration, PieceStepOrders) {
    struct Case {
        const char* fen;
        int square;
        std::vector<std::string> moves;
    };
    const Case cases[] = {
        // A crossed pawn: right, forward, left for Red; left, forward, right for Blue.
        {"3k5/9/9/4P4/9/9/9/9/9/4K4 r", 31, {"e6f6", "e6e7", "e6d6"}},
        {"3k5/9/9/9/9/4p4/9/9/9/4K4 b", 49, {"e4d4", "e4e3", "e4f4"}},
        // An uncrossed pawn only goes forward.
        {"3k5/9/9/9/9/9/4P4/9/9/4K4 r", 58, {"e3e4"}},
        // A horse with its upper leg blocked.
        {"3k5/9/9/9/9/4P4/4H4/9/9/4K4 r", 58, {"e3g4", "e3c4", "e3c2", "e3g2", "e3d1", "e3f1"}},
        // An elephant with one eye blocked never crosses the river.
        {"3k5/9/9/9/9/2E6/3P5/9/9/4K4 r", 47, {"c4a2"}},
        // Cannon: quiet moves before the screen, the capture after it, rays left, up, down, right.
        {"3k5/9/9/9/4r4/4P4/9/4C4/9/4K4 r", 67,
         {"e2d2", "e2c2", "e2b2", "e2a2", "e2e3", "e2e5", "e2e1", "e2f2", "e2g2", "e2h2", "e2i2"}},
        // Kings facing on an open file: the capture comes after the steps.
        {"4k4/9/9/9/9/9/9/9/9/4K4 r", 85, {"e0d0", "e0e1", "e0f0", "e0e9"}},
    };
    for (const Case& c : cases) {
        Game game(c.fen);
        MoveList moves;
        game.lawyer.generatePieceMoves(moves, c.square, false);
        EXPECT_EQ(texts(moves), c.moves) << c.fen;
    }
}

TEST_F(MoveGeneration, HorseLegDecidesTheCornerCapture) {
    const auto capturesCorner = [](const char* fen) {
        Game game(fen);
        MoveList moves;
        game.lawyer.generatePieceMoves(moves, 11, true);
        for (const Move& m : moves)
            if (m.to == 0) return m.captured == makePiece(Blue, Rook);
        return false;
    };
    EXPECT_TRUE(capturesCorner("r2k5/2H6/9/9/9/9/9/9/9/4K4 r"));
    EXPECT_FALSE(capturesCorner("r2k5/1pH6/9/9/9/9/9/9/9/4K4 r"));
}

TEST_F(MoveGeneration, LegalListsCarryCaptures) {
    Game game;
    MoveList moves;
    game.lawyer.generatePieceMoves(moves, 70, true);
    int captures = 0;
    for (const Move& m : moves) captures += m.captured != 0;
    EXPECT_EQ(captures, 1);  // h2h9 takes the horse
    MoveList pseudo;
    game.lawyer.generatePieceMoves(pseudo, 70, false);
    for (const Move& m : pseudo) EXPECT_EQ(m.captured, 0);
    MoveList none;
    game.lawyer.generatePieceMoves(none, 40, true);
    EXPECT_TRUE(none.empty());
}

// Positions along a few seeded random games, for checks that hold in every position.
std::vector<std::string> walkPositions() {
    std::vector<std::string> fens;
    std::uint32_t seed = 12345;
    for (const char* start : {startPositionFen.c_str(), "2eak4/4a4/4e4/p5p1p/2h6/6C2/P3P3P/4E4/4A4/2EAK4 r",
                              "r1eakae2/4h4/1ch3h1c/p1p1p3p/6p2/2P6/P3P1P1P/1C2C1H2/9/RHEAKAE1R r"}) {
        Game game(start);
        for (int ply = 0; ply < 60; ++ply) {
            fens.push_back(game.board.toFen());
            MoveList legal;
            game.lawyer.generateMoves(legal, true);
            if (legal.empty()) break;
            seed = seed * 1103515245u + 12345u;
            Move m = legal[(seed >> 16) % legal.size()];
            game.board.makeMove(m);
        }
    }
    return fens;
}

TEST_F(MoveGeneration, CapturesAndQuietsSplitThePseudoLegalMoves) {
    for (const std::string& fen : walkPositions()) {
        Game game(fen);
        MoveList all, captures, quiets;
        game.lawyer.generateMoves(all, false);
        game.lawyer.generateCaptures(captures);
        game.lawyer.generateQuiets(quiets);
        std::multiset<std::string> split;
        for (const Move& m : captures) {
            EXPECT_NE(game.board.piece(m.to), Empty) << fen << ' ' << moveText(m);
            split.insert(moveText(m));
        }
        for (const Move& m : quiets) {
            EXPECT_EQ(game.board.piece(m.to), Empty) << fen << ' ' << moveText(m);
            split.insert(moveText(m));
        }
        const auto listed = texts(all);
        EXPECT_EQ(split, std::multiset<std::string>(listed.begin(), listed.end())) << fen;
        // Every generated move is pseudo-legal, and so is nothing else from the same squares.
        for (const Move& m : all) EXPECT_TRUE(game.lawyer.isPseudoLegal(m)) << fen << ' ' << moveText(m);
        for (int from = 0; from < BoardSquares; ++from)
            for (int to = 0; to < BoardSquares; ++to) {
                const Move m{from, to, 0};
                if (split.count(moveText(m)) == 0) {
                    EXPECT_FALSE(game.lawyer.isPseudoLegal(m)) << fen << ' ' << moveText(m);
                }
            }
    }
}

TEST_F(MoveGeneration, CheapestAttackerIsTheCheapestCapture) {
    // Against the captures generated: on every enemy piece but the king, the attacker given is
    // of the cheapest type that has a capture there, and there is one exactly when it says so.
    const int worth[] = {0, 1, 4, 6, 3, 2, 2, 7};
    for (const std::string& fen : walkPositions()) {
        Game game(fen);
        MoveList captures;
        game.lawyer.generateCaptures(captures);
        const int side = game.board.sideToMove();
        for (int square = 0; square < BoardSquares; ++square) {
            const int victim = game.board.piece(square);
            if (victim == Empty || colourOf(victim) == side || typeOf(victim) == King) continue;
            int cheapest = 0;
            for (const Move& m : captures) {
                const int w = worth[typeOf(game.board.piece(m.from))];
                if (m.to == square && (cheapest == 0 || w < cheapest)) cheapest = w;
            }
            const int from = game.lawyer.cheapestAttacker(square, side);
            EXPECT_EQ(from < 0 ? 0 : worth[typeOf(game.board.piece(from))], cheapest) << fen << " on " << square;
        }
    }
}

struct PerftCase {
    const char* fen;
    std::array<std::uint64_t, 4> counts;
};

const PerftCase perftCases[] = {
#include "perft_positions.inc"
};

TEST_F(MoveGeneration, PerftMatchesReferenceCounts) {
    for (const PerftCase& c : perftCases) {
        Game game;
        ASSERT_TRUE(game.board.setFen(c.fen)) << c.fen;
        const std::string before = game.board.toFen();
        for (int depth = 1; depth <= 3; ++depth) {
            if (c.counts[depth - 1] == 0) continue;
            EXPECT_EQ(perft(game.board, game.lawyer, depth), c.counts[depth - 1]) << c.fen << " depth " << depth;
        }
        EXPECT_EQ(game.board.toFen(), before);
        EXPECT_TRUE(game.board.history().empty());
        EXPECT_TRUE(game.lawyer.keyRecord().empty());
    }
}

}  // namespace
}  // namespace qorat
