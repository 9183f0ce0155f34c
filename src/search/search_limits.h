// What a front end asks of one search: how deep, how many nodes, how long, whether it waits
// for a stop (analysis, pondering), and which root moves it may play.
#pragma once

#include <cstdint>

#include "board/move_list.h"

namespace qorat {

struct SearchLimits {
    using Milliseconds = std::int64_t;

    // The mover's clock, its increment and the moves to the next time control (0: the whole
    // game); no clock when time is 0.
    Milliseconds time = 0;
    Milliseconds increment = 0;
    int movesToGo = 0;
    // A fixed time for the move; 0: none.
    Milliseconds moveTime = 0;
    // 0: no limit.
    int depth = 0;
    std::int64_t nodes = 0;
    // Searches until stopped; a pondering search also, until the ponder hit turns it into a
    // timed one.
    bool infinite = false;
    bool ponder = false;
    // Only these root moves are searched; empty: every one.
    MoveList searchMoves;

    bool timed() const { return time > 0 || moveTime > 0; }
};

}  // namespace qorat
