// The evaluation of the modern search: the piece-square scores and the move's worth.
#pragma once

#include "board/board.h"

namespace qorat {

// The position's score for the side to move, in the piece-square tables' units (a pawn is 10).
int pvsEvaluate(const Board& board);

}  // namespace qorat
