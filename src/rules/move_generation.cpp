// Move generation: the pseudo-legal moves of each piece, and the legal-move filter.
#include "board/geometry.h"
#include "rules/lawyer.h"

namespace qorat {

namespace {

// The order in which piece types are generated.
constexpr int generationOrder[] = {Pawn, Cannon, Rook, Horse, Elephant, Advisor, King};

}  // namespace

bool Lawyer::isOpenFor(int side, int square) const {
    const int p = board.piece(square);
    return p == Empty || colourOf(p) != side;
}

void Lawyer::generateMoves(MoveList& list, bool legalOnly) {
    const int side = board.sideToMove();
    for (int type : generationOrder) {
        // Trying captures reorders the board's lists, so walk a copy.
        const SquareList squares = board.pieces(side, type);
        for (int square : squares) generateFor(list, square, makePiece(side, type), legalOnly);
    }
}

void Lawyer::generatePieceMoves(MoveList& list, int square, bool legalOnly) {
    const int p = board.piece(square);
    if (p != Empty) generateFor(list, square, p, legalOnly);
}

void Lawyer::generateFor(MoveList& list, int square, int piece, bool legalOnly) {
    const int side = colourOf(piece);
    switch (typeOf(piece)) {
        case Pawn: pawnMoves(list, square, side, legalOnly); break;
        case Cannon: slidingMoves(list, square, side, true, legalOnly); break;
        case Rook: slidingMoves(list, square, side, false, legalOnly); break;
        case Horse: horseMoves(list, square, side, legalOnly); break;
        case Elephant: elephantMoves(list, square, side, legalOnly); break;
        case Advisor: advisorMoves(list, square, side, legalOnly); break;
        case King: kingMoves(list, square, side, legalOnly); break;
        default: break;
    }
}

void Lawyer::addMove(MoveList& list, Move m, bool legalOnly) {
    if (!legalOnly) {
        list.push_back(m);
        return;
    }
    // The attack test does not depend on whose turn it is, so the check of the mover's
    // king needs no null move to hand the turn back.
    const int mover = board.sideToMove();
    board.makeMove(m);
    const bool exposed = isAttacked(board.kingSquare(mover), opponent(mover));
    board.unmakeMove();
    if (!exposed) list.push_back(m);
}

void Lawyer::pawnMoves(MoveList& list, int square, int side, bool legalOnly) {
    const int cell = cellOf(square);
    for (int step : side == Red ? redPawnSteps : bluePawnSteps) {
        const int to = squareAt(cell + step);
        if (to >= 0 && mayStand(side, Pawn, to) && isOpenFor(side, to)) addMove(list, Move{square, to, 0}, legalOnly);
    }
}

void Lawyer::slidingMoves(MoveList& list, int square, int side, bool cannon, bool legalOnly) {
    const int cell = cellOf(square);
    for (int step : lineSteps) {
        bool screened = false;
        for (int c = cell + step; squareAt(c) >= 0; c += step) {
            const int to = squareAt(c);
            const int p = board.piece(to);
            if (p == Empty) {
                if (!screened) addMove(list, Move{square, to, 0}, legalOnly);
                continue;
            }
            if (cannon && !screened) {
                screened = true;
                continue;
            }
            if (colourOf(p) != side) addMove(list, Move{square, to, 0}, legalOnly);
            break;
        }
    }
}

void Lawyer::horseMoves(MoveList& list, int square, int side, bool legalOnly) {
    const int cell = cellOf(square);
    const auto& jumps = stepTable[Horse];
    for (std::size_t i = 0; i < jumps.size(); ++i) {
        const int to = squareAt(cell + jumps[i]);
        if (to >= 0 && board.piece(square + horseLegs[i]) == Empty && isOpenFor(side, to))
            addMove(list, Move{square, to, 0}, legalOnly);
    }
}

void Lawyer::elephantMoves(MoveList& list, int square, int side, bool legalOnly) {
    const int cell = cellOf(square);
    for (std::size_t i = 0; i < elephantEyes.size(); ++i) {
        const int to = squareAt(cell + stepTable[Elephant][i]);
        if (to >= 0 && board.piece(square + elephantEyes[i]) == Empty && mayStand(side, Elephant, to) &&
            isOpenFor(side, to))
            addMove(list, Move{square, to, 0}, legalOnly);
    }
}

void Lawyer::advisorMoves(MoveList& list, int square, int side, bool legalOnly) {
    const int cell = cellOf(square);
    for (int step : advisorSteps) {
        const int to = squareAt(cell + step);
        if (to >= 0 && mayStand(side, Advisor, to) && isOpenFor(side, to)) addMove(list, Move{square, to, 0}, legalOnly);
    }
}

void Lawyer::kingMoves(MoveList& list, int square, int side, bool legalOnly) {
    const int cell = cellOf(square);
    for (int i = 0; i < 4; ++i) {
        const int to = squareAt(cell + stepTable[King][i]);
        if (to >= 0 && mayStand(side, King, to) && isOpenFor(side, to)) addMove(list, Move{square, to, 0}, legalOnly);
    }
    // Facing kings: the first piece up the file being the other king can be taken.
    const int forward = side == Red ? StepUp : StepDown;
    for (int c = cell + forward; squareAt(c) >= 0; c += forward) {
        const int p = board.piece(squareAt(c));
        if (p == Empty) continue;
        if (p == makePiece(opponent(side), King)) addMove(list, Move{square, squareAt(c), 0}, legalOnly);
        break;
    }
}

}  // namespace qorat
