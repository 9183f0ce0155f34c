// The engine's clock under the xboard protocol, kept from the front end's readings.
#include "game/xboard_clock.h"

#include <algorithm>

namespace qorat {

namespace {

// Without a time control from the front end the engine plays as if given 40 moves in 5 minutes.
constexpr int DefaultMovesPerPeriod = 40;
constexpr XBoardClock::Milliseconds DefaultPeriod = 5 * 60 * 1000;
// A classic search has spent up to about six times as long at the end of an iteration as at
// its start on nine in ten of the iterations of the bench positions (the dearer depths of
// MTD(f) and alpha-beta far more than the cheaper ones): one is begun only while that much
// still ends within the move's share.
constexpr XBoardClock::Milliseconds ClassicIterationGrowth = 6;

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

void XBoardClock::startTurn(int movesMade) {
    budget.start(limits(movesMade), moveOverhead);
    fixedTurn = moveTime > 0;
}

bool XBoardClock::mayStartIteration() const {
    // A fixed time per move is the move's whatever it does with it: the search deepens until
    // the time is out, and an iteration cut short costs no later move anything.
    if (fixedTurn) return budget.mayStartIteration();
    return budget.elapsed() * ClassicIterationGrowth <= budget.softLimit();
}

void XBoardClock::endTurn(int movesMade) {
    if (moveTime > 0) return;
    remaining -= budget.elapsed() + moveOverhead;
    remaining += increment;
    if (movesPerPeriod > 0 && (movesMade + 1) % movesPerPeriod == 0) remaining += period;
}

}  // namespace qorat
