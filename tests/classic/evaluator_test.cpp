// The evaluation: table figures of known positions, the check term, material and values.
#include <gtest/gtest.h>

#include "engine_test_support.h"
#include "eval/evaluator.h"

namespace qorat {
namespace {

using testing::Game;

class Evaluation : public testing::EngineTest {};

// The same squares with the other side to move.
std::string withSide(const std::string& rows, char side) { return rows + ' ' + side; }

TEST_F(Evaluation, ScoresAndBalancesOfKnownPositions) {
    struct Case {
        const char* what;
        const char* rows;
        int redToMove;
        int blueToMove;
        int redBalance;
    };
    const Case cases[] = {
        {"start position", "rheakaehr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RHEAKAEHR", 0, 0, 0},
        {"Red cannon h2 on e2", "rheakaehr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C2C4/9/RHEAKAEHR", 4, -4, 0},
        {"no Red rook on i0", "rheakaehr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RHEAKAEH1", -89, 89, -90},
        // Red's start pieces sum to 534 in the table and 480 in material besides the kings;
        // Blue's lone king on e9 is worth 35.
        {"Blue down to its king", "4k4/9/9/9/9/9/P1P1P1P1P/1C5C1/9/RHEAKAEHR", 499, -499, 480},
        // Facing kings attack each other: only the bonus for checking the opponent counts.
        {"both kings in check", "4k4/9/9/9/9/9/9/9/9/4K4", 100, 100, 0},
        // A Blue rook on e5 (90) and king on d9 (30) against the Red king on e0 (35).
        {"Red king in check", "3k5/9/9/9/4r4/9/9/9/9/4K4", 35 - 120 - 100, 120 - 35 + 100, -90},
    };
    for (const Case& c : cases) {
        Game red(withSide(c.rows, 'r'));
        Game blue(withSide(c.rows, 'b'));
        EXPECT_EQ(evaluator.evaluate(red.board, red.lawyer), c.redToMove) << c.what;
        EXPECT_EQ(evaluator.evaluate(blue.board, blue.lawyer), c.blueToMove) << c.what;
        EXPECT_EQ(evaluator.materialBalance(red.board), c.redBalance) << c.what;
        EXPECT_EQ(evaluator.materialBalance(blue.board), -c.redBalance) << c.what;
    }
}

TEST_F(Evaluation, TableRowsReadTheSameFromEitherEndAndRedIsBlueTurned) {
    for (int type = Empty; type <= King; ++type) {
        for (int square = 0; square < BoardSquares; ++square) {
            const int row = rowOf(square);
            const int column = columnOf(square);
            const auto& blue = Evaluator::pieceSquareTable[type][0];
            EXPECT_EQ(blue[square], blue[makeSquare(row, BoardFiles - 1 - column)]) << type << ' ' << square;
            EXPECT_EQ(Evaluator::pieceSquareTable[type][1][square], blue[mirror(square)]) << type << ' ' << square;
        }
    }
}

TEST_F(Evaluation, TableValuesAtMarkedPoints) {
    struct Case {
        int type;
        int row;
        int column;
        int value;
    };
    const Case cases[] = {
        {Pawn, 3, 4, 15}, {Pawn, 8, 4, 22}, {Pawn, 9, 0, 11}, {Cannon, 2, 4, 55}, {Cannon, 4, 1, 51},
        {Rook, 0, 0, 89}, {Rook, 1, 3, 93}, {Rook, 4, 1, 94}, {Horse, 0, 1, 35}, {Horse, 1, 4, 20},
        {Elephant, 2, 4, 28}, {Elephant, 4, 2, 22}, {Advisor, 1, 4, 22}, {Advisor, 0, 4, 0},
        {Advisor, 1, 3, 0}, {King, 0, 4, 35}, {King, 1, 5, 15}, {King, 2, 3, 1}, {Empty, 5, 5, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Evaluator::pieceSquareTable[c.type][0][makeSquare(c.row, c.column)], c.value)
            << c.type << " at " << c.row << ',' << c.column;
}

TEST_F(Evaluation, PieceValues) {
    const int expected[PieceTypes] = {0, 10, 45, 90, 40, 20, 20, 1500};
    for (int type = Empty; type <= King; ++type) EXPECT_EQ(evaluator.pieceValue(type), expected[type]);
}

TEST_F(Evaluation, TypeOutsideTheTableIsReportedAndWorthNothing) {
    for (int type : {-1, 8, 15}) {
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(evaluator.pieceValue(type), 0);
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), std::to_string(type) + "\n");
    }
}

}  // namespace
}  // namespace qorat
