// The evaluation of the modern search, in centipawns for the side to move. Its piece-square
// part is kept up to date move by move by the search, as each side's sum.
#pragma once

#include <array>

#include "board/board.h"

namespace qorat {

using SquareSums = std::array<int, 2>;

// The worth of the piece on the square, its material included.
int pieceSquareValue(int piece, int square);
// Both sides' sums from scratch, indexed by sideIndex.
SquareSums squareSums(const Board& board);
// The sums after the move, made from the sums before it; the board is still before it.
SquareSums squareSumsAfter(const Board& board, const SquareSums& before, const Move& m);

int pvsEvaluate(const Board& board, const SquareSums& sums);

}  // namespace qorat
