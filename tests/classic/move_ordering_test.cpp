// Move ordering: remembered moves, victims and attackers, king moves last, killers, and the
// capture run the quiescence search keeps.
#include <gtest/gtest.h>

#include <vector>

#include "classic/move_ordering.h"
#include "engine_test_support.h"

namespace qorat {
namespace {

using testing::Game;

// Red to move with captures by rook (of rook, cannon, horse), horse (of horse, pawn), pawn
// (of horse) and king (of horse), and quiet moves of each.
const char* const capturesFen = "4k4/9/9/8c/p1h5R/2P6/1H4P2/r8/4h4/R3K4 r";

Move move(const char* text) { return parseMove(text); }

class Ordering : public testing::EngineTest {
protected:
    Game game{capturesFen};
    MoveOrdering ordering{game.board};

    std::vector<std::string> sorted(std::initializer_list<const char*> texts) {
        MoveList list;
        for (const char* text : texts) list.push_back(move(text));
        ordering.sort(list);
        std::vector<std::string> result;
        for (const Move& m : list) result.push_back(moveText(m));
        return result;
    }
};

TEST_F(Ordering, VictimsAttackersAndKingMoves) {
    struct Case {
        const char* what;
        const char* first;
        const char* second;
    };
    const Case cases[] = {
        {"rook takes cannon before horse takes pawn", "i5i6", "b3a5"},
        {"pawn takes horse before rook takes horse", "c4c5", "i5c5"},
        {"rook takes rook before rook takes cannon", "a0a2", "i5i6"},
        {"quiet rook before quiet pawn", "a0a1", "g3g4"},
        {"quiet horse before quiet pawn", "b3c1", "g3g4"},
        {"any capture before a quiet move", "b3a5", "a0a1"},
        {"quiet pawn before a king capture", "g3g4", "e0e1"},
        {"quiet pawn before a quiet king move", "g3g4", "e0d0"},
        {"a king capture before a quiet king move", "e0e1", "e0d0"},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(ordering.moveBefore(move(c.first), move(c.second))) << c.what;
        EXPECT_FALSE(ordering.moveBefore(move(c.second), move(c.first))) << c.what;
    }
}

TEST_F(Ordering, EqualMovesKeepTheirOrder) {
    EXPECT_FALSE(ordering.moveBefore(move("a0a1"), move("a0b0")));
    EXPECT_FALSE(ordering.moveBefore(move("a0b0"), move("a0a1")));
    EXPECT_EQ(sorted({"a0b0", "g3g4", "a0a1", "a0c0"}), (std::vector<std::string>{"a0b0", "a0a1", "a0c0", "g3g4"}));
    EXPECT_EQ(sorted({"a0a1", "a0c0", "a0b0"}), (std::vector<std::string>{"a0a1", "a0c0", "a0b0"}));
}

TEST_F(Ordering, RememberedMovesComeFirstByTheirLastPlace) {
    ordering.prefer(move("g3g4"));
    ordering.prefer(move("a0a1"));
    EXPECT_EQ(sorted({"a0a2", "e0e1", "a0a1", "i5i6", "g3g4"}),
              (std::vector<std::string>{"g3g4", "a0a1", "a0a2", "i5i6", "e0e1"}));
    EXPECT_TRUE(ordering.moveBefore(move("a0a1"), move("a0a2")));
    // Appended again, the first move now ranks by its later place.
    ordering.prefer(move("g3g4"));
    EXPECT_TRUE(ordering.moveBefore(move("a0a1"), move("g3g4")));
    EXPECT_FALSE(ordering.moveBefore(move("g3g4"), move("a0a1")));
    // Only the squares count, not what a move is recorded to have taken.
    EXPECT_TRUE(ordering.moveBefore(Move{move("a0a1").from, move("a0a1").to, 5}, move("a0a2")));
}

TEST_F(Ordering, SortedGeneratedMovesRunFromBestCaptureToKingMoves) {
    MoveList moves;
    game.lawyer.generateMoves(moves, false);
    ordering.sort(moves);
    EXPECT_EQ(moveText(moves.front()), "a0a2");
    std::size_t firstKingMove = moves.size();
    for (std::size_t i = 0; i < moves.size(); ++i)
        if (typeOf(game.board.piece(moves[i].from)) == King && firstKingMove == moves.size()) firstKingMove = i;
    for (std::size_t i = firstKingMove; i < moves.size(); ++i)
        EXPECT_EQ(typeOf(game.board.piece(moves[i].from)), King) << moveText(moves[i]);
    for (std::size_t i = 1; i < moves.size(); ++i)
        EXPECT_FALSE(ordering.moveBefore(moves[i], moves[i - 1])) << moveText(moves[i]);
}

TEST_F(Ordering, KillersTwoPerPlyNewestFirst) {
    ordering.storeKiller(move("a0a1"), 3);
    ordering.storeKiller(move("g3g4"), 3);
    ordering.pushKillers(4);
    EXPECT_TRUE(ordering.preferredMoves().empty());
    ordering.pushKillers(3);
    ASSERT_EQ(ordering.preferredMoves().size(), 2u);
    EXPECT_EQ(moveText(ordering.preferredMoves()[0]), "g3g4");
    EXPECT_EQ(moveText(ordering.preferredMoves()[1]), "a0a1");

    ordering.storeKiller(move("b3c1"), 3);
    ordering.clearPreferred();
    ordering.pushKillers(3);
    ASSERT_EQ(ordering.preferredMoves().size(), 2u);
    EXPECT_EQ(moveText(ordering.preferredMoves()[0]), "b3c1");
    EXPECT_EQ(moveText(ordering.preferredMoves()[1]), "g3g4");

    ordering.clearKillers();
    ordering.clearPreferred();
    ordering.pushKillers(3);
    EXPECT_TRUE(ordering.preferredMoves().empty());
}

TEST_F(Ordering, CaptureRunKeepsTheLeadingCaptures) {
    MoveList moves;
    game.lawyer.generateMoves(moves, false);
    ordering.sort(moves);
    MoveList run = moves;
    ordering.captureRun(run, game.lawyer);
    // Greater victims first, the horse taken by pawn, horse and rook in that order; the king's
    // capture sorts behind the quiet moves and is cut off.
    std::vector<std::string> texts;
    for (const Move& m : run) texts.push_back(moveText(m));
    EXPECT_EQ(texts, (std::vector<std::string>{"a0a2", "i5i6", "c4c5", "b3c5", "i5c5", "b3a5"}));

    ordering.prefer(move("a0a1"));
    ordering.sort(moves);
    ordering.captureRun(moves, game.lawyer);
    EXPECT_TRUE(moves.empty());
}

TEST_F(Ordering, CaptureRunKeepsEverythingInCheck) {
    Game checked("4k4/9/9/9/9/9/9/9/3r5/3K5 r");
    MoveOrdering checkedOrdering(checked.board);
    MoveList moves;
    checked.lawyer.generateMoves(moves, false);
    const std::size_t all = moves.size();
    checkedOrdering.prefer(move("d0e0"));
    checkedOrdering.sort(moves);
    checkedOrdering.captureRun(moves, checked.lawyer);
    EXPECT_EQ(moves.size(), all);
}

}  // namespace
}  // namespace qorat
