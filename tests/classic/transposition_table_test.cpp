// The transposition table: cuts by remaining depth, the root's exact-only rule, window
// narrowing, the bound stored, replacement and ageing, and the two arrays.
#include <gtest/gtest.h>

#include "engine_test_support.h"

namespace qorat {
namespace {

using testing::EngineGame;

const Move tableMove = parseMove("h2e2");

class Table : public testing::EngineTest {
protected:
    EngineGame g;

    struct Probe {
        bool cut = false;
        int alpha = 0;
        int beta = 0;
        int score = 0;
        Move move;
        bool nullAllowed = true;
    };
    Probe probe(int ply, int depth, int alpha, int beta) {
        Probe p;
        p.alpha = alpha;
        p.beta = beta;
        g.inside.ordering().clearPreferred();
        p.cut = g.inside.probe(ply, depth, p.alpha, p.beta, p.move, p.score, p.nullAllowed);
        return p;
    }
    HashEntry entry() { return g.inside.table().lookup(g.board()); }
};

TEST_F(Table, FreshTableAnswersNothing) {
    const Probe p = probe(3, 6, -100, 100);
    EXPECT_FALSE(p.cut);
    EXPECT_TRUE(g.inside.ordering().preferredMoves().empty());
    EXPECT_EQ(entry().bound, NoBound);
    EXPECT_EQ(entry().depth, -1);
}

TEST_F(Table, CutsOnlyWhenStoredDeeperThanRemaining) {
    g.inside.store(2, 6, -100, 100, 10, tableMove);
    const Probe same = probe(2, 6, -100, 100);
    EXPECT_FALSE(same.cut);
    ASSERT_EQ(g.inside.ordering().preferredMoves().size(), 1u);
    EXPECT_TRUE(g.inside.ordering().preferredMoves()[0].sameSquares(tableMove));
    EXPECT_TRUE(same.move.sameSquares(tableMove));

    const Probe shallower = probe(3, 6, -100, 100);
    EXPECT_TRUE(shallower.cut);
    EXPECT_EQ(shallower.score, 10);
    EXPECT_EQ(g.inside.ordering().preferredMoves().size(), 1u);
}

TEST_F(Table, StoresTheKindOfBound) {
    struct Case {
        int result;
        Bound bound;
    };
    const Case cases[] = {{-101, UpperBound}, {-100, ExactBound}, {99, ExactBound}, {100, LowerBound}, {250, LowerBound}};
    for (const Case& c : cases) {
        g.inside.table().age();
        g.inside.store(1, 5, -100, 100, c.result, tableMove);
        const HashEntry e = entry();
        EXPECT_EQ(e.bound, c.bound) << c.result;
        EXPECT_EQ(e.score, c.result);
        EXPECT_EQ(e.depth, 4);
        EXPECT_EQ(e.move, 70 * 256 + 67);
    }
}

TEST_F(Table, AtTheRootOnlyExactEntriesCut) {
    struct Case {
        int result;
        bool cuts;
    };
    // Stored with the window (-100, 100) and 9 plies to go, probed at the root with 1.
    const Case cases[] = {{-500, false}, {0, true}, {500, false}};
    for (const Case& c : cases) {
        g.inside.table().age();
        g.inside.store(0, 9, -100, 100, c.result, tableMove);
        EXPECT_EQ(probe(0, 1, -3000, 3000).cut, c.cuts) << c.result;
        EXPECT_TRUE(probe(1, 2, -3000, 3000).cut) << c.result;
    }
}

TEST_F(Table, CutReturnsTheStoredScoreWhateverItsBound) {
    g.inside.store(1, 9, -100, 50, 50, tableMove);  // a lower bound of 50
    const Probe p = probe(3, 6, 100, 200);
    EXPECT_TRUE(p.cut);
    EXPECT_EQ(p.score, 50);
    EXPECT_EQ(p.alpha, 100);
    EXPECT_EQ(p.beta, 200);
}

TEST_F(Table, WindowNarrowingWithHashadjust) {
    struct Case {
        const char* what;
        bool hashadjust;
        int result;  // stored with the window (-100, 100)
        int alpha, beta;
        int newAlpha, newBeta;
        bool nullAllowed;
    };
    const Case cases[] = {
        {"upper bound inside lowers beta", true, -150, -200, 0, -200, -150, false},
        {"lower bound inside raises alpha", true, 150, 0, 200, 150, 200, false},
        {"exact inside changes nothing", true, 20, 0, 200, 0, 200, true},
        {"upper bound on the edge changes nothing", true, -150, -150, 0, -150, 0, true},
        {"lower bound outside changes nothing", true, 150, 0, 100, 0, 100, true},
        {"switched off changes nothing", false, -150, -200, 0, -200, 0, true},
    };
    for (const Case& c : cases) {
        options.set("hashadjust", c.hashadjust ? "on" : "off");
        g.inside.table().age();
        g.inside.store(1, 2, -100, 100, c.result, tableMove);
        // Deeper than the entry, so nothing cuts.
        const Probe p = probe(1, 9, c.alpha, c.beta);
        EXPECT_FALSE(p.cut) << c.what;
        EXPECT_EQ(p.alpha, c.newAlpha) << c.what;
        EXPECT_EQ(p.beta, c.newBeta) << c.what;
        EXPECT_EQ(p.nullAllowed, c.nullAllowed) << c.what;
    }
}

TEST_F(Table, UsedEntrySurvivesShallowerStoresUntilAged) {
    g.inside.store(1, 7, -100, 100, 10, tableMove);
    g.inside.store(1, 4, -100, 100, 20, parseMove("b2e2"));
    EXPECT_EQ(entry().depth, 3) << "an unused entry is always replaced";

    g.inside.store(1, 7, -100, 100, 10, tableMove);
    ASSERT_EQ(entry().depth, 6);  // this lookup is a hit
    g.inside.store(1, 4, -100, 100, 20, parseMove("b2e2"));
    EXPECT_EQ(entry().depth, 6);
    g.inside.store(1, 1, -100, 100, 30, parseMove("b2e2"));
    EXPECT_EQ(entry().score, 10);
    g.inside.store(1, 8, -100, 100, 40, parseMove("b2e2"));
    EXPECT_EQ(entry().depth, 7) << "a deeper result replaces a used entry";

    g.inside.table().age();
    g.inside.store(1, 4, -100, 100, 20, parseMove("b2e2"));
    EXPECT_EQ(entry().depth, 3);
    EXPECT_EQ(entry().score, 20);
}

TEST_F(Table, AgedEntriesStillAnswer) {
    g.inside.store(1, 7, -100, 100, 10, tableMove);
    g.inside.table().age();
    EXPECT_TRUE(probe(2, 7, -100, 100).cut);
}

TEST_F(Table, EachSideToMoveHasItsOwnArray) {
    // The start position with Blue to move: the same slot index in the other array.
    testing::Game blue("rheakaehr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RHEAKAEHR b");
    ASSERT_EQ(blue.board.key1() ^ g.board().key1(), RedToMoveKeyBit);
    g.inside.store(1, 5, -100, 100, 11, tableMove);
    HashEntry blueEntry;
    blueEntry.key1 = static_cast<std::uint32_t>(blue.board.key1());
    blueEntry.key2 = static_cast<std::uint32_t>(blue.board.key2());
    blueEntry.bound = ExactBound;
    blueEntry.score = 22;
    blueEntry.depth = 9;
    g.inside.table().insert(blueEntry);
    EXPECT_EQ(g.inside.table().lookup(g.board()).score, 11);
    EXPECT_EQ(g.inside.table().lookup(blue.board).score, 22);
}

TEST_F(Table, SwitchedOffStoresAndProbesNothing) {
    for (const char* qhash : {"on", "off"}) {
        options.set("qhash", qhash);
        options.set("hash", "off");
        g.inside.store(1, 7, -100, 100, 10, tableMove);
        EXPECT_FALSE(probe(3, 4, -100, 100).cut);
        EXPECT_TRUE(g.inside.ordering().preferredMoves().empty());
        options.set("hash", "on");
        EXPECT_FALSE(probe(3, 4, -100, 100).cut) << "nothing was stored";
    }
}

}  // namespace
}  // namespace qorat
