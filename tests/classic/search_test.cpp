// The search: null moves and their verification, lines and their tags, the two move loops
// on illegal moves, stops, and tactics found under every search setting.
#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>
#include <vector>

#include "engine_test_support.h"
#include "eval/evaluator.h"

namespace qorat {
namespace {

using testing::EngineGame;

// Blue to move without a single pseudo-legal move: its pawns cannot step out of its palace rows.
const char* const noMovesFen = "3kp4/3p5/9/9/9/9/9/9/9/5K3 b";
// Blue to move; each king step walks into a rook or the pawn.
const char* const allIllegalFen = "4k4/9/4P4/9/9/9/3R1R3/9/9/4K4 b";
// Red to move, two rooks up.
const char* const crushingFen = "3k5/9/9/9/9/9/9/9/4R4/R3K4 r";
// Red mates with a0a9.
const char* const mateInOneFen = "4k4/7R1/9/9/9/9/9/9/9/R2K5 r";
// Red wins the Blue rook on a5; the pawn on e4 is poisoned.
const char* const hangingRookFen = "3k5/9/9/9/r8/4p4/9/3H5/9/R3K4 r";

Line lineOf(const char* text) {
    Line line;
    line.push_back({parseMove(text)});
    return line;
}

// What a search must leave as it found it. Captures taken back may reorder the piece lists,
// so those are compared as sets.
struct Position {
    std::string fen;
    std::uint64_t key1, key2;
    std::vector<std::tuple<int, int, int>> history;
    std::vector<Lawyer::KeyPair> keyRecord;
    std::vector<std::vector<int>> pieces;

    Position(const Board& board, const Lawyer& lawyer)
        : fen(board.toFen()), key1(board.key1()), key2(board.key2()), keyRecord(lawyer.keyRecord()) {
        for (const Move& m : board.history()) history.emplace_back(m.from, m.to, m.captured);
        for (int side : {Red, Blue}) {
            for (int type = Pawn; type <= King; ++type) {
                const SquareList& list = board.pieces(side, type);
                std::vector<int> squares(list.begin(), list.end());
                std::sort(squares.begin(), squares.end());
                pieces.push_back(squares);
            }
        }
    }
    bool operator==(const Position&) const = default;
};

class Search : public testing::EngineTest {};

TEST_F(Search, NullMoveIsNeverTriedAtTheRootNorCloseToVerifiedLeaves) {
    struct Case {
        const char* what;
        int ply;
        int depth;
        const char* verifynull;
        bool tried;
    };
    const Case cases[] = {
        {"root, unverified", 0, 1, "off", false},
        {"root, verified, three plies left", 0, 3, "on", false},
        {"ply 1, unverified, one ply left", 1, 2, "off", true},
        {"ply 1, verified, two plies left", 1, 3, "on", false},
        {"ply 1, verified, three plies left", 1, 4, "on", true},
    };
    for (const Case& c : cases) {
        std::int64_t nodes[2];
        for (bool nullmove : {false, true}) {
            EngineGame g;
            options.set("verifynull", c.verifynull);
            options.set("nullmove", nullmove ? "on" : "off");
            g.inside.prepareSearch();
            Line line;
            g.inside.searchNode(line, -Infinity, Infinity, c.ply, c.depth);
            nodes[nullmove] = g.inside.nodeCount();
        }
        EXPECT_EQ(nodes[1] != nodes[0], c.tried) << c.what;
    }
}

TEST_F(Search, RootAtDepthOneVisitsEachMoveOnce) {
    EngineGame g;
    options.set("verifynull", "off");
    g.inside.prepareSearch();
    Line line;
    g.inside.searchNode(line, -Infinity, Infinity, 0, 1);
    EXPECT_EQ(g.inside.nodeCount(), 1 + 44);
    EXPECT_EQ(line.size(), 1u);
}

TEST_F(Search, VerifiedNullMoveFailHighSearchesTwoPliesShorter) {
    EngineGame verified(crushingFen);
    verified.inside.prepareSearch();
    Line line = lineOf("d8d9");
    const int score = verified.inside.searchNode(line, -100, -99, 1, 5);
    EXPECT_GE(score, -99);
    const HashEntry e = verified.inside.table().lookup(verified.board());
    EXPECT_EQ(e.bound, LowerBound);
    EXPECT_EQ(e.depth, 5 - 2 - 1);
    EXPECT_GT(line.size(), 1u);
    EXPECT_EQ(line[0].tag, NoTag);
}

TEST_F(Search, FailedVerificationSearchesAgainOnePlyShort) {
    // Blue may pass safely, but its only legal move loses the pawn and then the game.
    EngineGame g("4k4/9/4P4/p8/9/9/3R1R3/9/9/R3K4 b");
    g.inside.prepareSearch();
    const int standing = evaluator.evaluate(g.board(), g.lawyer());
    Line line = lineOf("a1a0");
    const int score = g.inside.searchNode(line, standing - 1, standing, 1, 5);
    EXPECT_LT(score, standing - 1);
    const HashEntry e = g.inside.table().lookup(g.board());
    EXPECT_EQ(e.bound, UpperBound);
    EXPECT_EQ(e.depth, 5 - 1 - 1);
    EXPECT_EQ(moveText(unpackMove(e.move)), "a6a5");
}

TEST_F(Search, UnverifiedNullMoveFailHighCutsAtOnce) {
    EngineGame g(crushingFen);
    options.set("verifynull", "off");
    g.inside.prepareSearch();
    Line line = lineOf("d8d9");
    const int score = g.inside.searchNode(line, -100, -99, 1, 5);
    EXPECT_GT(score, -99);
    ASSERT_EQ(line.size(), 1u);
    EXPECT_EQ(line[0].tag, NullMoveCut);
    EXPECT_EQ(g.inside.table().lookup(g.board()).bound, NoBound);
}

TEST_F(Search, SideWithoutAnyMoveIsMated) {
    for (const char* algorithm : {"alphabeta", "negascout"}) {
        EngineGame g(noMovesFen);
        options.set("search", algorithm);
        g.inside.prepareSearch();
        Line line = lineOf("f1f0");
        EXPECT_EQ(g.inside.searchNode(line, -500, 500, 3, 5), 3 - MateScore) << algorithm;
        ASSERT_EQ(line.size(), 1u);
        EXPECT_EQ(line[0].tag, NoMoveLeft) << algorithm;
    }
}

TEST_F(Search, OnlyIllegalMovesUnderEachLoop) {
    struct Case {
        const char* algorithm;
        int score;
    };
    // Either loop scores the lack of a legal move as a mate this far from the root.
    const Case cases[] = {{"alphabeta", 1 - MateScore}, {"negascout", 1 - MateScore}};
    for (const Case& c : cases) {
        EngineGame g(allIllegalFen);
        options.set("search", c.algorithm);
        g.inside.prepareSearch();
        Line line = lineOf("e6e7");
        EXPECT_EQ(g.inside.searchNode(line, -500, 500, 1, 3, false), c.score) << c.algorithm;
        ASSERT_EQ(line.size(), 1u) << c.algorithm;
        EXPECT_EQ(line[0].tag, NoTag) << c.algorithm;
    }
}

TEST_F(Search, MoveThatLeavesTheKingToBeTakenIsTagged) {
    // Red to move can take the Blue king: the Blue move that led here was illegal.
    EngineGame g("3k5/9/9/9/9/9/9/9/9/3RK4 r");
    g.inside.prepareSearch();
    Line line = lineOf("d8d9");
    EXPECT_EQ(g.inside.searchNode(line, -500, 500, 2, 4), Infinity);
    EXPECT_EQ(line[0].tag, KingCapture);
}

TEST_F(Search, LeafScoresStaticallyLessThePly) {
    EngineGame g;
    options.set("search", "alphabeta");
    g.inside.prepareSearch();
    Line line;
    EXPECT_EQ(g.inside.searchNode(line, -Infinity, Infinity, 5, 5), evaluator.evaluate(g.board(), g.lawyer()) - 5);
    EXPECT_TRUE(line.empty());
}

TEST_F(Search, PendingStopReturnsAtOnce) {
    EngineGame g;
    g.input.arrivesAt = 1;
    g.inside.prepareSearch();
    Line line = lineOf("h2e2");
    EXPECT_EQ(g.inside.searchNode(line, -Infinity, Infinity, 0, 3), -Infinity);
    EXPECT_EQ(g.inside.abortReason(), 2);
    EXPECT_EQ(g.inside.searchNode(line, -Infinity, Infinity, 0, 3), 0);
    EXPECT_EQ(g.input.calls, 1);
    EXPECT_EQ(g.inside.nodeCount(), 0);
    EXPECT_EQ(line.size(), 1u);
    EXPECT_EQ(line[0].tag, NoTag);
}

struct Setting {
    const char* search;
    const char* quiescence;
};
const Setting everySetting[] = {
    {"alphabeta", "off"}, {"alphabeta", "on"}, {"mtd", "off"}, {"mtd", "on"}, {"negascout", "off"}, {"negascout", "on"},
};

Move bestMove(EngineGame& g, const Setting& s, const char* depth) {
    options.set("search", s.search);
    options.set("quiescence", s.quiescence);
    options.set("searchPly", depth);
    g.engine->think();
    EXPECT_TRUE(g.engine->moveReady());
    return g.engine->takeMove();
}

TEST_F(Search, FindsMateInOneUnderEverySetting) {
    for (const Setting& s : everySetting) {
        EngineGame g(mateInOneFen);
        Move m = bestMove(g, s, "3");
        ASSERT_TRUE(g.lawyer().isLegal(m)) << s.search << ' ' << s.quiescence;
        g.board().makeMove(m);
        MoveList replies;
        g.lawyer().generateMoves(replies, true);
        EXPECT_TRUE(replies.empty()) << s.search << ' ' << s.quiescence << ' ' << moveText(m);
        EXPECT_TRUE(g.lawyer().inCheck(-1)) << s.search << ' ' << s.quiescence;
    }
}

TEST_F(Search, WinsTheHangingRookUnderEverySetting) {
    for (const Setting& s : everySetting) {
        EngineGame g(hangingRookFen);
        EXPECT_EQ(moveText(bestMove(g, s, "4")), "a0a5") << s.search << ' ' << s.quiescence;
    }
}

TEST_F(Search, PositionIsUnchangedAfterEverySearch) {
    struct Case {
        const char* what;
        std::vector<std::pair<const char*, const char*>> settings;
        long inputAt;
    };
    const Case cases[] = {
        {"defaults", {}, 0},
        {"quiescence with its null move", {{"quiescence", "on"}, {"qnull", "on"}}, 0},
        {"negascout with quiescence", {{"search", "negascout"}, {"quiescence", "on"}}, 0},
        {"alphabeta, one search", {{"search", "alphabeta"}, {"iterative", "off"}}, 0},
        {"no verification, hashadjust", {{"verifynull", "off"}, {"hashadjust", "on"}}, 0},
        {"interrupted by input", {{"quiescence", "on"}}, 3},
    };
    struct Start {
        const char* fen;
        std::initializer_list<const char*> moves;
    };
    const Start starts[] = {
        {startPositionFen.c_str(), {"h2e2", "h9g7", "h0g2"}},
        {hangingRookFen, {}},
        {"2eak4/4a4/4e4/p5p1p/2h6/6C2/P3P3P/4E4/4A4/2EAK4 r", {"g4g5", "c5d3"}},
    };
    for (const Case& c : cases) {
        for (const auto& [fen, moves] : starts) {
            EngineGame g(fen);
            ASSERT_TRUE(g.game.play(moves)) << fen;
            for (const auto& [name, value] : c.settings) options.set(name, value);
            options.set("searchPly", "3");
            g.input.arrivesAt = c.inputAt;
            const Position before(g.board(), g.lawyer());
            g.engine->think();
            EXPECT_TRUE(Position(g.board(), g.lawyer()) == before) << c.what << ' ' << fen;
            EXPECT_EQ(g.engine->isThinking(), c.inputAt != 0) << c.what << ' ' << fen;
        }
    }
}

TEST_F(Search, RepetitionsAreJudgedAsTheRulesWould) {
    struct Case {
        const char* what;
        const char* fen;
        std::initializer_list<const char*> moves;
        int sign;  // of the score for the side to move: 1 won, -1 lost, 0 drawn
    };
    const Case cases[] = {
        {"the opponent checked throughout", "4k4/9/9/9/9/9/9/9/5R3/5K3 r", {"f1e1", "e9d9", "e1d1", "d9e9", "d1e1"}, 1},
        {"we checked throughout", "4k4/9/9/9/9/9/9/9/5R3/5K3 r", {"f1e1", "e9d9", "e1d1", "d9e9", "d1e1", "e9d9"}, -1},
        {"nobody checked", "3k5/9/9/9/9/9/9/9/5R3/4K4 r", {"f1g1", "d9d8", "g1f1", "d8d9", "f1g1"}, 0},
        {"the opponent chased an unprotected rook", "3k5/9/9/9/6r2/9/2H6/9/9/4K4 r",
         {"c3e4", "g5h5", "e4f6", "h5g5", "f6e4"}, 1},
    };
    for (const Case& c : cases) {
        EngineGame g(c.fen);
        ASSERT_TRUE(g.game.play(c.moves)) << c.what;
        g.inside.prepareSearch();
        int score = 12345;
        ASSERT_TRUE(g.inside.repetition(2, score)) << c.what;
        EXPECT_EQ(score, c.sign * (PerpetualScore - 2)) << c.what;
    }
    // Four plies that only come back to where they started are no repetition yet.
    EngineGame g("3k5/9/9/9/9/9/9/9/5R3/4K4 r");
    ASSERT_TRUE(g.game.play({"f1g1", "d9d8", "g1f1"}));
    g.inside.prepareSearch();
    int score = 0;
    EXPECT_FALSE(g.inside.repetition(2, score));
}

}  // namespace
}  // namespace qorat
