// The positions file qorat-datagen writes: a header, then one fixed-size record per position
// (the layout is told once, in tools/nnue/dataset.py, the one reader of these files).
#pragma once

#include <array>
#include <cstdint>
#include <ostream>

#include "board/board.h"

namespace qorat::datagen {

inline constexpr char FileMagic[8] = {'Q', 'O', 'R', 'A', 'T', 'P', 'O', 'S'};
inline constexpr std::uint32_t FileVersion = 1;
inline constexpr std::size_t RecordBytes = 32;

// The game's end as seen by Red, as the record stores it.
enum class RedResult : std::uint8_t { Loss = 0, Draw = 1, Win = 2 };

using Record = std::array<std::uint8_t, RecordBytes>;

// The board's pieces and side to move with the search's score (centipawns for the side to
// move); the result is filled in once the game has ended.
Record packPosition(const Board& board, int score);
void setResult(Record& record, RedResult result);

void writeHeader(std::ostream& out);
void writeRecord(std::ostream& out, const Record& record);

}  // namespace qorat::datagen
