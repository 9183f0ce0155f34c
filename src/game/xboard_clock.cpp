// The engine's clock under the xboard protocol, kept from the front end's readings.
#include "game/xboard_clock.h"

#include <algorithm>

namespace qorat {

namespace {

// Without a time control from the front end the engine plays as if given 40 moves in 5 minutes.
constexpr int DefaultMovesPerPeriod = 40;
constexpr XBoardClock::Milliseconds DefaultPeriod = 5 * 60 * 1000;

}  // namespace

XBoardClock::XBoardClock() { setLevel(DefaultMovesPerPeriod, DefaultPeriod, 0); }

void XBoardClock::setLevel(int moves, Milliseconds base, Milliseconds inc) {
    movesPerPeriod = std::max(0, moves);
    period = std::max<Milliseconds>(0, base);
    increment = std::max<Milliseconds>(0, inc);
    moveTime = 0;
    remaining = opponentRemaining = period;
}

void XBoardClock::setMoveTime(Milliseconds perMove) {
    // No seconds per move leaves the budget to the clock's level.
    moveTime = std::max<Milliseconds>(0, perMove);
}

SearchLimits XBoardClock::limits(int movesMade) const {
    SearchLimits limits;
    limits.moveTime = moveTime;
    // A fallen flag still leaves a move to play, as quickly as may be.
    limits.time = std::max<Milliseconds>(1, remaining);
    limits.increment = increment;
    limits.movesToGo = movesPerPeriod > 0 ? movesPerPeriod - movesMade % movesPerPeriod : 0;
    return limits;
}

void XBoardClock::startTurn(int movesMade) { budget.start(limits(movesMade), moveOverhead); }

void XBoardClock::endTurn(int movesMade) {
    if (moveTime > 0) return;
    remaining -= budget.elapsed() + moveOverhead;
    remaining += increment;
    if (movesPerPeriod > 0 && (movesMade + 1) % movesPerPeriod == 0) remaining += period;
}

}  // namespace qorat
