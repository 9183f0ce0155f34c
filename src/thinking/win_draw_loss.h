// What a score says of the game's end: wins, draws and losses in a thousand games from the
// position, by a model of score against result fitted on qorat's own games (bench/wdl.md).
#pragma once

#include "thinking/score.h"

namespace qorat {

struct WinDrawLoss {
    int win = 0;
    int draw = 0;
    int loss = 0;
};

// For the side to move; the three add up to 1000.
WinDrawLoss winDrawLoss(const SearchScore& score);

}  // namespace qorat
