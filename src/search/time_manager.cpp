// The one time manager: a search's limits turned into a soft target and a hard limit.
#include "search/time_manager.h"

#include <algorithm>

namespace qorat {

namespace {

using Milliseconds = TimeManager::Milliseconds;

// A share of the clock kept back beyond the overheads, against a slow machine.
constexpr int ReserveShare = 20;
// The overheads of the moves to come keep back no more than this share of the clock, so
// that a short game is not all spent on them.
constexpr int OverheadShare = 4;
// The moves a game is assumed still to last when the period has no move count: more in
// sudden death, where no increment makes up for a long game.
constexpr int AssumedMovesToGo = 28;
constexpr int SuddenDeathMovesToGo = 40;
// The moves, in a game without a move count, whose overhead beyond their increment stays
// on the clock: a long sudden-death game ends in quick moves rather than a fallen flag.
constexpr int ReserveMoves = 100;
// The share of the increment spent on top of the base share, in quarters.
constexpr int IncrementQuarters = 3;
// A hard limit may stretch the soft target this many times when a search needs it, but
// never past this share of what is left.
constexpr int HardStretch = 3;
constexpr int HardShareOfAvailable = 2;
// A new iteration costs about twice as much as all before it together: none is begun past
// half the soft target.
constexpr int IterationStartDivisor = 2;

}  // namespace

void TimeManager::start(const SearchLimits& limits, Milliseconds overhead) {
    startTime = std::chrono::steady_clock::now();
    isTimed = limits.timed();
    fixedTime = limits.moveTime > 0;
    overhead = std::max<Milliseconds>(0, overhead);
    if (fixedTime) {
        // A fixed time per move: all of it but what the reply needs to reach the front end,
        // and never more than half a clock given beside it.
        hard = std::max<Milliseconds>(1, limits.moveTime - std::min(overhead, limits.moveTime / 10));
        if (limits.time > 0) hard = std::min(hard, std::max<Milliseconds>(1, (limits.time - overhead) / 2));
        soft = hard;
        return;
    }
    if (!isTimed) return;
    const int movesToGo = limits.movesToGo > 0   ? limits.movesToGo
                          : limits.increment > 0 ? AssumedMovesToGo
                                                 : SuddenDeathMovesToGo;
    // Every move to come costs its overhead whatever is thought: the increment pays for it
    // first, and what it does not cover stays on the clock.
    const Milliseconds increment = std::max<Milliseconds>(0, limits.increment - overhead);
    const Milliseconds uncovered = std::max<Milliseconds>(0, overhead - limits.increment);
    const int coveredMoves = limits.movesToGo > 0 ? limits.movesToGo : ReserveMoves;
    const Milliseconds reserve = overhead + std::min(uncovered * coveredMoves, limits.time / OverheadShare) +
                                 limits.time / ReserveShare;
    const Milliseconds available = std::max<Milliseconds>(1, limits.time - reserve);
    const Milliseconds share = available / movesToGo + increment * IncrementQuarters / 4;
    // Never more than the clock holds, whatever the increment promises.
    const Milliseconds ceiling = std::max<Milliseconds>(1, limits.time - overhead) / HardShareOfAvailable;
    hard = std::max<Milliseconds>(1, std::min({available / HardShareOfAvailable + increment / 2, share * HardStretch, ceiling}));
    soft = std::min(hard, std::max<Milliseconds>(1, share));
}

Milliseconds TimeManager::elapsed() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - startTime).count();
}

bool TimeManager::mayStartIteration() const {
    if (!isTimed) return true;
    if (fixedTime) return elapsed() < hard;
    return elapsed() < soft / IterationStartDivisor;
}

}  // namespace qorat
