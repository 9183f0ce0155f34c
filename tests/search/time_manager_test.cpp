// The time manager: a fixed time per move used almost whole, budgets that never exceed the
// clock, and a sudden-death game that outlasts its overheads.
#include <gtest/gtest.h>

#include "search/time_manager.h"

namespace qorat {
namespace {

using Milliseconds = TimeManager::Milliseconds;
constexpr Milliseconds Overhead = TimeManager::DefaultMoveOverhead;

TimeManager budgetFor(Milliseconds time, Milliseconds increment, int movesToGo, Milliseconds moveTime = 0) {
    SearchLimits limits;
    limits.time = time;
    limits.increment = increment;
    limits.movesToGo = movesToGo;
    limits.moveTime = moveTime;
    TimeManager manager;
    manager.start(limits, Overhead);
    return manager;
}

TEST(TimeManager, FixedTimePerMoveIsUsedAlmostWhole) {
    struct Case {
        Milliseconds perMove, lowest, highest;
    };
    for (const Case& c : {Case{1000, 950, 999}, Case{5000, 4950, 4999}, Case{100, 90, 99}, Case{1, 1, 1}}) {
        const TimeManager manager = budgetFor(0, 0, 0, c.perMove);
        EXPECT_GE(manager.hardLimit(), c.lowest) << c.perMove;
        EXPECT_LE(manager.hardLimit(), c.highest) << c.perMove;
        EXPECT_EQ(manager.softLimit(), manager.hardLimit());
    }
}

TEST(TimeManager, BudgetsStayWithinTheClock) {
    // Whatever the increment or the moves to go, a move never takes more than half the clock
    // left after its overhead, and the target never passes the limit.
    struct Case {
        Milliseconds time, increment;
        int movesToGo;
    };
    const Case cases[] = {{60000, 0, 0},  {1000, 0, 0},   {80, 0, 0},     {1, 0, 0},    {10000, 100, 0},
                          {300, 5000, 0}, {60000, 0, 1},  {60000, 0, 40}, {50, 0, 1},   {3600000, 60000, 0}};
    for (const Case& c : cases) {
        const TimeManager manager = budgetFor(c.time, c.increment, c.movesToGo);
        EXPECT_TRUE(manager.timed());
        EXPECT_GE(manager.softLimit(), 1) << c.time;
        EXPECT_LE(manager.softLimit(), manager.hardLimit()) << c.time;
        EXPECT_LE(manager.hardLimit(), std::max<Milliseconds>(1, (c.time - Overhead) / 2)) << c.time << " " << c.increment;
    }
    EXPECT_FALSE(budgetFor(0, 0, 0).timed());
}

TEST(TimeManager, SuddenDeathOutlastsItsOverheads) {
    // One minute for the game: spending half as much again as the target, and the overhead,
    // on every move, the clock lasts well over a hundred moves, as long games between
    // engines do. (The old budget, a twenty-eighth of the clock less a fixed 50 ms, lasted 81.)
    Milliseconds left = 60000;
    int moves = 0;
    for (; moves < 1000 && left > 0; ++moves) left -= budgetFor(left, 0, 0).softLimit() * 3 / 2 + Overhead;
    EXPECT_GE(moves, 120);
    // Early on a move still gets a real share of the clock.
    EXPECT_GE(budgetFor(60000, 0, 0).softLimit(), 1000);
}

}  // namespace
}  // namespace qorat
