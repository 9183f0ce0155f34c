// When the engine gives a game up, offers a draw or takes one offered, judged from its own
// scores in centipawns; the protocol says what it decides.
#pragma once

#include <cstddef>

namespace qorat {

class ResignAndDraw {
public:
    // A new game: no losing moves counted, no draw offered yet.
    void newGame() {
        losingMoves = 0;
        lastOffer = 0;
    }
    // The score of the move about to be played; whether it gives the game up, when the
    // person allows resigning.
    bool resigns(int score, bool allowed);
    // Whether a draw is offered with the move about to be played at this ply of the game,
    // when the person allows offers.
    bool offersDraw(int score, bool allowed, std::size_t plies);
    // Whether a draw offered is taken, the engine standing at this score.
    static bool takesDraw(int score);

private:
    int losingMoves = 0;
    std::size_t lastOffer = 0;
};

}  // namespace qorat
