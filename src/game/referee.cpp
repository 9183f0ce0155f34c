// The referee: after every move, whether a rule ends the game, and the result line it ends with.
#include "game/referee.h"

#include "game/clock.h"

namespace qorat {

std::string judgePosition(const Board& board, Lawyer& lawyer, bool judgesEveryRule) {
    MoveList moves;
    lawyer.generateMoves(moves, true);
    const int side = board.sideToMove();
    if (moves.empty()) {
        const std::string verdict = lawyer.inCheck(side) ? std::string(side == Red ? "Blue" : "Red") + " mates"
                                                         : std::string(side == Red ? "Red" : "Blue") + " stalemated";
        return std::string(side == Red ? "0-1 {" : "1-0 {") + verdict + "}\n";
    }
    if (!judgesEveryRule) return "";
    // The side that has just moved kept checking or chasing, and loses.
    const char* perpetualScore = side == Red ? "1-0" : "0-1";
    if (lawyer.insufficientMaterial()) return "1/2-1/2 {" + lawyer.message + "}\n";
    if (redClock->hasTimeControl() && redClock->isExpired()) return "0-1 {Red runs out of time}\n";
    if (blueClock->hasTimeControl() && blueClock->isExpired()) return "1-0 {Blue runs out of time}\n";
    if (lawyer.perpetualCheck() != NoSide) return std::string(perpetualScore) + " {Perpetual Check}\n";
    if (lawyer.perpetualChase() != NoSide) return std::string(perpetualScore) + " {Perpetual Chase}\n";
    return "";
}

}  // namespace qorat
