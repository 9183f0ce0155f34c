// Material balance of a position, from the side to move's point of view.
#pragma once

#include "board/board.h"

namespace qorat {

inline int materialBalance(const Board& board) {
    const int side = board.sideToMove();
    int balance = 0;
    for (int type = Pawn; type <= King; ++type)
        balance += (board.pieces(side, type).size() - board.pieces(opponent(side), type).size()) * pieceValues[type];
    return balance;
}

}  // namespace qorat
