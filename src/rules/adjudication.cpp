// Adjudication by rule: insufficient material, perpetual check, perpetual chase, and the
// record of position keys the chase rule compares.
#include <array>
#include <vector>

#include "board/material.h"
#include "rules/lawyer.h"

namespace qorat {

namespace {

constexpr int CheckRounds = 3;

// Takes back the last count moves, oldest last in the returned list.
std::vector<Move> takeBack(Board& board, int count) {
    std::vector<Move> taken;
    for (int i = 0; i < count; ++i) {
        taken.push_back(board.history().back());
        board.unmakeMove();
    }
    return taken;
}

void replay(Board& board, std::vector<Move>& taken) {
    for (auto m = taken.rbegin(); m != taken.rend(); ++m) board.makeMove(*m);
}

}  // namespace

void Lawyer::boardChanged(Board& b, int event) {
    switch (event) {
        case MoveMade: keys.emplace_back(b.key1(), b.key2()); break;
        case MoveUnmade: keys.pop_back(); break;
        case PositionSet: keys.clear(); break;
        default: break;
    }
}

bool Lawyer::insufficientMaterial() {
    for (int square = 0; square < BoardSquares; ++square) {
        const int type = typeOf(board.piece(square));
        if (type == Pawn || type == Cannon || type == Rook || type == Horse) return false;
    }
    message = "Insufficient material";
    return true;
}

int Lawyer::perpetualCheck() {
    const std::vector<Move> h = board.history();
    const int n = static_cast<int>(h.size());
    // Checks that never bring a position back are an attack, not a perpetual.
    if (n < 6 || keys[n - 1] != keys[n - 5]) return NoSide;
    const int side = board.sideToMove();
    const int balance = materialBalance(board);
    if (!inCheck(side)) return NoSide;
    if (h[n - 1].from != h[n - 3].to || h[n - 3].from != h[n - 5].to) return NoSide;

    std::vector<Move> taken;
    int verdict = side;
    for (int round = 0; round < CheckRounds; ++round) {
        for (const Move& m : takeBack(board, 2)) taken.push_back(m);
        if (materialBalance(board) != balance || !inCheck(side)) {
            verdict = NoSide;
            break;
        }
    }
    replay(board, taken);
    return verdict;
}

bool Lawyer::chaserCanTake(int from, int to) {
    Move pass = nullMove;
    board.makeMove(pass);
    const bool reaches = pieceCanReach(from, to, true);
    board.unmakeMove();
    return reaches;
}

bool Lawyer::isProtected(int square) const { return isAttacked(square, colourOf(board.piece(square))); }

bool Lawyer::lastMoveChases(int chasedSquare) {
    const int target = board.piece(chasedSquare);
    // Attacking the king is check, which the perpetual-check rule judges, not a chase.
    if (target == Empty || typeOf(target) == King) return false;
    return chaserCanTake(board.history().back().to, chasedSquare) && !isProtected(chasedSquare);
}

int Lawyer::perpetualChase() {
    const int n = static_cast<int>(keys.size());
    if (n < 5 || keys[n - 1] != keys[n - 5]) return NoSide;
    const std::vector<Move>& h = board.history();
    if (h[n - 1].from != h[n - 3].to || h[n - 3].from != h[n - 5].to || h[n - 1].to != h[n - 3].from) return NoSide;
    if (h[n - 2].from != h[n - 4].to) return NoSide;
    const int u = h[n - 2].from;
    const int v = h[n - 2].to;
    if (!lastMoveChases(v)) return NoSide;

    const int side = board.sideToMove();
    std::vector<Move> taken = takeBack(board, 2);
    const int verdict = lastMoveChases(u) ? side : NoSide;
    replay(board, taken);
    return verdict;
}

int Lawyer::cycleLength(int window) const {
    const std::vector<Move>& history = board.history();
    const int last = static_cast<int>(keys.size()) - 1;
    // Moves i + 1 to last lead from the position after move i back to the current one.
    for (int i = last - 1; i >= 0 && last - i <= window; --i) {
        const Move& m = history[static_cast<std::size_t>(i + 1)];
        if (m.captured != Empty || m.isNull()) return 0;
        if ((last - i) % 2 == 0 && last - i >= 4 && keys[static_cast<std::size_t>(i)] == keys.back()) return last - i;
    }
    return 0;
}

int Lawyer::cycleLoser(int length) {
    std::array<Move, MaxCycle> cycle;
    for (int i = length - 1; i >= 0; --i) {
        cycle[static_cast<std::size_t>(i)] = board.history().back();
        board.unmakeMove();
    }
    // Each side's moves are judged where they stand: did every one check, did every one chase
    // the piece that the reply moves away?
    std::array<bool, 2> checked = {true, true};
    std::array<bool, 2> chased = {true, true};
    for (int i = 0; i < length; ++i) {
        const int mover = board.sideToMove() == Red ? 1 : 0;
        board.makeMove(cycle[static_cast<std::size_t>(i)]);
        checked[mover] = checked[mover] && inCheck(board.sideToMove());
        // The cycle goes on: its first move answers its last.
        const int replyFrom = cycle[static_cast<std::size_t>((i + 1) % length)].from;
        chased[mover] = chased[mover] && lastMoveChases(replyFrom);
    }
    if (checked[0] != checked[1]) return checked[1] ? Red : Blue;
    if (checked[0] || chased[0] == chased[1]) return NoSide;
    return chased[1] ? Red : Blue;
}

bool Lawyer::repetition(int& loser) {
    const int length = cycleLength(SearchWindow);
    if (length == 0) return false;
    loser = cycleLoser(length);
    return true;
}

}  // namespace qorat
