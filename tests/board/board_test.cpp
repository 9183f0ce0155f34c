// Position, FEN, keys and making/unmaking moves.
#include <gtest/gtest.h>

#include <set>

#include "board/geometry.h"
#include "board/notation.h"
#include "board_test_support.h"

namespace qorat {
namespace {

using testing::BoardSnapshot;
using testing::EventLog;

class BoardTest : public ::testing::Test {
protected:
    void SetUp() override { fillKeyTables(testing::TestKeySeed); }
};

Move move(const char* text) { return parseMove(text); }

TEST_F(BoardTest, StartPositionLayout) {
    Board board;
    EXPECT_EQ(board.toFen(), startPositionFen);
    EXPECT_EQ(board.sideToMove(), Red);
    EXPECT_FALSE(board.gameOver);
    EXPECT_TRUE(board.history().empty());
    EXPECT_EQ(board.kingSquare(Red), 85);
    EXPECT_EQ(board.kingSquare(Blue), 4);
    const SquareList& redRooks = board.pieces(Red, Rook);
    ASSERT_EQ(redRooks.size(), 2);
    EXPECT_EQ(redRooks[0], 81);
    EXPECT_EQ(redRooks[1], 89);
    const SquareList& bluePawns = board.pieces(Blue, Pawn);
    ASSERT_EQ(bluePawns.size(), 5);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(bluePawns[i], 27 + 2 * i);
}

TEST_F(BoardTest, FenRoundTrips) {
    const char* texts[] = {
        "rheakaehr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RHEAKAEHR b",
        "3k5/9/9/9/9/9/9/9/9/4K4 r",
        "r1eakae2/4h4/1ch3h1c/p1p1p3p/6p2/2P6/P3P1P1P/1C2C1H2/9/RHEAKAE1R r",
        "4ka3/4a4/9/9/9/9/9/9/4A4/4KA2R b",
        "8K/9/9/9/9/9/9/9/9/k8 r",
    };
    for (const char* text : texts) {
        Board board;
        ASSERT_TRUE(board.setFen(text)) << text;
        EXPECT_EQ(board.toFen(), text);
        Board copy;
        ASSERT_TRUE(copy.setFen(board.toFen()));
        EXPECT_EQ(copy.key1(), board.key1()) << text;
        EXPECT_EQ(copy.key2(), board.key2()) << text;
    }
}

TEST_F(BoardTest, AcceptedOddities) {
    Board board;
    ASSERT_TRUE(board.setFen(startPositionFen + " - - 0 1"));
    EXPECT_EQ(board.setupFen(), startPositionFen + " - - 0 1");
    EXPECT_EQ(board.toFen(), startPositionFen);

    ASSERT_TRUE(board.setFen("rheakaehr/9/1c5c1/p1p1p1p1p/09/9/P1P1P1P1P/1C5C1/9/RHEAKAEHR r"));
    EXPECT_EQ(board.toFen(), startPositionFen);

    // A missing Blue king keeps the old square.
    ASSERT_TRUE(board.setFen("9/9/9/9/9/9/9/9/9/3K5 r"));
    EXPECT_EQ(board.kingSquare(Red), 84);
    EXPECT_EQ(board.kingSquare(Blue), 4);
}

TEST_F(BoardTest, RefusedTextsChangeNothing) {
    const std::string refused[] = {
        "rheakaehr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RHEAKAEHR",     // no side
        "rheakaehr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RHEAKAEHR ",    // side missing after the space
        "rheakaehr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RHEAKAEHR w",   // unknown side letter
        "rheakaeh/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RHEAKAEHR r",    // a row of eight
        "rheakaehrr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RHEAKAEHR r",  // a row of ten, then '/'
        "rheakaehr/91/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RHEAKAEHR r",  // a digit overfills
        "rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RNBAKABNR r",   // foreign letters
        "rheakaehr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RHEAKAEH+ r",   // '+' is no piece
        "rheakaehr/9/1c5c1 r",                                             // too short
        "",
        "RRRRRRRRR/RRRRRRRR1/9/9/9/9/9/9/9/4k4 r",                         // more pieces than a side has
        "3k5/9/9/9/9/9/9/3K5/9/4K4 r",                                     // two kings of one side
        "hraekaehr/9/1c5c1/p1k1p1p1p/9/9/PP111PP1P/1C5C1/9/RHREAKAHE r",   // found by fuzzing: two Blue kings
    };
    Board board;
    Move m = move("h2e2");
    board.makeMove(m);
    const BoardSnapshot before(board);
    EventLog log;
    board.addObserver(&log);
    for (const std::string& text : refused) {
        EXPECT_FALSE(board.setFen(text)) << text;
        EXPECT_TRUE(BoardSnapshot(board) == before) << text;
    }
    EXPECT_TRUE(log.events.empty());
}

TEST_F(BoardTest, KeysAgreeBetweenMovesAndFen) {
    Board played;
    for (const char* text : {"h2e2", "h9g7", "h0g2", "i9h9"}) {
        Move m = move(text);
        played.makeMove(m);
    }
    Board set;
    ASSERT_TRUE(set.setFen(played.toFen()));
    EXPECT_EQ(set.key1(), played.key1());
    EXPECT_EQ(set.key2(), played.key2());

    Board other;
    ASSERT_TRUE(other.setFen("rheakaehr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RHEAKAEHR b"));
    EXPECT_EQ(other.key1() ^ Board().key1(), RedToMoveKeyBit);
    EXPECT_EQ(other.key2() ^ Board().key2(), RedToMoveKeyBit);
    EXPECT_LT(other.key1(), 1ull << 32);
}

TEST_F(BoardTest, KeyTablesAreDistinctAndReproducible) {
    std::set<std::uint64_t> seen;
    for (int i = 0; i < KeyTableSize; ++i) {
        for (std::uint64_t v : {keyTable1[i], keyTable2[i]}) {
            EXPECT_NE(v, 0u);
            EXPECT_LT(v, 1ull << 31);
            seen.insert(v);
        }
    }
    EXPECT_EQ(seen.size(), 2u * KeyTableSize);
    const auto first = keyTable1;
    fillKeyTables(testing::TestKeySeed);
    EXPECT_EQ(first, keyTable1);

    // A Red king on i0 reads its own slot, inside the table.
    Board board;
    ASSERT_TRUE(board.setFen("3k5/9/9/9/9/9/9/9/9/8K r"));
    EXPECT_EQ(board.key1(), (keyTable1[keySlot(3, King)] ^ keyTable1[KeyTableSize - 1]) | RedToMoveKeyBit);
}

struct MakeCase {
    const char* name;
    const char* fen;
    const char* move;
    int captured;
};

TEST_F(BoardTest, MakeAndUnmakeRestoreEverything) {
    const MakeCase cases[] = {
        {"quiet", startPositionFen.c_str(), "h2e2", Empty},
        {"capture", startPositionFen.c_str(), "h2h9", Horse},
        {"king", "3k5/9/9/9/9/9/9/9/9/3AK4 r", "e0e1", Empty},
        {"king capture of the other king", "4k4/9/9/9/9/9/9/9/9/4K4 r", "e0e9", King},
    };
    for (const MakeCase& c : cases) {
        Board board;
        ASSERT_TRUE(board.setFen(c.fen)) << c.name;
        const BoardSnapshot before(board);
        Move m = move(c.move);
        board.makeMove(m);
        EXPECT_EQ(m.captured, c.captured) << c.name;
        EXPECT_EQ(board.history().back().captured, c.captured) << c.name;
        EXPECT_EQ(board.sideToMove(), Blue) << c.name;
        Board fresh;
        ASSERT_TRUE(fresh.setFen(board.toFen()));
        EXPECT_EQ(board.key1(), fresh.key1()) << c.name;
        EXPECT_EQ(board.key2(), fresh.key2()) << c.name;
        if (typeOf(board.piece(m.to)) == King) {
            EXPECT_EQ(board.kingSquare(Red), m.to) << c.name;
        }
        board.unmakeMove();
        EXPECT_TRUE(BoardSnapshot(board) == before) << c.name;
    }
}

TEST_F(BoardTest, RestoredCaptureGoesLastInItsList) {
    Board board;
    ASSERT_TRUE(board.setFen("4k4/9/9/9/9/2p1p1p2/9/4R4/9/4K4 r"));
    Move m = move("e2e4");
    board.makeMove(m);
    EXPECT_EQ(board.pieces(Blue, Pawn).size(), 2);
    board.unmakeMove();
    const SquareList& pawns = board.pieces(Blue, Pawn);
    ASSERT_EQ(pawns.size(), 3);
    EXPECT_EQ(pawns[0], 47);
    EXPECT_EQ(pawns[1], 51);
    EXPECT_EQ(pawns[2], 49);
    EXPECT_EQ(board.piece(49), makePiece(Blue, Pawn));
}

TEST_F(BoardTest, NullMovePassesTheTurn) {
    Board board;
    const BoardSnapshot before(board);
    Move pass = nullMove;
    board.makeMove(pass);
    EXPECT_EQ(board.sideToMove(), Blue);
    EXPECT_EQ(board.key1() ^ before.key1, RedToMoveKeyBit);
    EXPECT_EQ(board.key2() ^ before.key2, RedToMoveKeyBit);
    ASSERT_EQ(board.history().size(), 1u);
    EXPECT_TRUE(board.history()[0].isNull());
    EXPECT_EQ(board.history()[0].captured, 0);
    EXPECT_EQ(board.toFen().substr(0, startPositionFen.size() - 2), startPositionFen.substr(0, startPositionFen.size() - 2));
    board.unmakeMove();
    EXPECT_TRUE(BoardSnapshot(board) == before);
}

TEST_F(BoardTest, ObserversHearConsistentBoards) {
    Board board;
    EventLog log;
    board.addObserver(&log);
    Move m = move("h2e2");
    board.makeMove(m);
    const std::uint64_t afterMove = board.key1();
    board.unmakeMove();
    board.notifyObservers(GameOver);
    board.reset();
    EXPECT_EQ(log.events, (std::vector<int>{MoveMade, MoveUnmade, GameOver, PositionSet}));
    EXPECT_EQ(log.keysSeen[0], afterMove);
    EXPECT_EQ(board.toFen(), startPositionFen);
}

TEST(Geometry, MailboxAndFlags) {
    EXPECT_EQ(squareToMailbox[0], 28);
    EXPECT_EQ(squareToMailbox[89], 153);
    EXPECT_EQ(mailboxToSquare[28], 0);
    EXPECT_EQ(mailboxToSquare[27], OffBoard);
    EXPECT_EQ(mailboxToSquare[15], OffBoard);
    for (int step : {-1, -13, -14, -15}) EXPECT_LT(mailboxToSquare[28 + step], 0) << step;
    for (int step : {1, 13}) EXPECT_GE(mailboxToSquare[28 + step], 0) << step;
    // Red's elephant points are the mirrors of Blue's.
    for (int square : {83, 87, 63, 67, 71, 47, 51}) EXPECT_TRUE(mayStand(Red, Elephant, square)) << square;
    EXPECT_FALSE(mayStand(Red, Elephant, 85));
    EXPECT_TRUE(mayStand(Red, Pawn, 54));
    EXPECT_FALSE(mayStand(Red, Pawn, 55));
    EXPECT_EQ(squareFlags[13], PalaceSquare | AnySquare);
    EXPECT_EQ(squareFlags[22], PalaceSquare | ElephantPoint | AnySquare);
}

}  // namespace
}  // namespace qorat
