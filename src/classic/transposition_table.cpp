// The transposition table: one array per side to move, a slot per position chosen by key1,
// both keys compared on a lookup.
#include "classic/transposition_table.h"

#include "board/keys.h"

namespace qorat {

TranspositionTable::TranspositionTable() {
    for (auto& array : entries) array.assign(Entries, HashEntry{});
}

HashEntry& TranspositionTable::slot(int sideToMove, std::uint32_t key1) {
    return entries[sideToMove == Red ? 0 : 1][key1 & IndexMask];
}

HashEntry TranspositionTable::lookup(const Board& board) {
    const auto key1 = static_cast<std::uint32_t>(board.key1());
    const auto key2 = static_cast<std::uint32_t>(board.key2());
    HashEntry& entry = slot(board.sideToMove(), key1);
    if (entry.key1 != key1 || entry.key2 != key2) return HashEntry{};
    entry.replaceable = 0;
    return entry;
}

void TranspositionTable::insert(const HashEntry& entry) {
    const int side = (entry.key1 & RedToMoveKeyBit) ? Red : Blue;
    HashEntry& old = slot(side, entry.key1);
    if (old.replaceable || old.depth <= entry.depth) old = entry;
}

void TranspositionTable::age() {
    for (auto& array : entries)
        for (HashEntry& entry : array) entry.replaceable = 1;
}

}  // namespace qorat
