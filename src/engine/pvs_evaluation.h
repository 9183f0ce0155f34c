// The evaluation of the modern search: the piece-square scores, and what they cannot see of
// the kings' safety against cannons and rooks.
#pragma once

#include "board/board.h"

namespace qorat {

// The position's score for the side to move, in the piece-square tables' units (a pawn is 10).
int pvsEvaluate(const Board& board);

}  // namespace qorat
