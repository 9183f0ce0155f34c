// The modern search: mates found and scored by distance, material it will not give away,
// repetitions it avoids when ahead, histories a new game forgets, the position left as it
// was, the clock, and no allocation on its paths.
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>

#include "board/notation.h"
#include "search/modern_search.h"
#include "search/search_test_support.h"

namespace qorat {
namespace {

using testing::Game;

class PvsSearch : public testing::SearchTest {
protected:
    // Searches the position with the modern search to the depth and returns the move.
    static std::string bestMove(const Game& g, int depth) { return moveText(testing::searchToDepth(g, depth).best); }
};

TEST_F(PvsSearch, MatesByTheShortestWay) {
    struct Case {
        const char* fen;
        int plies;  // to mate; negative when the side to move is mated
    };
    // Mates are found by their shortest way beside longer ones, for the side that mates and
    // the side that is mated, and the line shown is as long as the mate.
    const Case cases[] = {
        {"3k5/9/9/9/9/9/9/9/4R4/R3K4 r", 1},
        {"4k4/9/9/9/9/9/9/9/R8/R3K4 r", 1},
        {"3k5/4a4/9/9/9/9/9/9/9/R3K3R r", 3},
        {"5k3/9/9/9/9/9/9/9/2R6/3K5 r", 3},
        // The mate is a stalemate, found beside a longer mate by checks.
        {"4k4/9/9/9/9/9/9/9/9/R2K5 r", 3},
        {"4k4/4a4/9/9/9/9/9/9/9/R2K5 r", 7},
        {"4k4/4a4/9/9/9/9/9/9/9/3RK4 b", -6},
    };
    for (const Case& c : cases) {
        Game g(c.fen);
        const testing::PoolReport done = testing::searchToDepth(g, 10);
        const int plies = std::abs(c.plies);
        EXPECT_EQ(done.score.kind, c.plies > 0 ? SearchScore::Mating : SearchScore::Mated) << c.fen;
        EXPECT_EQ(done.score.value, plies) << c.fen;
        EXPECT_EQ(done.lineLength, plies) << c.fen;
        Move m = done.best;
        EXPECT_TRUE(g.lawyer.isLegal(m)) << c.fen;
    }
}

TEST_F(PvsSearch, SeesPastTheHorizonOfCaptures) {
    // At one ply the rook could take a cannon worth far more than the free pawn, but the
    // cannon is defended by the rook behind it: only the quiescence search sees the recapture.
    Game g("r2ak4/c8/4e4/9/R6p1/9/9/9/9/4K4 r");
    EXPECT_NE(bestMove(g, 1), "a5a8");
}

TEST_F(PvsSearch, QuiescenceTakesWhatIsFreeAndLeavesWhatIsDefended) {
    struct NeverStop : SearchControl {
        bool stopRequested() override { return false; }
    };
    struct Case {
        const char* fen;
        const char* line;  // the captures the quiescence search expects
    };
    const Case cases[] = {
        // A horse no piece defends: taken.
        {"r2ak4/c8/4e4/9/R6h1/9/9/9/9/4K4 r", "a5h5"},
        // A cannon the rook behind it defends: left alone.
        {"r2ak4/c8/4e4/9/R6p1/9/9/9/9/4K4 r", ""},
        // The rook for the cannon that takes it, the horse taking back: still a gain.
        {"4k4/9/1h7/9/2r6/9/2P6/2C6/9/3K5 r", "c2c5 b7c5"},
    };
    for (const Case& c : cases) {
        Game g(c.fen);
        NeverStop never;
        SearchTable table(1);
        ModernSearch search(g.board, g.lawyer, table, never);
        std::array<Move, MaxPly> line;
        const int length = search.quietLine(line);
        std::string text;
        for (int i = 0; i < length; ++i) text += (i ? " " : "") + moveText(line[static_cast<std::size_t>(i)]);
        EXPECT_EQ(text, c.line) << c.fen;
    }
}

TEST_F(PvsSearch, QuiescenceStaysBoundedOnCrowdedBoards) {
    // Every rook attacks many others: without a bound the captures after captures never end,
    // and the search is stopped at the cap instead.
    constexpr int NodeCap = 1'000'000;
    struct StopAtCap : SearchControl {
        int polls = 0;
        bool stopRequested() override { return ++polls > NodeCap; }
    };
    Game g("rrrrkrrrr/rrrrr4/9/9/9/9/9/9/RRRRR4/RRRRKRRRR r");
    StopAtCap cap;
    SearchTable table(1);
    ModernSearch search(g.board, g.lawyer, table, cap);
    std::array<Move, MaxPly> line;
    search.quietLine(line);
    EXPECT_LT(search.nodes(), NodeCap);
}

TEST_F(PvsSearch, ANewGameForgetsWhatTheHistoriesLearnt) {
    // After a new game the histories are those of a search never run: the same position
    // searched again takes the fresh search's nodes, which a search that remembers does not.
    struct NeverStop : SearchControl {
        bool stopRequested() override { return false; }
    };
    const char* const fen = "r1eakae2/4h4/1ch3h1c/p1p1p3p/6p2/2P6/P3P1P1P/1C2C1H2/9/RHEAKAE1R r";
    Game g(fen);
    NeverStop never;
    SearchTable table(1);
    const auto deepen = [&](ModernSearch& search) {
        // The same board, piece lists in the same order, and the same empty table each time:
        // either would steer the search too.
        g.board.setFen(fen);
        table.clear();
        search.newSearch();
        for (int depth = 1, score = 0; depth <= 6; ++depth) score = search.iterate(depth, score);
        return search.nodes();
    };
    ModernSearch fresh(g.board, g.lawyer, table, never);
    const std::int64_t freshNodes = deepen(fresh);
    ModernSearch used(g.board, g.lawyer, table, never);
    EXPECT_EQ(deepen(used), freshNodes);
    EXPECT_NE(deepen(used), freshNodes) << "the histories learnt change the search";
    used.clearHistories();
    EXPECT_EQ(deepen(used), freshNodes);
}

TEST_F(PvsSearch, LeavesThePositionAsItWas) {
    const char* const fens[] = {
        "r1eakae2/4h4/1ch3h1c/p1p1p3p/6p2/2P6/P3P1P1P/1C2C1H2/9/RHEAKAE1R r",
        "2eak4/4a4/4e4/p5p1p/2h6/6C2/P3P3P/4E4/4A4/2EAK4 r",
    };
    for (const char* fen : fens) {
        Game g(fen);
        struct NeverStop : SearchControl {
            bool stopRequested() override { return false; }
        };
        NeverStop never;
        SearchTable table(8);
        ModernSearch search(g.board, g.lawyer, table, never);
        const std::string before = g.board.toFen();
        const auto keys = g.lawyer.keyRecord();
        for (int depth = 1, score = 0; depth <= 6; ++depth) score = search.iterate(depth, score);
        EXPECT_EQ(g.board.toFen(), before);
        EXPECT_EQ(g.lawyer.keyRecord(), keys);
        EXPECT_TRUE(g.board.isConsistent());
        Move m = search.rootLine()[0];
        EXPECT_TRUE(g.lawyer.isLegal(m)) << fen << ' ' << moveText(m);
    }
}

TEST_F(PvsSearch, WithoutTimeTheFirstIterationStillGivesAMove) {
    Game g;
    SearchLimits limits;
    limits.depth = 20;
    limits.moveTime = 1;
    const testing::PoolReport done = testing::searchPosition(g, limits);
    Move m = done.best;
    EXPECT_TRUE(g.lawyer.isLegal(m));
    EXPECT_LT(done.depth, 20);
}

TEST_F(PvsSearch, AvoidsAPerpetualItWouldLose) {
    // Blue is a horse and two pawns up, and its king can only shuttle between e9 and d9 under
    // the rook's checks. The checks have gone round twice: were a repetition a draw, checking
    // on would be Red's best, but by the rule the side that checks throughout loses, so Red
    // plays on the worse off instead of d1e1.
    Game g("r3k4/9/9/9/h8/9/p7p/9/5R3/5K3 r");
    ASSERT_TRUE(g.play({"f1e1", "e9d9", "e1d1", "d9e9", "d1e1", "e9d9", "e1d1", "d9e9"}));
    EXPECT_NE(bestMove(g, 5), "d1e1");
}

TEST_F(PvsSearch, TakesAMateRatherThanForfeitByTheRule) {
    // Red's rook and pawn mate Blue's bare king unless its rook checks for ever; the checks
    // have gone round once. Mated or forfeiting, Blue loses either way, but only the mate asks
    // anything of Red: Blue breaks off the checks rather than repeat them.
    Game g("6R2/5k3/4P4/9/9/6P2/8P/9/9/3AKr3 r");
    ASSERT_TRUE(g.play({"e0e1", "f0f1", "e1e0", "f1f0", "e0e1", "f0f1", "e1e0"}));
    EXPECT_NE(bestMove(g, 6), "f1f0");
}

}  // namespace
}  // namespace qorat
