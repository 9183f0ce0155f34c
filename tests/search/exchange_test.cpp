// The static exchange evaluation on positions whose exchanges turn on Xiangqi's own rules:
// cannon screens, horse legs, the king that may not take into an attack.
#include <gtest/gtest.h>

#include "board/notation.h"
#include "rules/rules_test_support.h"
#include "search/exchange.h"

namespace qorat {
namespace {

using testing::Game;

TEST(Exchange, PlaysOutTheCapturesOnTheSquare) {
    struct Case {
        const char* what;
        const char* fen;
        const char* move;
        int value;
    };
    const Case cases[] = {
        {"an undefended pawn", "5k3/9/9/9/4p4/9/9/9/4R4/3K5 r", "e1e5", 100},
        {"a pawn a horse defends", "5k3/9/9/2h6/4p4/9/9/9/4R4/3K5 r", "e1e5", 100 - 900},
        {"the horse's leg blocked", "5k3/9/9/2hc5/4p4/9/9/9/4R4/3K5 r", "e1e5", 100},
        {"a cannon's recapture over a screen", "5k3/4r4/9/9/9/1R2p4/4P4/9/4C4/3K5 r", "b4e4", 100},
        {"no screen, no recapture", "5k3/4r4/9/9/9/1R2p4/9/9/4C4/3K5 r", "b4e4", 100 - 900},
        {"a cannon takes a rook an advisor defends", "3a1k3/4r4/9/9/9/9/4P4/9/4C4/3K5 r", "e1e8", 900 - 450},
        {"the king may not take into the horse's attack", "3ak4/9/2H6/9/9/9/9/9/3R5/5K3 r", "d1d9", 200},
        {"the king takes what nothing else defends", "3ak4/9/9/9/9/9/9/9/3R5/5K3 r", "d1d9", 200 - 900},
        {"a quiet move onto an attacked point", "5k3/9/9/2h6/9/9/9/9/4R4/3K5 r", "e1e5", -900},
    };
    for (const Case& c : cases) {
        fillKeyTables(5);
        Game game(c.fen);
        const std::string before = game.board.toFen();
        const Move m = parseMove(c.move);
        ASSERT_TRUE(game.lawyer.isPseudoLegal(m)) << c.what;
        EXPECT_EQ(staticExchange(game.board, game.lawyer, m), c.value) << c.what;
        EXPECT_EQ(game.board.toFen(), before) << c.what;
        EXPECT_TRUE(game.board.history().empty()) << c.what;
    }
}

}  // namespace
}  // namespace qorat
