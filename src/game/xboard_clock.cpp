// The engine's clock under the xboard protocol: the front end's readings of both clocks and
// its time control, and the budget of the move being thought about, in milliseconds.
#include "game/xboard_clock.h"

#include <algorithm>

namespace qorat {

namespace {

// Kept back from every budget for the pipes, the front end and a slow machine.
constexpr XBoardClock::Milliseconds FixedReserve = 50;
// Kept back from a fixed time per move: the search stops within a millisecond of its budget.
constexpr XBoardClock::Milliseconds MoveTimeReserve = 30;
constexpr int ReserveShare = 20;
// The moves a game is assumed still to last when the period has no move count.
constexpr int AssumedMovesToGo = 28;
// The share of the increment spent on top of the base share, in quarters.
constexpr int IncrementQuarters = 3;
// A hard limit may stretch the soft target this many times when a search needs it, but
// never past this share of what is left.
constexpr int HardStretch = 3;
constexpr int HardShareOfAvailable = 2;
// A new iteration costs about twice as much as all before it together: none is begun past
// half the soft target.
constexpr int IterationStartDivisor = 2;
// Without a time control from the front end the engine plays as if given 40 moves in 5 minutes.
constexpr int DefaultMovesPerPeriod = 40;
constexpr XBoardClock::Milliseconds DefaultPeriod = 5 * 60 * 1000;

}  // namespace

XBoardClock::XBoardClock() { setLevel(DefaultMovesPerPeriod, DefaultPeriod, 0); }

void XBoardClock::setLevel(int moves, Milliseconds base, Milliseconds inc) {
    movesPerPeriod = std::max(0, moves);
    increment = std::max<Milliseconds>(0, inc);
    moveTime = 0;
    remaining = opponentRemaining = base;
}

void XBoardClock::setMoveTime(Milliseconds perMove) {
    // No seconds per move leaves the budget to the clock's level.
    moveTime = std::max<Milliseconds>(0, perMove);
}

void XBoardClock::startTurn(int movesMade) {
    turnStart = std::chrono::steady_clock::now();
    if (moveTime > 0) {
        // A fixed time per move: all of it but what the reply needs to reach the front end.
        hard = std::max<Milliseconds>(1, moveTime - std::min(MoveTimeReserve, moveTime / 10));
        soft = hard;
        return;
    }
    const Milliseconds reserve = FixedReserve + remaining / ReserveShare;
    const Milliseconds available = std::max<Milliseconds>(1, remaining - reserve);
    const int movesToGo = movesPerPeriod > 0 ? movesPerPeriod - movesMade % movesPerPeriod : AssumedMovesToGo;
    const Milliseconds share = available / movesToGo + increment * IncrementQuarters / 4;
    hard = std::min(available / HardShareOfAvailable, share * HardStretch);
    soft = std::min(hard, share);
}

XBoardClock::Milliseconds XBoardClock::elapsed() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - turnStart).count();
}

bool XBoardClock::hasTimeForMove() const { return elapsed() < hard; }

bool XBoardClock::mayStartIteration() const {
    if (moveTime > 0) return elapsed() < hard;
    return elapsed() < soft / IterationStartDivisor;
}

}  // namespace qorat
