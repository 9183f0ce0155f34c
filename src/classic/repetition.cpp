// Repetitions inside the search: a position that recurs since the last capture is scored as
// the game's rules judge the cycle, a loss for the side that kept checking or chasing, a
// draw otherwise.
#include "classic/engine.h"

namespace qorat {

bool Engine::repetition(int ply, int& score) const {
    int loser = NoSide;
    if (!lawyer.repetition(loser)) return false;
    score = loser == NoSide ? 0 : loser == board.sideToMove() ? ply - PerpetualScore : PerpetualScore - ply;
    return true;
}

}  // namespace qorat
