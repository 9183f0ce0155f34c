// The net's inputs: each piece on its square, seen from Red's side of the board and from
// Blue's, so that one set of weights serves both sides.
#pragma once

#include "board/types.h"

namespace qorat {

// The piece types a side owns, Pawn to King.
constexpr int NetPieceTypes = PieceTypes - 1;
// Own pieces, then the opponent's, each type on each square.
constexpr int NetInputs = 2 * NetPieceTypes * BoardSquares;

// The square as the side sees it: Blue's view is Red's turned top to bottom.
constexpr int relativeSquare(int perspective, int square) {
    return perspective == Red ? square : makeSquare(BoardRanks - 1 - rowOf(square), columnOf(square));
}

// The input of the piece on the square from the perspective of a side.
constexpr int featureIndex(int perspective, int piece, int square) {
    const int foreign = colourOf(piece) == perspective ? 0 : 1;
    return (foreign * NetPieceTypes + typeOf(piece) - 1) * BoardSquares + relativeSquare(perspective, square);
}

}  // namespace qorat
