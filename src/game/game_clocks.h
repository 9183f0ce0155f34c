// The clocks as the engine reaches them: the clock of the side to move, or under the xboard
// protocol the clock kept from the front end's readings.
#pragma once

#include "game/xboard_clock.h"
#include "thinking/seams.h"

namespace qorat {

class GameClocks final : public ClockSource {
public:
    void setTimeControl(int moves, int seconds, int increment) override;
    MoveClock* clockFor(int side) override;

    // Whether the engine thinks on the front end's clock rather than on the clocks of the sides.
    void useXBoardClock(bool on) { onXBoardClock = on; }
    XBoardClock& xboardClock() { return frontEndClock; }

private:
    XBoardClock frontEndClock;
    bool onXBoardClock = false;
};

}  // namespace qorat
