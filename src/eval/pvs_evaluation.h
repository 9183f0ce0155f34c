// The evaluation of the modern search, in centipawns for the side to move: a middlegame and
// an endgame score blended by the material left. Its material and piece-square part is kept
// up to date move by move by the search, as each side's sums.
#pragma once

#include <array>

#include "board/board.h"

namespace qorat {

struct Score {
    int mg = 0;
    int eg = 0;

    Score& operator+=(const Score& o) {
        mg += o.mg;
        eg += o.eg;
        return *this;
    }
    Score& operator-=(const Score& o) {
        mg -= o.mg;
        eg -= o.eg;
        return *this;
    }
};

// Each side's material and piece-square score, indexed by sideIndex.
using SquareSums = std::array<Score, 2>;

// The worth of the piece on the square, its material included.
Score pieceSquareScore(int piece, int square);
// Both sides' sums from scratch.
SquareSums squareSums(const Board& board);
// The sums after the move, made from the sums before it; the board is still before it.
SquareSums squareSumsAfter(const Board& board, const SquareSums& before, const Move& m);

int pvsEvaluate(const Board& board, const SquareSums& sums);

// How far the position is from an endgame: from 0 (no rooks, cannons or horses) up.
int gamePhase(const Board& board);
constexpr int FullPhase = 32;

}  // namespace qorat
