// The evaluation of the modern search: the piece-square scores, and what they cannot see of
// the kings' safety against cannons and rooks.
#include "engine/pvs_evaluation.h"

#include "board/geometry.h"
#include "engine/evaluator.h"

namespace qorat {

namespace {

// The move is worth a little to the side that has it.
constexpr int Tempo = 2;
// A cannon on the enemy king's file with no piece between: the king cannot leave the file
// freely and every piece that steps between is pinned.
constexpr int HollowCannon = 25;
// A cannon on the king's file with one screen, ready to check.
constexpr int ScreenedCannon = 6;
// A rook on the king's file or rank with nothing between, in the palace's reach.
constexpr int FacingRook = 8;
// Each advisor or elephant missing weighs more the more attackers the other side keeps.
constexpr int MissingGuardPerAttacker = 3;
constexpr int FullGuards = 2;

// The pieces between a square and the king along one line, counted up to two.
int piecesBetween(const Board& board, int from, int king, int step) {
    int count = 0;
    for (int cell = cellOf(from) + step; squareAt(cell) != king; cell += step)
        if (board.piece(squareAt(cell)) != Empty && ++count == 2) break;
    return count;
}

// The line step from a square towards the king when both share a file or rank; 0 otherwise.
int stepTowards(int from, int king) {
    if (columnOf(from) == columnOf(king)) return rowOf(king) > rowOf(from) ? StepDown : StepUp;
    if (rowOf(from) == rowOf(king)) return columnOf(king) > columnOf(from) ? StepRight : StepLeft;
    return 0;
}

// What the side's cannons and rooks threaten against the other king.
int linePressure(const Board& board, int side) {
    const int king = board.kingSquare(opponent(side));
    int score = 0;
    for (int square : board.pieces(side, Cannon)) {
        const int step = stepTowards(square, king);
        if (step == 0 || columnOf(square) != columnOf(king)) continue;
        const int between = piecesBetween(board, square, king, step);
        score += between == 0 ? HollowCannon : between == 1 ? ScreenedCannon : 0;
    }
    for (int square : board.pieces(side, Rook)) {
        const int step = stepTowards(square, king);
        if (step != 0 && piecesBetween(board, square, king, step) == 0) score += FacingRook;
    }
    return score;
}

int attackers(const Board& board, int side) {
    return board.pieces(side, Rook).size() + board.pieces(side, Cannon).size() + board.pieces(side, Horse).size();
}

int guardShortfall(const Board& board, int side) {
    const int missing = (FullGuards - board.pieces(side, Advisor).size()) + (FullGuards - board.pieces(side, Elephant).size());
    return missing * MissingGuardPerAttacker * attackers(board, opponent(side));
}

int sideScore(const Board& board, int side) {
    return Evaluator::tableSum(board, side) + linePressure(board, side) - guardShortfall(board, side);
}

}  // namespace

int pvsEvaluate(const Board& board) {
    const int us = board.sideToMove();
    return sideScore(board, us) - sideScore(board, opponent(us)) + Tempo;
}

}  // namespace qorat
