// The static evaluation: piece-square tables that include each piece's worth, and a term
// for a king in check.
#include "eval/evaluator.h"

#include <iostream>

#include "board/material.h"

namespace qorat {

namespace {

constexpr int CheckBonus = 100;

using HalfTable = std::array<int, BoardSquares>;

// Blue's half, written from Blue's back row (row 0) down; Red reads it turned half a turn.
constexpr std::array<HalfTable, PieceTypes> blueHalf = {{
    {},
    {// pawn
      0,  0,  0,  0,  0,  0,  0,  0,  0,
      0,  0,  0,  0,  0,  0,  0,  0,  0,
      0,  0,  0,  0,  0,  0,  0,  0,  0,
     10,  0, 12,  0, 15,  0, 12,  0, 10,
     10,  0, 13,  0, 10,  0, 13,  0, 10,
     20, 20, 20, 20, 20, 20, 20, 20, 20,
     20, 21, 21, 22, 22, 22, 21, 21, 20,
     20, 21, 21, 23, 23, 23, 21, 21, 20,
     20, 21, 21, 23, 22, 23, 21, 21, 20,
     11, 12, 13, 14, 14, 14, 13, 12, 11},
    {// cannon
     50, 50, 50, 50, 50, 50, 50, 50, 50,
     50, 50, 50, 50, 50, 50, 50, 50, 50,
     50, 51, 53, 53, 55, 53, 53, 51, 50,
     50, 51, 50, 50, 50, 50, 50, 51, 50,
     50, 51, 51, 51, 51, 51, 51, 51, 50,
     50, 51, 50, 50, 50, 50, 50, 51, 50,
     50, 51, 50, 50, 50, 50, 50, 51, 50,
     50, 51, 50, 50, 50, 50, 50, 51, 50,
     50, 51, 50, 50, 50, 50, 50, 51, 50,
     50, 50, 50, 50, 50, 50, 50, 50, 50},
    {// rook
     89, 92, 90, 90, 90, 90, 90, 92, 89,
     91, 92, 90, 93, 90, 93, 90, 92, 91,
     90, 92, 90, 91, 90, 91, 90, 92, 90,
     90, 91, 90, 91, 90, 91, 90, 91, 90,
     90, 94, 90, 94, 90, 94, 90, 94, 90,
     90, 93, 90, 91, 90, 91, 90, 93, 90,
     90, 91, 90, 91, 90, 91, 90, 91, 90,
     90, 91, 90, 90, 90, 90, 90, 91, 90,
     90, 92, 91, 91, 90, 91, 91, 92, 90,
     90, 90, 90, 90, 90, 90, 90, 90, 90},
    {// horse
     40, 35, 40, 40, 40, 40, 40, 35, 40,
     40, 41, 42, 40, 20, 40, 42, 41, 40,
     40, 42, 43, 40, 40, 40, 43, 42, 40,
     40, 42, 43, 43, 43, 43, 43, 42, 40,
     40, 43, 44, 44, 44, 44, 44, 43, 40,
     40, 43, 44, 44, 44, 44, 44, 43, 40,
     40, 43, 44, 44, 44, 44, 44, 43, 40,
     40, 43, 44, 44, 44, 44, 44, 43, 40,
     40, 41, 42, 42, 42, 42, 42, 41, 40,
     40, 40, 40, 40, 40, 40, 40, 40, 40},
    {// elephant
      0,  0, 25,  0,  0,  0, 25,  0,  0,
      0,  0,  0,  0,  0,  0,  0,  0,  0,
     23,  0,  0,  0, 28,  0,  0,  0, 23,
      0,  0,  0,  0,  0,  0,  0,  0,  0,
      0,  0, 22,  0,  0,  0, 22,  0,  0},
    {// advisor: nothing off the palace diagonals
      0,  0,  0, 20,  0, 20,  0,  0,  0,
      0,  0,  0,  0, 22,  0,  0,  0,  0,
      0,  0,  0, 19,  0, 19,  0,  0,  0},
    {// king
      0,  0,  0, 30, 35, 30,  0,  0,  0,
      0,  0,  0, 15, 15, 15,  0,  0,  0,
      0,  0,  0,  1,  1,  1,  0,  0,  0},
}};

constexpr PieceSquareTable withRedHalf(const std::array<HalfTable, PieceTypes>& blue) {
    PieceSquareTable table{};
    for (int type = 0; type < PieceTypes; ++type) {
        for (int square = 0; square < BoardSquares; ++square) {
            table[type][0][square] = blue[type][square];
            table[type][1][square] = blue[type][mirror(square)];
        }
    }
    return table;
}

constexpr int halfOf(int side) { return side == Red ? 1 : 0; }

}  // namespace

const PieceSquareTable Evaluator::pieceSquareTable = withRedHalf(blueHalf);

int Evaluator::tableSum(const Board& board, int side) {
    const int half = halfOf(side);
    int sum = 0;
    for (int type = Pawn; type <= King; ++type)
        for (int square : board.pieces(side, type)) sum += pieceSquareTable[type][half][square];
    return sum;
}

const Evaluator evaluator;

int Evaluator::evaluate(const Board& board, const Lawyer& lawyer) const {
    const int us = board.sideToMove();
    const int them = opponent(us);
    int score = tableSum(board, us) - tableSum(board, them);
    if (lawyer.inCheck(them))
        score += CheckBonus;
    else if (lawyer.inCheck(us))
        score -= CheckBonus;
    return score;
}

int Evaluator::materialBalance(const Board& board) const { return qorat::materialBalance(board); }

int Evaluator::reportBadType(int type) {
    std::cerr << type << '\n';
    return 0;
}

}  // namespace qorat
