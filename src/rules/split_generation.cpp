// Move generation split by kind for the search: captures alone (the quiescence search wants
// nothing else), quiet moves alone, and the test of a remembered move against the rules.
#include "board/geometry.h"
#include "rules/lawyer.h"

namespace qorat {

namespace {

// Adds the move when its target suits the kind: an enemy piece for captures, an empty point
// for quiet moves.
template <bool Captures>
void addTarget(const Board& board, MoveList& list, int from, int to, int side) {
    const int p = board.piece(to);
    if (Captures ? p != Empty && colourOf(p) != side : p == Empty) list.push_back(Move{from, to, 0});
}

}  // namespace

template <bool Captures>
void Lawyer::generateKind(MoveList& list) const {
    const int side = board.sideToMove();
    for (int from : board.pieces(side, Pawn)) {
        const int cell = cellOf(from);
        for (int step : side == Red ? redPawnSteps : bluePawnSteps) {
            const int to = squareAt(cell + step);
            if (to >= 0 && mayStand(side, Pawn, to)) addTarget<Captures>(board, list, from, to, side);
        }
    }
    for (int type : {Cannon, Rook}) {
        for (int from : board.pieces(side, type)) {
            const int cell = cellOf(from);
            for (int step : lineSteps) {
                int c = cell + step;
                int to = squareAt(c);
                for (; to >= 0 && board.piece(to) == Empty; to = squareAt(c += step))
                    if (!Captures) list.push_back(Move{from, to, 0});
                if (!Captures || to < 0) continue;
                if (type == Cannon)
                    for (to = squareAt(c += step); to >= 0 && board.piece(to) == Empty; to = squareAt(c += step)) {}
                if (to >= 0 && colourOf(board.piece(to)) != side) list.push_back(Move{from, to, 0});
            }
        }
    }
    for (int from : board.pieces(side, Horse)) {
        const int cell = cellOf(from);
        for (std::size_t i = 0; i < horseLegs.size(); ++i) {
            const int to = squareAt(cell + stepTable[Horse][i]);
            if (to >= 0 && board.piece(from + horseLegs[i]) == Empty) addTarget<Captures>(board, list, from, to, side);
        }
    }
    for (int from : board.pieces(side, Elephant)) {
        const int cell = cellOf(from);
        for (std::size_t i = 0; i < elephantEyes.size(); ++i) {
            const int to = squareAt(cell + stepTable[Elephant][i]);
            if (to >= 0 && board.piece(from + elephantEyes[i]) == Empty && mayStand(side, Elephant, to))
                addTarget<Captures>(board, list, from, to, side);
        }
    }
    for (int from : board.pieces(side, Advisor)) {
        const int cell = cellOf(from);
        for (int step : advisorSteps) {
            const int to = squareAt(cell + step);
            if (to >= 0 && mayStand(side, Advisor, to)) addTarget<Captures>(board, list, from, to, side);
        }
    }
    const int king = board.kingSquare(side);
    const int cell = cellOf(king);
    for (int i = 0; i < 4; ++i) {
        const int to = squareAt(cell + stepTable[King][i]);
        if (to >= 0 && mayStand(side, King, to)) addTarget<Captures>(board, list, king, to, side);
    }
    // Facing kings: the king may take the other along an open file, a capture like any other.
    if (Captures) {
        const int forward = side == Red ? StepUp : StepDown;
        int c = cell + forward;
        while (squareAt(c) >= 0 && board.piece(squareAt(c)) == Empty) c += forward;
        if (squareAt(c) >= 0 && board.piece(squareAt(c)) == makePiece(opponent(side), King))
            list.push_back(Move{king, squareAt(c), 0});
    }
}

void Lawyer::generateCaptures(MoveList& list) const { generateKind<true>(list); }

void Lawyer::generateQuiets(MoveList& list) const { generateKind<false>(list); }

bool Lawyer::isPseudoLegal(const Move& m) {
    if (m.from < 0 || m.from > LastSquare || m.to < 0 || m.to > LastSquare || m.isNull()) return false;
    const int p = board.piece(m.from);
    return p != Empty && colourOf(p) == board.sideToMove() && pieceCanReach(m.from, m.to, false);
}

}  // namespace qorat
