// The static evaluation: piece-square tables that include each piece's worth, a term for
// a king in check, and the material values the move ordering ranks captures by.
#pragma once

#include <array>

#include "board/board.h"
#include "rules/lawyer.h"

namespace qorat {

// [piece type][half: 0 Blue, 1 Red][square]
using PieceSquareTable = std::array<std::array<std::array<int, BoardSquares>, 2>, PieceTypes>;

class Evaluator {
public:
    static const PieceSquareTable pieceSquareTable;
    // The side's pieces scored by the table, worth included.
    static int tableSum(const Board& board, int side);

    // The position's score for the side to move.
    int evaluate(const Board& board, const Lawyer& lawyer) const;
    // Material of the side to move minus that of the other side.
    int materialBalance(const Board& board) const;
    // The material worth of a piece type; a type outside 0..7 is reported and worth 0.
    int pieceValue(int type) const {
        if (type < Empty || type > King) return reportBadType(type);
        return pieceValues[type];
    }

private:
    static int reportBadType(int type);
};

extern const Evaluator evaluator;

}  // namespace qorat
