// Repetitions inside the search: a position that recurs since the last capture is scored as
// the rules would judge it, a loss for the side that kept checking, a draw otherwise.
#include "engine/engine.h"

namespace qorat {

namespace {

// The plies looked back for an earlier occurrence of the position.
constexpr int RepetitionWindow = 100;

}  // namespace

void Engine::noteCheck(bool inCheck) {
    const std::size_t plies = board.history().size();
    if (plies > 0) checkRecord[(plies - 1) % CheckRecordSize] = inCheck;
}

void Engine::recordGameChecks() {
    // The game's own positions since its last capture, walked back from the root.
    std::array<Move, RepetitionWindow> taken;
    int count = 0;
    while (count < RepetitionWindow && !board.history().empty()) {
        noteCheck(lawyer.inCheck(board.sideToMove()));
        const Move last = board.history().back();
        if (last.captured != Empty || last.isNull()) break;
        taken[static_cast<std::size_t>(count++)] = last;
        board.unmakeMove();
    }
    while (count > 0) board.makeMove(taken[static_cast<std::size_t>(--count)]);
}

bool Engine::repetition(int ply, int& score) const {
    const int length = lawyer.cycleLength(RepetitionWindow);
    if (length == 0) return false;
    // The side to move was checked in every position of the cycle where it was to move,
    // or its opponent was: whoever checked throughout loses.
    const int last = static_cast<int>(board.history().size()) - 1;
    bool checkedUs = lawyer.inCheck(board.sideToMove());
    bool checkedThem = true;
    for (int j = last - 1; j > last - length; --j) {
        const bool inCheck = checkRecord[static_cast<std::size_t>(j) % CheckRecordSize] != 0;
        if ((last - j) % 2 == 0)
            checkedUs = checkedUs && inCheck;
        else
            checkedThem = checkedThem && inCheck;
    }
    score = checkedUs == checkedThem ? 0 : checkedUs ? PerpetualScore - ply : ply - PerpetualScore;
    return true;
}

}  // namespace qorat
