// The attack test, check, and the reasons a move is refused.
#include <gtest/gtest.h>

#include "rules_test_support.h"

namespace qorat {
namespace {

using testing::Game;

class Attack : public ::testing::Test {
protected:
    void SetUp() override { fillKeyTables(7); }
};

int at(const char* name) { return parseMove(std::string(name) + "a9").from; }

TEST_F(Attack, AttackRules) {
    struct Case {
        const char* what;
        const char* fen;
        const char* square;
        int attacker;
        bool attacked;
    };
    const Case cases[] = {
        {"rook on an open file", "3k5/9/9/9/9/9/9/9/9/R3K4 r", "a9", Red, true},
        {"rook behind a screen", "3k5/9/9/9/9/p8/9/9/9/R3K4 r", "a9", Red, false},
        {"cannon over one screen", "3k5/9/9/9/9/p8/9/9/9/C3K4 r", "a9", Red, true},
        {"cannon over its own screen", "3k5/9/9/9/9/P8/9/9/9/C3K4 r", "a9", Red, true},
        {"cannon over two screens", "3k5/9/9/p8/9/p8/9/9/9/C3K4 r", "a9", Red, false},
        {"cannon next to the square", "3k5/C8/9/9/9/9/9/9/9/4K4 r", "a9", Red, false},
        {"horse with an open leg", "3k5/2H6/9/9/9/9/9/9/9/4K4 r", "a9", Red, true},
        {"horse with a blocked leg", "3k5/1pH6/9/9/9/9/9/9/9/4K4 r", "a9", Red, false},
        {"king along an open file", "4k4/9/9/9/9/9/9/9/9/4K4 r", "e9", Red, true},
        {"king at a distance along a rank", "9/9/9/9/9/9/9/9/9/1p2K4 r", "b0", Red, true},
        {"an uncrossed pawn beside itself", "3k5/9/9/9/9/9/P8/9/9/4K4 r", "b3", Red, true},
        {"a crossed Red pawn forwards", "3k5/9/9/P8/9/9/9/9/9/4K4 r", "a7", Red, true},
        {"a crossed Red pawn never backwards", "3k5/9/9/P8/9/9/9/9/9/4K4 r", "a5", Red, false},
        {"a Blue pawn above the Red king", "9/9/3k5/9/9/9/9/4p4/4K4/9 r", "e1", Blue, true},
        {"a Blue pawn beside the Red king", "9/9/3k5/9/9/9/9/9/3pK4/9 r", "e1", Blue, true},
        {"a Blue pawn below the Red king", "9/9/3k5/9/9/9/9/4K4/4p4/9 r", "e2", Blue, false},
        {"Blue elephant across an open eye", "2ek5/9/4p4/9/9/9/9/9/9/4K4 b", "e7", Blue, true},
        {"Blue elephant with its eye blocked", "2ek5/3p5/4p4/9/9/9/9/9/9/4K4 b", "e7", Blue, false},
        {"Red elephant on its own points", "4k4/9/9/9/9/9/9/4P4/9/2EK5 r", "e2", Red, true},
        {"advisor inside its palace", "4k4/9/9/9/9/9/9/9/4P4/3A1K3 r", "e1", Red, true},
        {"-1 means the other side of the occupant", "4k4/9/9/9/9/9/9/9/9/r3K4 r", "a0", -1, true},
        {"-1 on a Blue piece", "r3k4/9/9/9/9/9/9/9/9/R3K4 r", "a9", -1, true},
    };
    for (const Case& c : cases) {
        Game game(c.fen);
        ASSERT_EQ(game.board.toFen(), c.fen) << c.what;
        EXPECT_EQ(game.lawyer.isAttacked(at(c.square), c.attacker), c.attacked) << c.what;
    }
}

TEST_F(Attack, InCheck) {
    Game game("4k4/9/9/9/9/9/9/9/4r4/3K5 r");
    EXPECT_FALSE(game.lawyer.inCheck(-1));
    Game checked("4k4/9/9/9/9/9/9/9/3r5/3K5 r");
    EXPECT_TRUE(checked.lawyer.inCheck(-1));
    EXPECT_TRUE(checked.lawyer.inCheck(Red));
    EXPECT_FALSE(checked.lawyer.inCheck(Blue));
}

TEST_F(Attack, LegalityAndReasons) {
    struct Case {
        const char* what;
        const char* fen;
        const char* move;
        bool legal;
        const char* message;
    };
    const Case cases[] = {
        {"cannon to the centre", startPositionFen.c_str(), "h2e2", true, ""},
        {"cannon takes the horse", startPositionFen.c_str(), "h2h9", true, ""},
        {"a Blue move on Red's turn", startPositionFen.c_str(), "h7e7", false, ""},
        {"a rook through its own pawn", startPositionFen.c_str(), "a0a4", false, ""},
        {"from an empty square", startPositionFen.c_str(), "e4e5", false, ""},
        {"onto its own piece", startPositionFen.c_str(), "a0a3", false, ""},
        {"no move at all", startPositionFen.c_str(), "h2h2", false, ""},
        {"pinned rook leaves the file", "4k4/9/9/9/9/9/9/4R4/9/4K4 r", "e2d2", false, "moving into check"},
        {"pinned rook along the file", "4k4/9/9/9/9/9/9/4R4/9/4K4 r", "e2e5", true, ""},
        {"ignoring a check", "4k4/9/9/9/9/9/9/9/9/r2K1R3 r", "f0f5", false, "in check"},
        {"a move that leaves the check", "4k4/9/9/9/9/9/9/9/9/r2K1R3 r", "f0f1", false, "in check"},
        {"capturing the checker", "4k4/9/9/9/9/R8/9/9/9/r2K5 r", "a4a0", true, ""},
        {"king steps out of the line", "4k4/9/9/9/9/9/9/9/9/r2K1R3 r", "d0d1", true, ""},
        {"blocking the check", "4k4/9/9/9/9/9/9/9/1R7/r2K5 r", "b1b0", true, ""},
        {"king into the other king's file", "4k4/9/9/9/9/9/9/9/9/3K5 r", "d0e0", false, "moving into check"},
    };
    for (const Case& c : cases) {
        Game game(c.fen);
        const std::string before = game.board.toFen();
        Move m = parseMove(c.move);
        EXPECT_EQ(game.lawyer.isLegal(m), c.legal) << c.what;
        EXPECT_EQ(game.lawyer.message, c.message) << c.what;
        EXPECT_EQ(game.board.toFen(), before) << c.what;
        EXPECT_TRUE(game.board.history().empty()) << c.what;
    }
}

}  // namespace
}  // namespace qorat
