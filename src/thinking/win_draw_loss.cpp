// The model of results by score: the chance to win rises as a logistic curve in the score,
// the chance to lose is the same curve seen from the other side, and the rest are draws.
#include "thinking/win_draw_loss.h"

#include <algorithm>
#include <cmath>

namespace qorat {

namespace {

// The score, in centipawns, at which a win is as likely as not, and the width of the curve's
// rise: fitted by tools/fit_wdl.py on 30,028 moves of 200 games (bench/wdl.md).
constexpr double EvenWinScore = 458.0;
constexpr double RiseWidth = 279.0;
constexpr int PerMille = 1000;

int chanceOfWin(double centipawns) {
    return static_cast<int>(std::lround(PerMille / (1.0 + std::exp((EvenWinScore - centipawns) / RiseWidth))));
}

}  // namespace

WinDrawLoss winDrawLoss(const SearchScore& score) {
    if (score.kind == SearchScore::Mating) return {PerMille, 0, 0};
    if (score.kind == SearchScore::Mated) return {0, 0, PerMille};
    const int win = chanceOfWin(score.value);
    const int loss = chanceOfWin(-score.value);
    return {win, std::max(0, PerMille - win - loss), loss};
}

}  // namespace qorat
