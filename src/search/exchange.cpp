// Static exchange evaluation: the captures on one square played out on the board itself, so
// that every screen and leg they open or close is seen, then scored back by minimax.
#include "search/exchange.h"

#include <algorithm>
#include <array>

namespace qorat {

namespace {

constexpr std::array<int, PieceTypes> ExchangeValues = {0, 100, 450, 900, 400, 200, 200, 10000};
// No square sees more captures than there are pieces.
constexpr int MostCaptures = 2 * MaxPiecesPerSide;

}  // namespace

int exchangeValue(int type) { return ExchangeValues[type]; }

int exchangeOn(Board& board, const Lawyer& lawyer, int square) {
    std::array<int, MostCaptures> gain;
    int standing = ExchangeValues[typeOf(board.piece(square))];
    int side = board.sideToMove();
    int depth = -1;
    while (depth + 1 < MostCaptures) {
        const int from = lawyer.cheapestAttacker(square, side);
        if (from < 0) break;
        // A king takes only what nothing defends.
        if (typeOf(board.piece(from)) == King && lawyer.cheapestAttacker(square, opponent(side)) >= 0) break;
        ++depth;
        gain[depth] = standing - (depth > 0 ? gain[depth - 1] : 0);
        standing = ExchangeValues[typeOf(board.piece(from))];
        Move capture{from, square, 0};
        board.makeMove(capture);
        side = opponent(side);
    }
    for (int i = 0; i <= depth; ++i) board.unmakeMove();
    if (depth < 0) return 0;
    // Either side may stop taking when going on would cost it.
    for (; depth > 0; --depth) gain[depth - 1] = -std::max(-gain[depth - 1], gain[depth]);
    return std::max(0, gain[0]);
}

int staticExchange(Board& board, const Lawyer& lawyer, const Move& m) {
    const int taken = ExchangeValues[typeOf(board.piece(m.to))];
    Move move = m;
    board.makeMove(move);
    const int lost = exchangeOn(board, lawyer, m.to);
    board.unmakeMove();
    return taken - lost;
}

}  // namespace qorat
