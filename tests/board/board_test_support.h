// Shared fixture pieces for board tests: a full snapshot of a board's state.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "board/board.h"
#include "board/keys.h"

namespace qorat::testing {

constexpr unsigned TestKeySeed = 12345;

struct BoardSnapshot {
    std::array<int, BoardSquares> squares{};
    int side = 0;
    std::uint64_t key1 = 0, key2 = 0;
    int redKing = 0, blueKing = 0;
    std::array<std::array<SquareList, 7>, 2> lists{};
    std::vector<Move> history;
    std::string setupFen;

    explicit BoardSnapshot(const Board& b) : side(b.sideToMove()), key1(b.key1()), key2(b.key2()),
          redKing(b.kingSquare(Red)), blueKing(b.kingSquare(Blue)), history(b.history()), setupFen(b.setupFen()) {
        for (int s = 0; s < BoardSquares; ++s) squares[s] = b.piece(s);
        for (int type = Pawn; type <= King; ++type) {
            lists[0][type - 1] = b.pieces(Blue, type);
            lists[1][type - 1] = b.pieces(Red, type);
        }
    }

    bool operator==(const BoardSnapshot& o) const {
        if (history.size() != o.history.size()) return false;
        for (std::size_t i = 0; i < history.size(); ++i)
            if (!history[i].sameSquares(o.history[i]) || history[i].captured != o.history[i].captured) return false;
        return squares == o.squares && side == o.side && key1 == o.key1 && key2 == o.key2 && redKing == o.redKing &&
               blueKing == o.blueKing && lists == o.lists && setupFen == o.setupFen;
    }
};

// Records every event a board sends.
struct EventLog : BoardObserver {
    std::vector<int> events;
    std::vector<std::uint64_t> keysSeen;
    void boardChanged(Board& b, int event) override {
        events.push_back(event);
        keysSeen.push_back(b.key1());
    }
};

}  // namespace qorat::testing
