// Clock arithmetic under a time source the test moves by hand, and the xboard clock's budget
// for the classic searches.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "board/types.h"
#include "game/clock.h"
#include "game/xboard_clock.h"

namespace qorat {
namespace {

std::time_t fakeNow = 1000;
std::time_t fakeTime() { return fakeNow; }

class ClockTest : public ::testing::Test {
protected:
    void SetUp() override {
        fakeNow = 1000;
        setWallClock(fakeTime);
    }
    void TearDown() override { setWallClock([] { return std::time(nullptr); }); }

    // One turn of the given length on a fresh clock's side.
    static void playTurn(Clock& clock, int seconds) {
        clock.startTurn();
        fakeNow += seconds;
        clock.stopTurn();
        clock.chargeTurn();
    }
};

TEST_F(ClockTest, NewClocksStartNow) {
    setTimeControl(1, 10, 0);
    EXPECT_EQ(redClock->turnStart, 1000);
    EXPECT_EQ(redClock->turnEnd, 1000);
    EXPECT_EQ(clockFor(Red), redClock.get());
    EXPECT_EQ(clockFor(Blue), blueClock.get());
    EXPECT_EQ(clockFor(NoSide), nullptr);
}

TEST_F(ClockTest, MoveWithinTheTimeStartsANewPeriod) {
    setTimeControl(1, 10, 0);
    playTurn(*redClock, 9);
    EXPECT_EQ(redClock->secondsLeft, 10);
    EXPECT_EQ(redClock->movesLeft, 1);
    EXPECT_FALSE(redClock->isExpired());
}

TEST_F(ClockTest, OverrunningRunsTheClockOut) {
    setTimeControl(1, 10, 0);
    playTurn(*redClock, 12);
    EXPECT_EQ(redClock->secondsLeft, -2);
    EXPECT_EQ(redClock->movesLeft, 0);
    EXPECT_TRUE(redClock->isExpired());
    EXPECT_TRUE(redClock->hasTimeControl());
    EXPECT_FALSE(redClock->hasTimeForMove());
}

TEST_F(ClockTest, SavedTimeIsNotCarriedOver) {
    setTimeControl(2, 60, 0);
    playTurn(*redClock, 5);
    EXPECT_EQ(redClock->secondsLeft, 55);
    EXPECT_EQ(redClock->movesLeft, 1);
    playTurn(*redClock, 5);
    EXPECT_EQ(redClock->secondsLeft, 60);
    EXPECT_EQ(redClock->movesLeft, 2);
}

TEST_F(ClockTest, SearchBudget) {
    struct Case {
        int seconds;
        int elapsed;
        bool hasTime;
    };
    // Under "st" N the search may use N - 1 whole seconds.
    const Case cases[] = {
        {10, 0, true}, {10, 8, true}, {10, 9, false}, {1, 0, false}, {0, 5000, true}, {-5, 0, false},
    };
    for (const Case& c : cases) {
        fakeNow = 1000;
        setTimeControl(1, c.seconds, 0);
        redClock->startTurn();
        fakeNow += c.elapsed;
        EXPECT_EQ(redClock->hasTimeForMove(), c.hasTime) << c.seconds << " " << c.elapsed;
    }
}

TEST_F(ClockTest, ZeroSecondsStillHasATimeControl) {
    setTimeControl(1, 0, 0);
    playTurn(*redClock, 1);
    EXPECT_TRUE(redClock->isExpired());
    EXPECT_TRUE(redClock->hasTimeControl());
}

TEST_F(ClockTest, NegativeSecondsAreExpiredAtOnce) {
    setTimeControl(1, -5, 0);
    EXPECT_TRUE(redClock->isExpired());
    EXPECT_TRUE(blueClock->isExpired());
}

TEST_F(ClockTest, TimeReportWithoutTimeControl) {
    setTimeControl(0, 0, 0);
    EXPECT_FALSE(redClock->hasTimeControl());
    redClock->startTurn();
    fakeNow += 3;
    EXPECT_EQ(redClock->timeLeft(), -3);
    playTurn(*redClock, 1);
    EXPECT_EQ(redClock->movesLeft, -1);
    playTurn(*redClock, 1);
    EXPECT_EQ(redClock->movesLeft, -2);
    EXPECT_TRUE(redClock->hasTimeForMove());
}

TEST_F(ClockTest, TimeReportUnderATimeControl) {
    setTimeControl(1, 10, 0);
    redClock->startTurn();
    fakeNow += 3;
    EXPECT_EQ(redClock->timeLeft(), 7);
    EXPECT_EQ(redClock->movesLeft, 1);
}

TEST_F(ClockTest, ExtremeBalancesDoNotWrap) {
    setTimeControl(1, -2147483647 - 1, 0);
    playTurn(*redClock, 5);
    EXPECT_EQ(redClock->secondsLeft, -2147483647 - 1);
    EXPECT_FALSE(redClock->hasTimeForMove());
    EXPECT_EQ(redClock->timeLeft(), -2147483647 - 1);
}

TEST(XBoardClockBudget, FixedTimePerMoveIsUsedAlmostWhole) {
    // "st": the search may think until a few tens of milliseconds before the time is out;
    // a short time keeps most of itself too.
    struct Case {
        XBoardClock::Milliseconds perMove, lowest, highest;
    };
    const Case cases[] = {{1000, 950, 999}, {5000, 4950, 4999}, {100, 90, 99}, {1, 1, 1}};
    for (const Case& c : cases) {
        XBoardClock clock;
        clock.setMoveTime(c.perMove);
        clock.startTurn(0);
        EXPECT_GE(clock.hardLimit(), c.lowest) << c.perMove;
        EXPECT_LE(clock.hardLimit(), c.highest) << c.perMove;
    }
}

TEST(XBoardClockBudget, ClassicSearchesKeepToTheMovesShare) {
    // Thirty seconds of sudden death: a share of some 590 ms, a hard limit three times that.
    // Each check waits first, so that a slow machine only makes it truer.
    XBoardClock clock;
    clock.setLevel(0, 30000, 0);
    clock.startTurn(0);
    ASSERT_LT(clock.softLimit() * 2, clock.hardLimit());
    const auto spent = std::chrono::milliseconds(clock.softLimit() / 6 + 50);
    std::this_thread::sleep_for(spent);
    // Six times the time spent would end past the share: no iteration begins.
    EXPECT_FALSE(clock.mayStartIteration()) << spent.count();
    std::this_thread::sleep_for(std::chrono::milliseconds(clock.softLimit()));
    // The share is out, though the hard limit is not.
    EXPECT_FALSE(clock.hasTimeForMove());

    // A fixed time per move is spent whole: iterations begin until it is out.
    clock.setMoveTime(30000);
    clock.startTurn(0);
    std::this_thread::sleep_for(spent);
    EXPECT_TRUE(clock.mayStartIteration());
    EXPECT_TRUE(clock.hasTimeForMove());
}

}  // namespace
}  // namespace qorat
