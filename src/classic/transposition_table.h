// The transposition table: for positions already searched, the best move, the score, the
// kind of bound the score is and the remaining depth it was found with.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "board/board.h"

namespace qorat {

enum Bound : std::uint8_t { NoBound = 0, ExactBound = 1, UpperBound = 2, LowerBound = 3 };

// Sixteen bytes: remaining depths and scores both fit in 16 bits.
struct HashEntry {
    std::uint32_t key1 = 0;
    std::uint32_t key2 = 0;
    std::uint16_t move = 0;
    std::int16_t score = 0;
    std::int16_t depth = -1;
    std::uint8_t bound = NoBound;
    // Set when stored or aged; cleared by the first probe that hits the entry.
    std::uint8_t replaceable = 1;
};
static_assert(sizeof(HashEntry) == 16);

class TranspositionTable {
public:
    static constexpr int IndexBits = 18;
    static constexpr std::uint32_t Entries = 1u << IndexBits;

    TranspositionTable();

    // The entry for the board's position, or an empty one; a hit protects the stored entry.
    HashEntry lookup(const Board& board);
    // Stores the entry unless its slot holds a deeper entry that a probe has used.
    void insert(const HashEntry& entry);
    // Makes every entry replaceable again; entries still answer probes.
    void age();

private:
    HashEntry& slot(int sideToMove, std::uint32_t key1);

    // Index 0 holds the positions with Red to move, 1 those with Blue to move.
    std::vector<HashEntry> entries[2];
    static constexpr std::uint32_t IndexMask = Entries - 1;
};

}  // namespace qorat
