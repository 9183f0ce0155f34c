// The modern evaluation's terms, counted on a position: each is reported to a sink with the
// count by which Red's exceeds Blue's. The evaluation weighs them; the tuning pipeline reads
// the counts themselves, so both see one and the same evaluation.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>

#include "board/board.h"
#include "board/geometry.h"
#include "eval/eval_weights.h"

namespace qorat {

namespace eval {

// Attack ranks: the cheaper the piece, the lower; 0 means no attacker.
constexpr std::array<std::uint8_t, PieceTypes> AttackRank = {0, 1, 4, 5, 3, 2, 2, 6};

// Where one side's pieces attack or defend, and how cheaply.
struct SideMap {
    std::array<std::uint8_t, BoardSquares> count{};
    std::array<std::uint8_t, BoardSquares> cheapest{};
    int palaceAttackers = 0;
    int palaceAttacks = 0;

    void mark(int square, int rank) {
        ++count[square];
        if (cheapest[square] == 0 || rank < cheapest[square]) cheapest[square] = static_cast<std::uint8_t>(rank);
    }
};

// The point of a side's palace whose squares the king stands on.
inline bool inPalaceOf(int side, int square) { return mayStand(side, King, square); }

// A piece's square as its own side sees it, back rank first, with its file folded.
inline int foldedSquare(int side, int square) {
    const int relative = side == Blue ? square : mirror(square);
    const int file = columnOf(relative);
    return rowOf(relative) * FoldedFiles + std::min(file, BoardFiles - 1 - file);
}

inline int sideSign(int side) { return side == Red ? 1 : -1; }

// Marks the points the piece attacks (an own piece there is defended) and counts the points it
// can move to. Cannons attack beyond their screen, up to the next piece.
inline int markPiece(const Board& board, int square, int type, int side, SideMap& map) {
    const int rank = AttackRank[type];
    const int enemy = opponent(side);
    const int cell = cellOf(square);
    int moves = 0;
    bool hitsPalace = false;
    auto attack = [&](int to) {
        map.mark(to, rank);
        if (inPalaceOf(enemy, to)) {
            hitsPalace = true;
            ++map.palaceAttacks;
        }
    };
    switch (type) {
        case Rook:
            for (int step : lineSteps) {
                for (int c = cell + step; squareAt(c) >= 0; c += step) {
                    const int to = squareAt(c);
                    attack(to);
                    const int p = board.piece(to);
                    if (p == Empty || colourOf(p) != side) ++moves;
                    if (p != Empty) break;
                }
            }
            break;
        case Cannon:
            for (int step : lineSteps) {
                int c = cell + step;
                for (; squareAt(c) >= 0 && board.piece(squareAt(c)) == Empty; c += step) ++moves;
                if (squareAt(c) < 0) continue;
                for (c += step; squareAt(c) >= 0; c += step) {
                    const int to = squareAt(c);
                    attack(to);
                    const int p = board.piece(to);
                    if (p == Empty) continue;
                    if (colourOf(p) != side) ++moves;
                    break;
                }
            }
            break;
        case Horse:
            for (std::size_t i = 0; i < horseLegs.size(); ++i) {
                const int to = squareAt(cell + stepTable[Horse][i]);
                if (to < 0 || board.piece(square + horseLegs[i]) != Empty) continue;
                attack(to);
                const int p = board.piece(to);
                if (p == Empty || colourOf(p) != side) ++moves;
            }
            break;
        case Pawn:
            for (int step : side == Red ? redPawnSteps : bluePawnSteps) {
                const int to = squareAt(cell + step);
                if (to >= 0 && mayStand(side, Pawn, to)) attack(to);
            }
            break;
        case Elephant:
            for (std::size_t i = 0; i < elephantEyes.size(); ++i) {
                const int to = squareAt(cell + stepTable[Elephant][i]);
                if (to >= 0 && board.piece(square + elephantEyes[i]) == Empty && mayStand(side, Elephant, to)) attack(to);
            }
            break;
        case Advisor:
            for (int step : advisorSteps) {
                const int to = squareAt(cell + step);
                if (to >= 0 && mayStand(side, Advisor, to)) attack(to);
            }
            break;
        case King:
            for (int i = 0; i < 4; ++i) {
                const int to = squareAt(cell + stepTable[King][i]);
                if (to >= 0 && mayStand(side, King, to)) map.mark(to, rank);
            }
            break;
        default:
            break;
    }
    if (hitsPalace && type != Elephant && type != Advisor) ++map.palaceAttackers;
    return moves;
}

// The pieces between the cannon and the king on a shared file, or -1 when they share none.
inline int screensBetween(const Board& board, int cannon, int king) {
    if (columnOf(cannon) != columnOf(king)) return -1;
    const int step = cannon < king ? BoardFiles : -BoardFiles;
    int screens = 0;
    for (int s = cannon + step; s != king; s += step) screens += board.piece(s) != Empty;
    return screens;
}

}  // namespace eval

// Reports every term but the material and piece-square ones, which the search keeps up
// move by move, to the sink as sink(term, count).
template <class Sink>
void collectTerms(const Board& board, Sink&& sink) {
    using namespace eval;
    std::array<SideMap, 2> maps;
    std::array<int, 2> rookMoves{}, cannonMoves{};
    std::array<std::array<int, HorseMoves>, 2> horseMoves{};
    for (int side : {Red, Blue}) {
        SideMap& map = maps[side == Red ? 1 : 0];
        const int i = side == Red ? 1 : 0;
        for (int type = Pawn; type <= King; ++type) {
            for (int square : board.pieces(side, type)) {
                const int moves = markPiece(board, square, type, side, map);
                if (type == Rook) rookMoves[i] += moves;
                if (type == Cannon) cannonMoves[i] += moves;
                if (type == Horse) ++horseMoves[i][std::min(moves, HorseMoves - 1)];
            }
        }
    }
    sink(term::RookMobility, rookMoves[1] - rookMoves[0]);
    sink(term::CannonMobility, cannonMoves[1] - cannonMoves[0]);
    for (int m = 0; m < HorseMoves; ++m) sink(term::HorseMobility + m, horseMoves[1][m] - horseMoves[0][m]);

    const int toMove = board.sideToMove();
    for (int side : {Red, Blue}) {
        const int sign = sideSign(side);
        const int enemy = opponent(side);
        const SideMap& own = maps[side == Red ? 1 : 0];
        const SideMap& theirs = maps[side == Red ? 0 : 1];

        // The king's safety, as the attacks on it count against this side.
        sink(term::PalaceAttacks, -sign * theirs.palaceAttacks);
        sink(term::PalaceAttackers + std::min(theirs.palaceAttackers, AttackerCounts - 1), -sign);
        const int king = board.kingSquare(side);
        for (int cannon : board.pieces(enemy, Cannon)) {
            const int screens = screensBetween(board, cannon, king);
            if (screens == 0) sink(term::HollowCannon, -sign);
            if (screens == 2) sink(term::ScreenedCannon, -sign);
        }
        const int attackers =
            board.pieces(enemy, Rook).size() + board.pieces(enemy, Cannon).size() + board.pieces(enemy, Horse).size();
        sink(term::MissingAdvisor, -sign * (2 - std::min(2, board.pieces(side, Advisor).size())) * attackers);
        sink(term::MissingElephant, -sign * (2 - std::min(2, board.pieces(side, Elephant).size())) * attackers);

        // Pieces the enemy attacks: undefended, or by something cheaper.
        const bool moving = side == toMove;
        for (int type = Pawn; type < King; ++type) {
            for (int square : board.pieces(side, type)) {
                if (theirs.count[square] == 0) continue;
                if (own.count[square] == 0) sink((moving ? term::Hanging : term::HangingWaiting) + type - 1, sign);
                if (theirs.cheapest[square] < AttackRank[type])
                    sink((moving ? term::Threatened : term::ThreatenedWaiting) + type - 1, sign);
            }
        }

        // Crossed pawns side by side.
        for (int square : board.pieces(side, Pawn)) {
            const int right = squareAt(cellOf(square) + StepRight);
            if (right >= 0 && board.piece(right) == makePiece(side, Pawn)) sink(term::ConnectedPawns, sign);
        }
    }
    sink(term::Tempo, sideSign(toMove));
}

}  // namespace qorat
