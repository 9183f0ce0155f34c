// The modern search's move ordering, in stages so that a cut-off spares the work of the rest:
// the table's move, captures that do not lose material by the exchange, the killers and the
// counter-move, quiet moves by their history, and last the captures that lose material.
// In check every move is tried, captures first; the quiescence search takes captures only.
#pragma once

#include <array>
#include <cstddef>

#include "board/board.h"
#include "board/move_list.h"
#include "rules/lawyer.h"
#include "search/history.h"

namespace qorat {

// What the search has learnt, as the move picker reads it.
struct Histories {
    ButterflyHistory butterfly{};
    CaptureHistory captures{};
    ContinuationHistory continuation{};
    CounterMoves counters{};
};

class MovePicker {
public:
    // For a full-width node: the continuation histories of the moves one, two, four and six
    // plies back, and the node's killers and counter-move.
    MovePicker(Board& board, Lawyer& lawyer, const Histories& histories, Move tableMove, bool inCheck,
               const std::array<const PieceToHistory*, 4>& continuations, const std::array<Move, 2>& killers,
               Move counter);
    // For the quiescence search: captures, or every move in check.
    MovePicker(Board& board, Lawyer& lawyer, const Histories& histories, Move tableMove, bool inCheck,
               const std::array<const PieceToHistory*, 4>& continuations);

    // The next move to try, or the null move when none is left. With skipQuiets, quiet moves
    // not yet given are passed over.
    Move next(bool skipQuiets = false);

private:
    enum Stage {
        TableStage, CaptureInit, GoodCaptures, FirstKiller, SecondKiller, Counter, QuietInit, Quiets, BadCaptures,
        EvasionTable, EvasionInit, Evasions,
        QuiescenceTable, QuiescenceInit, QuiescenceCaptures,
        Done
    };

    void scoreCaptures(std::size_t from);
    void scoreQuiets(std::size_t from);
    void scoreEvasions();
    // Moves the best-scored remaining move to the cursor and returns it.
    Move pickBest();
    bool isRefutation(const Move& m) const;
    bool usable(const Move& m);

    Board& board;
    Lawyer& lawyer;
    const Histories& histories;
    Move tableMove;
    std::array<const PieceToHistory*, 4> continuations;
    std::array<Move, 3> refutations{};
    Stage stage;
    MoveList moves;
    std::array<int, MoveList::Capacity> scores;
    std::size_t cursor = 0;
    std::size_t end = 0;
    // Losing captures are set aside at the front of the list, to be tried last.
    std::size_t badEnd = 0;
};

}  // namespace qorat
