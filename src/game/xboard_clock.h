// The engine's clock under the xboard protocol: the front end's readings of both clocks and
// its time control, and the budget of the move being thought about, in milliseconds.
#pragma once

#include <chrono>
#include <cstdint>

#include "search/seams.h"

namespace qorat {

class XBoardClock final : public MoveClock {
public:
    using Milliseconds = std::int64_t;

    XBoardClock();

    // "level": moves per period (0: the whole game), the period's time and the increment.
    void setLevel(int movesPerPeriod, Milliseconds base, Milliseconds increment);
    // "st": a fixed time for every move; 0 leaves the budget to the level.
    void setMoveTime(Milliseconds perMove);
    // "time" and "otim": the front end's clocks, which always win over our own reckoning.
    void setRemaining(Milliseconds left) { remaining = left; }
    void setOpponentRemaining(Milliseconds left) { opponentRemaining = left; }

    // The engine's turn begins: the budget is drawn from the latest readings.
    void startTurn(int movesMade);
    bool hasTimeForMove() const override;
    bool mayStartIteration() const override;

    Milliseconds softLimit() const { return soft; }
    Milliseconds hardLimit() const { return hard; }

private:
    Milliseconds elapsed() const;

    int movesPerPeriod = 0;
    Milliseconds increment = 0;
    Milliseconds moveTime = 0;
    Milliseconds remaining = 0;
    Milliseconds opponentRemaining = 0;
    std::chrono::steady_clock::time_point turnStart = std::chrono::steady_clock::now();
    Milliseconds soft = 0;
    Milliseconds hard = 0;
};

}  // namespace qorat
