// The evaluation of the modern search: the piece-square scores, worth included, and the move.
// Terms for the kings' safety against cannons and rooks were tried and left out: they did not
// win games.
#include "engine/pvs_evaluation.h"

#include "engine/evaluator.h"
#include "engine/history.h"

namespace qorat {

namespace {

// The table counts a pawn as 10; the modern search counts in centipawns.
constexpr int CentipawnsPerUnit = 10;
// The move is worth a little to the side that has it.
constexpr int Tempo = 20;

}  // namespace

int pieceSquareValue(int piece, int square) {
    return Evaluator::pieceSquareTable[typeOf(piece)][sideIndex(colourOf(piece))][square] * CentipawnsPerUnit;
}

SquareSums squareSums(const Board& board) {
    SquareSums sums{};
    for (int side : {Red, Blue})
        for (int type = Pawn; type <= King; ++type)
            for (int square : board.pieces(side, type)) sums[sideIndex(side)] += pieceSquareValue(makePiece(side, type), square);
    return sums;
}

SquareSums squareSumsAfter(const Board& board, const SquareSums& before, const Move& m) {
    SquareSums after = before;
    if (m.isNull()) return after;
    const int piece = board.piece(m.from);
    const int mover = sideIndex(colourOf(piece));
    after[mover] += pieceSquareValue(piece, m.to) - pieceSquareValue(piece, m.from);
    const int victim = board.piece(m.to);
    if (victim != Empty) after[1 - mover] -= pieceSquareValue(victim, m.to);
    return after;
}

int pvsEvaluate(const Board& board, const SquareSums& sums) {
    const int us = sideIndex(board.sideToMove());
    return sums[us] - sums[1 - us] + Tempo;
}

}  // namespace qorat
