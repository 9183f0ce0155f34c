// Move ordering: moves remembered from the table and the killer slots first, then captures
// of the most valuable pieces, king moves last.
#pragma once

#include <array>
#include <cstdint>

#include "board/board.h"
#include "board/move_list.h"
#include "classic/classic_types.h"
#include "rules/lawyer.h"

namespace qorat {

class MoveOrdering {
public:
    explicit MoveOrdering(const Board& board) : board(board) {}

    // The moves a node wants tried first; a later entry outranks an earlier one.
    const MoveList& preferredMoves() const { return preferred; }
    void clearPreferred() { preferred.clear(); }
    void prefer(const Move& m) { preferred.push_back(m); }

    // The move becomes the ply's first killer, the old first one its second.
    void storeKiller(const Move& m, int ply);
    // Prefers the ply's killer moves, first slot before second.
    void pushKillers(int ply);
    void clearKillers();

    // Whether a is to be tried before b in the board's position.
    bool moveBefore(const Move& a, const Move& b) const { return orderKey(a) < orderKey(b); }
    // Sorts by moveBefore; moves that compare equal keep their order.
    void sort(MoveList& moves);
    // Keeps what the quiescence search may try: everything in check, else the leading captures.
    void captureRun(MoveList& moves, const Lawyer& lawyer) const;

private:
    struct Killers {
        Move first = nullMove;
        Move second = nullMove;
    };

    // Smaller keys sort first; equal keys compare equal.
    std::uint64_t orderKey(const Move& m) const;
    int preferredRank(const Move& m) const;

    const Board& board;
    // Bounded by a few entries: every full-width node empties it before it adds its own.
    MoveList preferred;
    std::array<Killers, MaxPly> killerMoves{};
    // Room for the list being sorted; sorting never nests.
    MoveList unsorted;
};

}  // namespace qorat
