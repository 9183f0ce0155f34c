// Which positions a game can reach: the gate every mode puts before a position it is given,
// so that no search meets material or placements the rules never produce.
#include <array>

#include "board/geometry.h"
#include "rules/lawyer.h"

namespace qorat {

namespace {

// What each side starts with, by piece type; no move ever adds a piece.
constexpr std::array<int, PieceTypes> startingCount = {0, 5, 2, 2, 2, 2, 2, 1};

// Advisors move diagonally, so of the palace's nine points they reach only the corners and
// the centre: the points whose row and column sum to an odd number, seen from Blue's side.
bool onAdvisorPoint(int side, int square) {
    const int seen = side == Red ? mirror(square) : square;
    return mayStand(side, Advisor, square) && (rowOf(seen) + columnOf(seen)) % 2 == 1;
}

bool standsReachably(const Board& board, int side, int type) {
    for (int square : board.pieces(side, type)) {
        const bool reachable = type == Advisor ? onAdvisorPoint(side, square) : mayStand(side, type, square);
        if (!reachable) return false;
    }
    return true;
}

}  // namespace

bool isPlayablePosition(const std::string& fen) {
    Board trial;
    const Lawyer judge(trial);
    if (!trial.setFen(fen)) return false;
    for (int side : {Red, Blue}) {
        if (trial.pieces(side, King).size() != 1) return false;
        for (int type = Pawn; type <= King; ++type)
            if (trial.pieces(side, type).size() > startingCount[type] || !standsReachably(trial, side, type))
                return false;
    }
    return !judge.inCheck(opponent(trial.sideToMove()));
}

}  // namespace qorat
