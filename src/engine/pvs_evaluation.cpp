// The evaluation of the modern search: the piece-square scores and the move's worth. Terms for
// the kings' safety against cannons and rooks were tried and left out: they did not win games.
#include "engine/pvs_evaluation.h"

#include "engine/evaluator.h"

namespace qorat {

namespace {

// The move is worth a little to the side that has it.
constexpr int Tempo = 2;

}  // namespace

int pvsEvaluate(const Board& board) {
    const int us = board.sideToMove();
    return Evaluator::tableSum(board, us) - Evaluator::tableSum(board, opponent(us)) + Tempo;
}

}  // namespace qorat
