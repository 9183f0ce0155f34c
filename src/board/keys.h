// The two tables of random position keys, one entry per (square, piece code).
#pragma once

#include <array>
#include <cstdint>

#include "board/types.h"

namespace qorat {

constexpr int KeySlotsPerSquare = 15;
// One entry past 15 * 90: a Red king (code 15) on the last square reads slot 1350.
constexpr int KeyTableSize = KeySlotsPerSquare * BoardSquares + 1;
constexpr std::uint64_t RedToMoveKeyBit = 0x80000000u;

extern std::array<std::uint64_t, KeyTableSize> keyTable1;
extern std::array<std::uint64_t, KeyTableSize> keyTable2;

constexpr int keySlot(int square, int piece) { return KeySlotsPerSquare * square + piece; }

// Draws both tables from the given seed, all entries distinct, non-zero and below 2^31.
void fillKeyTables(unsigned seed);
// Draws both tables from the random seed, unless they have been drawn already in this process.
void ensureKeyTables();

}  // namespace qorat
