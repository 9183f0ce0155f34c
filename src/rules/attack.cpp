// The attack test, check, and the legality of a single move with its reason.
#include "board/geometry.h"
#include "rules/lawyer.h"

namespace qorat {

namespace {

// Leg squares of a horse that jumps onto the attacked square, per jump of stepTable's row.
constexpr int attackingHorseLegs[] = {-8, -10, -8, -10, 8, 10, 8, 10};

// Whether a pawn of the side, standing one step from the square in this direction,
// steps onto the square: pawns never step backwards.
bool pawnStepsOnto(int side, int direction, int pawnSquare) {
    const int backwards = side == Red ? StepUp : StepDown;
    return direction != backwards && mayStand(side, Pawn, pawnSquare);
}

}  // namespace

Lawyer::Lawyer(Board& b) : board(b) { keys.reserve(1024); }

bool Lawyer::attackedAlongLines(int square, int attacker) const {
    const int cell = cellOf(square);
    for (int i = 0; i < 4; ++i) {
        const int step = stepTable[Rook][i];
        int c = cell + step;
        int neighbour = squareAt(c);
        if (neighbour < 0) continue;
        bool screened = false;
        const int p = board.piece(neighbour);
        if (p != Empty) {
            const int type = typeOf(p);
            if (colourOf(p) == attacker) {
                if (type == Rook || type == King) return true;
                if (type == Pawn && pawnStepsOnto(attacker, step, neighbour)) return true;
            }
            screened = true;
        }
        for (c += step; squareAt(c) >= 0; c += step) {
            const int q = board.piece(squareAt(c));
            if (q == Empty) continue;
            const bool own = colourOf(q) == attacker;
            if (!screened) {
                if (own && (typeOf(q) == Rook || typeOf(q) == King)) return true;
                screened = true;
                continue;
            }
            if (own && typeOf(q) == Cannon) return true;
            break;
        }
    }
    return false;
}

bool Lawyer::isAttacked(int square, int attacker) const {
    if (attacker == -1) attacker = opponent(colourOf(board.piece(square)));
    if (attackedAlongLines(square, attacker)) return true;

    const int cell = cellOf(square);
    const int horse = makePiece(attacker, Horse);
    for (int i = 0; i < 8; ++i) {
        const int from = squareAt(cell + stepTable[Horse][i]);
        if (from >= 0 && board.piece(from) == horse && board.piece(square + attackingHorseLegs[i]) == Empty) return true;
    }
    if (mayStand(attacker, Elephant, square)) {
        const int elephant = makePiece(attacker, Elephant);
        for (int i = 0; i < 4; ++i) {
            const int from = squareAt(cell + stepTable[Elephant][i]);
            if (from >= 0 && board.piece(from) == elephant && board.piece(square + elephantEyes[i]) == Empty)
                return true;
        }
    }
    if (mayStand(attacker, Advisor, square)) {
        const int advisor = makePiece(attacker, Advisor);
        for (int i = 0; i < 4; ++i) {
            const int from = squareAt(cell + stepTable[Advisor][i]);
            if (from >= 0 && board.piece(from) == advisor) return true;
        }
    }
    return false;
}

int Lawyer::cheapestAttacker(int square, int side) const {
    const int cell = cellOf(square);
    // Pawns step onto the square only where a pawn of the side may stand; never backwards.
    if (mayStand(side, Pawn, square)) {
        const int pawn = makePiece(side, Pawn);
        const int behind = side == Red ? StepDown : StepUp;
        for (int step : {behind, StepLeft, StepRight}) {
            const int from = squareAt(cell + step);
            if (from >= 0 && board.piece(from) == pawn) return from;
        }
    }
    if (mayStand(side, Advisor, square)) {
        const int advisor = makePiece(side, Advisor);
        for (int step : advisorSteps) {
            const int from = squareAt(cell + step);
            if (from >= 0 && board.piece(from) == advisor) return from;
        }
    }
    if (mayStand(side, Elephant, square)) {
        const int elephant = makePiece(side, Elephant);
        for (int i = 0; i < 4; ++i) {
            const int from = squareAt(cell + stepTable[Elephant][i]);
            if (from >= 0 && board.piece(from) == elephant && board.piece(square + elephantEyes[i]) == Empty) return from;
        }
    }
    const int horse = makePiece(side, Horse);
    for (int i = 0; i < 8; ++i) {
        const int from = squareAt(cell + stepTable[Horse][i]);
        if (from >= 0 && board.piece(from) == horse && board.piece(square + attackingHorseLegs[i]) == Empty) return from;
    }
    // Along the lines: the first piece met may be a rook, the one beyond it a cannon.
    int rook = -1;
    for (int step : lineSteps) {
        int c = cell + step;
        while (squareAt(c) >= 0 && board.piece(squareAt(c)) == Empty) c += step;
        if (squareAt(c) < 0) continue;
        if (board.piece(squareAt(c)) == makePiece(side, Rook)) rook = squareAt(c);
        for (c += step; squareAt(c) >= 0; c += step) {
            const int p = board.piece(squareAt(c));
            if (p == Empty) continue;
            if (p == makePiece(side, Cannon)) return squareAt(c);
            break;
        }
    }
    if (rook >= 0) return rook;
    if (mayStand(side, King, square)) {
        const int king = board.kingSquare(side);
        for (int i = 0; i < 4; ++i)
            if (squareAt(cell + stepTable[King][i]) == king && board.piece(king) == makePiece(side, King)) return king;
    }
    return -1;
}

bool Lawyer::inCheck(int side) const {
    if (side == -1) side = board.sideToMove();
    return isAttacked(board.kingSquare(side), -1);
}

bool Lawyer::isLegal(Move& m) {
    message.clear();
    const int mover = board.sideToMove();
    const int p = board.piece(m.from);
    if (p == Empty || colourOf(p) != mover) return false;
    const int target = board.piece(m.to);
    if (target != Empty && colourOf(target) == mover) return false;
    if (!pieceCanReach(m.from, m.to, false)) return false;

    const bool wasInCheck = inCheck(mover);
    board.makeMove(m);
    const bool exposed = isAttacked(board.kingSquare(mover), opponent(mover));
    board.unmakeMove();
    if (exposed) message = wasInCheck ? "in check" : "moving into check";
    return !exposed;
}

bool Lawyer::pieceCanReach(int from, int to, bool legalOnly) {
    MoveList moves;
    generatePieceMoves(moves, from, legalOnly);
    for (const Move& candidate : moves)
        if (candidate.to == to) return true;
    return false;
}

}  // namespace qorat
