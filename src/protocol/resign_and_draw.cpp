// The engine's resignations and draw offers.
#include "protocol/resign_and_draw.h"

#include <cstdlib>

namespace qorat {

namespace {

// A position this far lost for this many moves running is given up; one this level after
// this many moves is offered drawn, once in so many plies; a draw offered is taken when the
// engine stands this much worse.
constexpr int ResignScore = -1000;
constexpr int ResignAfterMoves = 3;
constexpr int DrawOfferMargin = 10;
constexpr std::size_t DrawOfferAfterPlies = 100;
constexpr std::size_t DrawOfferInterval = 20;
constexpr int DrawAcceptScore = -100;

}  // namespace

bool ResignAndDraw::resigns(int score, bool allowed) {
    losingMoves = score <= ResignScore ? losingMoves + 1 : 0;
    return allowed && losingMoves >= ResignAfterMoves;
}

bool ResignAndDraw::offersDraw(int score, bool allowed, std::size_t plies) {
    if (!allowed || plies < DrawOfferAfterPlies || std::abs(score) > DrawOfferMargin ||
        (lastOffer > 0 && plies < lastOffer + DrawOfferInterval))
        return false;
    lastOffer = plies;
    return true;
}

bool ResignAndDraw::takesDraw(int score) { return score <= DrawAcceptScore; }

}  // namespace qorat
