// The evaluation of the modern search: material and piece-square scores kept by the search,
// the terms of eval_terms.h weighed by their tuned weights, blended by the game's phase.
#include "eval/pvs_evaluation.h"

#include <algorithm>

#include "eval/eval_terms.h"
#include "eval/eval_weights.h"

namespace qorat {

namespace {

// Phase points per piece type: rooks count most, cannons and horses half as much.
constexpr std::array<int, PieceTypes> PhasePoints = {0, 0, 2, 4, 2, 0, 0, 0};

// [piece code][square]: material and piece-square weight together, from the tuned weights.
using PieceSquareTable = std::array<std::array<Score, BoardSquares>, 16>;

PieceSquareTable buildPieceSquares() {
    PieceSquareTable table{};
    for (int side : {Red, Blue}) {
        for (int type = Pawn; type <= King; ++type) {
            for (int square = 0; square < BoardSquares; ++square) {
                Score s;
                if (type != King) {
                    s.mg = evalWeights[term::Material + type - 1].mg;
                    s.eg = evalWeights[term::Material + type - 1].eg;
                }
                const Weight w = evalWeights[term::Square + (type - 1) * FoldedSquares + eval::foldedSquare(side, square)];
                s.mg += w.mg;
                s.eg += w.eg;
                table[makePiece(side, type)][square] = s;
            }
        }
    }
    return table;
}

const PieceSquareTable pieceSquares = buildPieceSquares();

}  // namespace

Score pieceSquareScore(int piece, int square) { return pieceSquares[piece][square]; }

SquareSums squareSums(const Board& board) {
    SquareSums sums{};
    for (int side : {Red, Blue})
        for (int type = Pawn; type <= King; ++type)
            for (int square : board.pieces(side, type)) sums[sideIndex(side)] += pieceSquareScore(makePiece(side, type), square);
    return sums;
}

SquareSums squareSumsAfter(const Board& board, const SquareSums& before, const Move& m) {
    SquareSums after = before;
    if (m.isNull()) return after;
    const int piece = board.piece(m.from);
    const int mover = sideIndex(colourOf(piece));
    after[mover] += pieceSquareScore(piece, m.to);
    after[mover] -= pieceSquareScore(piece, m.from);
    const int victim = board.piece(m.to);
    if (victim != Empty) after[1 - mover] -= pieceSquareScore(victim, m.to);
    return after;
}

int gamePhase(const Board& board) {
    // Both sides' counts in one sum: GCC 12 at -O3 miscompiled a loop over the two sides here,
    // reading the lists of a side that does not exist.
    int phase = 0;
    for (int type : {Cannon, Rook, Horse})
        phase += PhasePoints[type] * (board.pieces(Red, type).size() + board.pieces(Blue, type).size());
    return std::min(phase, FullPhase);
}

int pvsEvaluate(const Board& board, const SquareSums& sums) {
    // For Red, then turned to the side to move.
    Score total = sums[sideIndex(Red)];
    total -= sums[sideIndex(Blue)];
    collectTerms(board, [&total](int term, int count) {
        total.mg += evalWeights[term].mg * count;
        total.eg += evalWeights[term].eg * count;
    });
    const int phase = gamePhase(board);
    const int red = (total.mg * phase + total.eg * (FullPhase - phase)) / FullPhase;
    return board.sideToMove() == Red ? red : -red;
}

}  // namespace qorat
