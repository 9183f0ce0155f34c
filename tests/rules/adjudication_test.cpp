// Insufficient material, perpetual check and perpetual chase, played out on real sequences.
#include <gtest/gtest.h>

#include "rules_test_support.h"

namespace qorat {
namespace {

using testing::Game;

class Adjudication : public ::testing::Test {
protected:
    void SetUp() override { fillKeyTables(11); }
};

struct State {
    std::string fen;
    std::uint64_t key1, key2;
    std::vector<Lawyer::KeyPair> record;
    std::size_t plies;
    explicit State(const Game& g)
        : fen(g.board.toFen()), key1(g.board.key1()), key2(g.board.key2()), record(g.lawyer.keyRecord()),
          plies(g.board.history().size()) {}
    bool operator==(const State& o) const {
        return fen == o.fen && key1 == o.key1 && key2 == o.key2 && record == o.record && plies == o.plies;
    }
};

struct VerdictCase {
    const char* what;
    const char* fen;
    std::vector<const char*> moves;
    int verdict;
};

// Plays the moves one by one and asks for the verdict after each; all but the last give none.
void expectVerdicts(const VerdictCase& c, int (Lawyer::*rule)()) {
    Game game(c.fen);
    for (std::size_t i = 0; i < c.moves.size(); ++i) {
        ASSERT_TRUE(game.play({c.moves[i]})) << c.what << ": " << c.moves[i];
        ASSERT_EQ(game.lawyer.keyRecord().size(), game.board.history().size());
        const State before(game);
        const int verdict = (game.lawyer.*rule)();
        EXPECT_TRUE(State(game) == before) << c.what << " after " << c.moves[i];
        EXPECT_EQ(verdict, i + 1 == c.moves.size() ? c.verdict : NoSide) << c.what << " after " << c.moves[i];
    }
}

TEST_F(Adjudication, PerpetualCheck) {
    const std::vector<const char*> shuttle = {"f1e1", "e9d9", "e1d1", "d9e9", "d1e1", "e9d9", "e1d1"};
    const VerdictCase cases[] = {
        {"a rook checking to and fro", "4k4/9/9/9/9/9/9/9/5R3/5K3 r", shuttle, Blue},
        {"a capture inside the checks", "4k4/9/9/9/9/9/9/9/3p1R3/5K3 r", shuttle, NoSide},
        {"captures that cancel in value", "3Ck4/9/9/9/9/9/9/9/3c1R3/5K3 r", shuttle, Blue},
        {"two different checking pieces", "4k4/R8/7H1/9/9/9/9/9/9/5K3 r",
         {"a8a9", "e9e8", "h7g9", "e8d8", "a9a8", "d8d9", "a8a9"}, NoSide},
        {"checks by one piece that never repeat a position", "4k4/9/9/9/9/9/9/9/R8/3K5 r",
         {"a1a9", "e9e8", "a9a8", "e8e7", "a8a7", "e7e8", "a7e7"}, NoSide},
    };
    for (const VerdictCase& c : cases) expectVerdicts(c, &Lawyer::perpetualCheck);
}

TEST_F(Adjudication, PerpetualChase) {
    const std::vector<const char*> chase = {"c3e4", "g5h5", "e4f6", "h5g5", "f6e4"};
    const VerdictCase cases[] = {
        {"a horse chasing an unprotected rook", "3k5/9/9/9/6r2/9/2H6/9/9/4K4 r", chase, Blue},
        {"the rook protected where it flees to", "3k3r1/9/9/9/6r2/9/2H6/9/9/4K4 r", chase, NoSide},
        {"the rook protected where it stands", "3k2r2/9/9/9/6r2/9/2H6/9/9/4K4 r", chase, NoSide},
        {"checks are not a chase", "4k4/9/9/9/9/9/9/9/5R3/5K3 r", {"f1e1", "e9d9", "e1d1", "d9e9", "d1e1"}, NoSide},
    };
    for (const VerdictCase& c : cases) expectVerdicts(c, &Lawyer::perpetualChase);
}

TEST_F(Adjudication, CycleLoser) {
    // The last four plies of each sequence bring back the position they started from; the
    // verdict is the rule's, as if the cycle went on, from whichever side's move it is judged.
    struct Case {
        const char* what;
        const char* fen;
        std::vector<const char*> moves;
        int loser;
    };
    const Case cases[] = {
        {"a rook checking to and fro", "4k4/9/9/9/9/9/9/9/5R3/5K3 r", {"f1e1", "e9d9", "e1d1", "d9e9", "d1e1"}, Red},
        {"Blue's rook checking", "5k3/5r3/9/9/9/9/9/9/9/4K4 b", {"f8e8", "e0d0", "e8d8", "d0e0", "d8e8"}, Blue},
        {"a horse chasing an unprotected rook", "3k5/9/9/9/6r2/9/2H6/9/9/4K4 r",
         {"c3e4", "g5h5", "e4f6", "h5g5", "f6e4"}, Red},
        {"the same chase, after the chased side's move", "3k5/9/9/9/6r2/9/2H6/9/9/4K4 r",
         {"c3e4", "g5h5", "e4f6", "h5g5", "f6e4", "g5h5"}, Red},
        {"the chased rook protected", "3k2r2/9/9/9/6r2/9/2H6/9/9/4K4 r",
         {"c3e4", "g5h5", "e4f6", "h5g5", "f6e4"}, NoSide},
        {"both sides shuffling", "3k5/9/9/9/9/9/9/9/9/R3K4 r", {"a0a1", "d9d8", "a1a0", "d8d9", "a0a1"}, NoSide},
    };
    for (const Case& c : cases) {
        Game game(c.fen);
        for (const char* m : c.moves) ASSERT_TRUE(game.play({m})) << c.what << ": " << m;
        const auto& keys = game.lawyer.keyRecord();
        ASSERT_EQ(keys.back(), keys[keys.size() - 5]) << c.what;
        const State before(game);
        EXPECT_EQ(game.lawyer.cycleLoser(4), c.loser) << c.what;
        EXPECT_TRUE(State(game) == before) << c.what;
    }
}

TEST_F(Adjudication, InsufficientMaterial) {
    struct Case {
        const char* fen;
        bool drawn;
    };
    const Case cases[] = {
        {"4k4/9/9/9/9/9/9/9/9/4K4 r", true},
        {"2eakae2/9/9/9/9/9/9/9/9/2EAKAE2 b", true},
        {"2eakae2/9/9/9/9/9/9/9/9/2EAKAEP1 r", false},
        {"4k4/9/9/9/9/p8/9/9/9/4K4 r", false},
        {"4k4/9/9/9/9/9/9/9/9/3CK4 r", false},
        {"3rk4/9/9/9/9/9/9/9/9/4K4 r", false},
        {"4k4/9/9/9/9/9/9/9/9/3HK4 b", false},
        {startPositionFen.c_str(), false},
    };
    for (const Case& c : cases) {
        Game game(c.fen);
        game.lawyer.message = "unchanged";
        EXPECT_EQ(game.lawyer.insufficientMaterial(), c.drawn) << c.fen;
        EXPECT_EQ(game.lawyer.message, c.drawn ? "Insufficient material" : "unchanged") << c.fen;
    }
}

TEST_F(Adjudication, KeyRecordFollowsTheHistory) {
    Game game;
    ASSERT_TRUE(game.play({"h2e2", "h9g7"}));
    ASSERT_EQ(game.lawyer.keyRecord().size(), 2u);
    EXPECT_EQ(game.lawyer.keyRecord().back(), Lawyer::KeyPair(game.board.key1(), game.board.key2()));
    game.board.unmakeMove();
    EXPECT_EQ(game.lawyer.keyRecord().size(), 1u);
    game.board.notifyObservers(GameOver);
    EXPECT_EQ(game.lawyer.keyRecord().size(), 1u);
    game.board.reset();
    EXPECT_TRUE(game.lawyer.keyRecord().empty());
}

}  // namespace
}  // namespace qorat
