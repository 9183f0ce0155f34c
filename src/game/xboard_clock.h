// The engine's clock under the xboard protocol: the front end's readings of both clocks and
// its time control, kept running between readings, and the budget of the move being thought
// about, in milliseconds, as the classic searches spend it (the modern search keeps its own).
#pragma once

#include <chrono>
#include <cstdint>

#include "search/search_limits.h"
#include "search/time_manager.h"
#include "thinking/seams.h"

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
    // What each move costs beyond the search: the pipes and the front end.
    void setMoveOverhead(Milliseconds overhead) { moveOverhead = overhead; }
    Milliseconds overhead() const { return moveOverhead; }

    // The limits of the engine's next move, the game having had movesMade of its moves.
    SearchLimits limits(int movesMade) const;
    // The engine's turn begins: the budget is drawn from the latest readings.
    void startTurn(int movesMade);
    // The engine has moved: its clock is charged and credited as the front end's would be,
    // for a front end that sends no readings.
    void endTurn(int movesMade);
    // A classic iteration cut short is lost whole: under a clock the search keeps to the
    // move's share, never stretching past it as the modern search may, and begins an
    // iteration only when it can end within the share.
    bool hasTimeForMove() const override { return budget.elapsed() < budget.softLimit(); }
    bool mayStartIteration() const override;

    Milliseconds softLimit() const { return budget.softLimit(); }
    Milliseconds hardLimit() const { return budget.hardLimit(); }

private:
    int movesPerPeriod = 0;
    Milliseconds period = 0;
    Milliseconds increment = 0;
    Milliseconds moveTime = 0;
    Milliseconds remaining = 0;
    Milliseconds opponentRemaining = 0;
    Milliseconds moveOverhead = TimeManager::DefaultMoveOverhead;
    TimeManager budget;
    // Whether the turn under way has a fixed time for its move.
    bool fixedTurn = false;
};

}  // namespace qorat
