// The two game clocks: each side's balance of seconds and moves to the next time control.
#include "game/clock.h"

#include <algorithm>
#include <limits>

#include "board/types.h"

namespace qorat {

std::unique_ptr<Clock> redClock;
std::unique_ptr<Clock> blueClock;

namespace {

std::time_t systemTime() { return std::time(nullptr); }

WallClock wallClock = systemTime;

constexpr std::int64_t MillisecondsPerSecond = 1000;

int wholeSeconds(std::time_t from, std::time_t to) { return static_cast<int>(std::difftime(to, from)); }

// Balances are 32-bit; sums that would leave that range stop at its ends instead of wrapping.
std::int32_t clampToInt32(std::int64_t v) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, std::numeric_limits<std::int32_t>::min(),
                                                              std::numeric_limits<std::int32_t>::max()));
}

}  // namespace

void setWallClock(WallClock source) { wallClock = source; }

Clock::Clock(int moves, int seconds, int inc)
    : movesPerControl(moves), movesLeft(moves), secondsPerControl(seconds), secondsLeft(seconds), increment(inc),
      turnStart(wallClock()), turnEnd(turnStart) {}

void Clock::startTurn() {
    turnStart = wallClock();
    preciseTurnStart = std::chrono::steady_clock::now();
}

void Clock::stopTurn() { turnEnd = wallClock(); }

void Clock::chargeTurn() {
    const int used = wholeSeconds(turnStart, turnEnd);
    secondsLeft = clampToInt32(std::int64_t{secondsLeft} - used + increment);
    if (movesLeft == 1 && secondsLeft >= 0) {
        movesLeft = movesPerControl;
        secondsLeft = secondsPerControl;
    } else {
        movesLeft = clampToInt32(std::int64_t{movesLeft} - 1);
    }
}

bool Clock::hasTimeForMove() const {
    if (increment == 0 && secondsPerControl == 0) return true;
    // Only a move that overran the balance leaves no moves; the game is lost on time then.
    if (movesLeft <= 0) return false;
    const std::int64_t budget = (std::int64_t{secondsLeft} - 1) / movesLeft + increment;
    return budget > wholeSeconds(turnStart, wallClock());
}

std::int64_t Clock::moveBudget() const {
    if (increment == 0 && secondsPerControl == 0) return 0;
    // A period with no move left has nothing to give; the least budget still gives a move.
    if (movesLeft <= 0) return 1;
    const std::int64_t budget =
        std::int64_t{secondsLeft} * MillisecondsPerSecond / movesLeft + std::int64_t{increment} * MillisecondsPerSecond;
    const auto used =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - preciseTurnStart);
    return std::max<std::int64_t>(1, budget - used.count());
}

int Clock::timeLeft() const { return clampToInt32(std::int64_t{secondsPerControl} - wholeSeconds(turnStart, wallClock())); }

void setTimeControl(int moves, int seconds, int increment) {
    redClock = std::make_unique<Clock>(moves, seconds, increment);
    blueClock = std::make_unique<Clock>(moves, seconds, increment);
}

Clock* clockFor(int side) {
    if (side == Red) return redClock.get();
    if (side == Blue) return blueClock.get();
    return nullptr;
}

void restartClocks(int sideToMove) {
    setTimeControl(redClock->movesPerControl, redClock->secondsPerControl, redClock->increment);
    clockFor(sideToMove)->startTurn();
}

}  // namespace qorat
