// What the search needs from outside the engine: a poll for waiting input and the game
// clocks. The game supplies standard input and the real clocks; tests and tools supply their own.
#pragma once

namespace qorat {

class InputPoll {
public:
    // Whether input is waiting; never blocks.
    virtual bool inputPending() = 0;

protected:
    ~InputPoll() = default;
};

class MoveClock {
public:
    // Whether the side whose clock this is may still think about its current move.
    virtual bool hasTimeForMove() const = 0;
    // Whether another, deeper iteration is worth starting; a clock without a soft target
    // leaves that to hasTimeForMove.
    virtual bool mayStartIteration() const { return true; }
    // The same budget measured to the millisecond, for the modern search; a clock that
    // measures no finer than hasTimeForMove answers the same.
    virtual bool hasTimeForMovePrecisely() const { return hasTimeForMove(); }

protected:
    ~MoveClock() = default;
};

class ClockSource {
public:
    virtual void setTimeControl(int moves, int seconds, int increment) = 0;
    virtual MoveClock* clockFor(int side) = 0;

protected:
    ~ClockSource() = default;
};

}  // namespace qorat
