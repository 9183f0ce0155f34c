// Move ordering: a sort key per move, remembered moves by their last place, then king
// moves last, greater victims first, and the attacker's worth to break ties.
#include "classic/move_ordering.h"

#include <algorithm>

#include "eval/evaluator.h"

namespace qorat {

namespace {

constexpr int HighestValue = pieceValues[King];
constexpr int ValueBits = 11;
constexpr int RankBits = 16;
constexpr int IndexBits = 16;
constexpr int NotPreferred = (1 << RankBits) - 1;
constexpr std::uint64_t IndexMask = (1u << IndexBits) - 1;

static_assert(HighestValue < (1 << ValueBits));
static_assert(MoveList::Capacity < (1u << RankBits) - 1 && MoveList::Capacity <= IndexMask);

}  // namespace

void MoveOrdering::storeKiller(const Move& m, int ply) {
    Killers& slots = killerMoves[ply];
    slots.second = slots.first;
    slots.first = m;
}

void MoveOrdering::pushKillers(int ply) {
    const Killers& slots = killerMoves[ply];
    if (!isNoMove(slots.first)) prefer(slots.first);
    if (!isNoMove(slots.second)) prefer(slots.second);
}

void MoveOrdering::clearKillers() { killerMoves.fill(Killers{}); }

int MoveOrdering::preferredRank(const Move& m) const {
    for (int i = static_cast<int>(preferred.size()) - 1; i >= 0; --i)
        if (preferred[i].sameSquares(m)) return i;
    return NotPreferred;
}

std::uint64_t MoveOrdering::orderKey(const Move& m) const {
    const int mover = typeOf(board.piece(m.from));
    const int victimValue = evaluator.pieceValue(typeOf(board.piece(m.to)));
    const int moverValue = evaluator.pieceValue(mover);
    // Among captures of equal victims the cheaper attacker first; among quiet moves the dearer piece.
    const int attackerRank = victimValue > 0 ? moverValue : HighestValue - moverValue;
    std::uint64_t key = static_cast<std::uint64_t>(preferredRank(m));
    key = key << 1 | (mover == King ? 1 : 0);
    key = key << ValueBits | static_cast<std::uint64_t>(HighestValue - victimValue);
    key = key << ValueBits | static_cast<std::uint64_t>(attackerRank);
    return key;
}

void MoveOrdering::sort(MoveList& moves) {
    // The generation index below the key makes equal keys keep their order.
    std::array<std::uint64_t, MoveList::Capacity> keyed;
    const std::size_t n = moves.size();
    for (std::size_t i = 0; i < n; ++i) keyed[i] = orderKey(moves[i]) << IndexBits | i;
    std::sort(keyed.begin(), keyed.begin() + n);
    unsorted.clear();
    for (const Move& m : moves) unsorted.push_back(m);
    for (std::size_t i = 0; i < n; ++i) moves[i] = unsorted[keyed[i] & IndexMask];
}

void MoveOrdering::captureRun(MoveList& moves, const Lawyer& lawyer) const {
    if (lawyer.inCheck(board.sideToMove())) return;
    std::size_t run = 0;
    while (run < moves.size() && board.piece(moves[run].to) != Empty) ++run;
    moves.truncate(run);
}

}  // namespace qorat
