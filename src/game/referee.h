// The referee: after every move, whether a rule ends the game, and the result line it ends with.
#pragma once

#include <string>

#include "board/board.h"
#include "rules/lawyer.h"

namespace qorat {

// The result line ("1-0 {Blue mates}\n" and the like) of the rule that ends the game in the
// position, or empty while the game goes on. Mate and stalemate are always judged; the other
// rules (material, time, perpetual check and chase) only when the front end leaves them to us.
std::string judgePosition(const Board& board, Lawyer& lawyer, bool judgesEveryRule);

}  // namespace qorat
