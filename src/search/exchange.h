// Static exchange evaluation: what a move wins or loses once every capture on its target
// square has been played out, cheapest attacker first, by the rules of Xiangqi (cannon
// screens, horse legs, elephant eyes, the palace and the river).
#pragma once

#include "board/board.h"
#include "rules/lawyer.h"

namespace qorat {

// The worth of each piece type in an exchange, in centipawns.
int exchangeValue(int type);

// What the side to move gains by taking on the square, cheapest piece first, when both sides
// go on taking while it pays and either may stop: 0 when taking does not pay. The board is
// left as it was.
int exchangeOn(Board& board, const Lawyer& lawyer, int square);

// The material the side to move gains by the pseudo-legal move when both sides go on taking
// on its target square while it pays, in centipawns; the board is left as it was.
int staticExchange(Board& board, const Lawyer& lawyer, const Move& m);

}  // namespace qorat
