// The search's use of the transposition table: probing for a cut, a move to try first and
// a narrower window, and storing a node's result with the kind of bound it is.
#include "classic/engine.h"

namespace qorat {

bool Engine::probe(int ply, int depth, int& alpha, int& beta, Move& move, int& score, bool& nullAllowed) {
    if (!hash) return false;
    const HashEntry entry = table->lookup(board);
    if (entry.bound == NoBound) return false;
    move = unpackMove(entry.move);
    score = fromTable(entry.score, ply);
    const bool inWindow = alpha < score && score < beta;
    if (hashadjust && inWindow && entry.bound == UpperBound) {
        beta = score;
        nullAllowed = false;
    } else if (hashadjust && inWindow && entry.bound == LowerBound) {
        alpha = score;
        nullAllowed = false;
    }
    ordering.prefer(move);
    // At the root only an exact score may stand for the search.
    return entry.depth > depth - ply && (ply > 0 || entry.bound == ExactBound);
}

void Engine::store(int ply, int depth, int alpha, int beta, int result, const Move& move) {
    // A score from the rule of repetition holds on this path only; the table keeps none.
    if (!hash || isPerpetualScore(result)) return;
    HashEntry entry;
    entry.key1 = static_cast<std::uint32_t>(board.key1());
    entry.key2 = static_cast<std::uint32_t>(board.key2());
    entry.move = packMove(move);
    entry.score = static_cast<std::int16_t>(toTable(result, ply));
    entry.depth = static_cast<std::int16_t>(depth - ply);
    entry.bound = result < alpha ? UpperBound : result < beta ? ExactBound : LowerBound;
    entry.replaceable = 1;
    table->insert(entry);
}

}  // namespace qorat
