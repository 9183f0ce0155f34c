// The two game clocks: each side's balance of seconds and moves to the next time control.
#pragma once

#include <chrono>
#include <cstdint>
#include <ctime>
#include <memory>

#include "thinking/seams.h"

namespace qorat {

class Clock final : public MoveClock {
public:
    Clock(int moves, int seconds, int increment);

    void startTurn();
    void stopTurn();
    // Charges the span from the turn's start to its end, starting a new period when due.
    void chargeTurn();
    bool isExpired() const { return secondsLeft < 0; }
    bool hasTimeControl() const { return movesPerControl != 0 || secondsPerControl != 0; }
    bool hasTimeForMove() const override;
    // What is left of the move's budget, measured to the millisecond from the turn's start,
    // for a search that keeps its own time from now on; 0 when there is no limit.
    std::int64_t moveBudget() const;
    // The granted seconds less the whole seconds since the turn began.
    int timeLeft() const;

    std::int32_t movesPerControl;
    std::int32_t movesLeft;
    std::int32_t secondsPerControl;
    std::int32_t secondsLeft;
    std::int32_t increment;
    std::time_t turnStart;
    std::time_t turnEnd;
    std::chrono::steady_clock::time_point preciseTurnStart = std::chrono::steady_clock::now();
};

extern std::unique_ptr<Clock> redClock;
extern std::unique_ptr<Clock> blueClock;

// Replaces both clocks by fresh ones with this time control.
void setTimeControl(int moves, int seconds, int increment);
// A new game: both clocks get fresh balances of the current time control, and the turn of
// the side to move starts now.
void restartClocks(int sideToMove);
// The clock of Red or Blue; null for any other value.
Clock* clockFor(int side);

// Where the clocks read the time; tests substitute their own.
using WallClock = std::time_t (*)();
void setWallClock(WallClock source);

}  // namespace qorat
