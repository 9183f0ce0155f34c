// Repetitions inside the search: a position that recurs since the last capture is scored as
// the game's rules judge the cycle, a loss for the side that kept checking or chasing, a
// draw otherwise.
#include "search/engine.h"

namespace qorat {

namespace {

// The plies looked back for an earlier occurrence of the position.
constexpr int RepetitionWindow = 100;

}  // namespace

bool Engine::repetition(int ply, int& score) const {
    const int length = lawyer.cycleLength(RepetitionWindow);
    if (length == 0) return false;
    const int loser = lawyer.cycleLoser(length);
    score = loser == NoSide ? 0 : loser == board.sideToMove() ? ply - PerpetualScore : PerpetualScore - ply;
    return true;
}

}  // namespace qorat
