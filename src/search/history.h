// What the modern search learns of moves as it goes: which quiet moves and captures cut off,
// by side, by piece and square, and after which moves of the opponent (continuation).
#pragma once

#include <array>
#include <cstdint>
#include <cstdlib>

#include "board/types.h"
#include "search/search_params.h"

namespace qorat {

// A statistic that moves towards each bonus and saturates at the ceiling, so that old
// lessons fade as new ones come.
template <int Ceiling>
struct Statistic {
    std::int16_t value = 0;

    operator int() const { return value; }
    void update(int bonus) {
        value = static_cast<std::int16_t>(value + bonus - value * std::abs(bonus) / Ceiling);
    }
};

constexpr int PieceCodes = 16;

// Quiet moves of each side by their squares.
using ButterflyHistory =
    std::array<std::array<std::array<Statistic<search_params::HistoryCeiling>, BoardSquares>, BoardSquares>, 2>;
// Captures by the moving piece, its target square and the type taken.
using CaptureHistory =
    std::array<std::array<std::array<Statistic<search_params::CaptureCeiling>, PieceTypes>, BoardSquares>, PieceCodes>;
// Quiet moves by piece and target square, after a given piece's move to a given square.
using PieceToHistory =
    std::array<std::array<Statistic<search_params::ContinuationCeiling>, BoardSquares>, PieceCodes>;
using ContinuationHistory = std::array<std::array<PieceToHistory, BoardSquares>, PieceCodes>;
// The reply that refuted each piece's move to each square.
using CounterMoves = std::array<std::array<Move, BoardSquares>, PieceCodes>;

}  // namespace qorat
