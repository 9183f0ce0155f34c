// The clocks as the engine reaches them.
#include "game/game_clocks.h"

#include "game/clock.h"

namespace qorat {

void GameClocks::setTimeControl(int moves, int seconds, int increment) { qorat::setTimeControl(moves, seconds, increment); }

MoveClock* GameClocks::clockFor(int side) {
    return onXBoardClock ? static_cast<MoveClock*>(&frontEndClock) : qorat::clockFor(side);
}

}  // namespace qorat
