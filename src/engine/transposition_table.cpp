// The transposition table: one array per side to move, a slot per position chosen by key1,
// both keys compared on a lookup.
#include "engine/transposition_table.h"

#include <memory>
#include <new>

#include "board/keys.h"

namespace qorat {

namespace {

constexpr std::size_t BytesPerMegabyte = 1 << 20;
// The keys index the table with their low 31 bits.
constexpr std::size_t MostEntries = std::size_t{1} << 30;

}  // namespace

TranspositionTable::TranspositionTable() {
    for (auto& array : entries) {
        array = allocate(Entries);
        if (!array) throw std::bad_alloc();
    }
}

TranspositionTable::EntryArray TranspositionTable::allocate(std::size_t count) {
    EntryArray array(static_cast<HashEntry*>(std::malloc(count * sizeof(HashEntry))));
    if (array) std::uninitialized_fill_n(array.get(), count, HashEntry{});
    return array;
}

bool TranspositionTable::resize(std::size_t megabytes) {
    std::size_t wanted = 1;
    while (wanted < MostEntries && 2 * (2 * wanted) * sizeof(HashEntry) <= megabytes * BytesPerMegabyte) wanted *= 2;
    EntryArray fresh[2] = {allocate(wanted), allocate(wanted)};
    if (!fresh[0] || !fresh[1]) return false;
    entries[0] = std::move(fresh[0]);
    entries[1] = std::move(fresh[1]);
    count = wanted;
    indexMask = static_cast<std::uint32_t>(count - 1);
    return true;
}

std::size_t TranspositionTable::megabytes() const { return 2 * count * sizeof(HashEntry) / BytesPerMegabyte; }

HashEntry& TranspositionTable::slot(int sideToMove, std::uint32_t key1) {
    return entries[sideToMove == Red ? 0 : 1][key1 & indexMask];
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
        for (std::size_t i = 0; i < count; ++i) array[i].replaceable = 1;
}

}  // namespace qorat
