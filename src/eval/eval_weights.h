// The terms of the modern evaluation and their weights, one for the middlegame and one for
// the endgame each, in centipawns. The values are written by the tuning pipeline
// (tools/tune/), which fits them to positions scored on this machine.
#pragma once

#include <array>
#include <cstdint>

#include "board/types.h"

namespace qorat {

struct Weight {
    std::int16_t mg;
    std::int16_t eg;
};

// Piece-square terms fold the board's files in two: a file and its mirror share a weight.
constexpr int FoldedFiles = 5;
constexpr int FoldedSquares = BoardRanks * FoldedFiles;
// The largest horse mobility, and the most attackers of a palace counted apart.
constexpr int HorseMoves = 9;
constexpr int AttackerCounts = 5;
// Pawn, cannon, rook, horse, elephant, advisor: the pieces that can be lost.
constexpr int LosablePieces = 6;

// Each term's first weight; a term counts, for Red less Blue, how often it holds.
namespace term {
// The piece's worth, for each piece type but the king.
constexpr int Material = 0;
// Where the piece stands, from its own side's back rank, with files folded; kings too.
constexpr int Square = Material + LosablePieces;
// Points each rook and cannon can move to, and each horse's moves by count.
constexpr int RookMobility = Square + (PieceTypes - 1) * FoldedSquares;
constexpr int CannonMobility = RookMobility + 1;
constexpr int HorseMobility = CannonMobility + 1;
// The king's safety: the enemy's attacks on the palace, how many pieces make them, a cannon
// on the king's file with no screen or with two, and missing defenders against the attackers
// the enemy has.
constexpr int PalaceAttacks = HorseMobility + HorseMoves;
constexpr int PalaceAttackers = PalaceAttacks + 1;
constexpr int HollowCannon = PalaceAttackers + AttackerCounts;
constexpr int ScreenedCannon = HollowCannon + 1;
constexpr int MissingAdvisor = ScreenedCannon + 1;
constexpr int MissingElephant = MissingAdvisor + 1;
// Pieces attacked and not defended, and pieces attacked by a cheaper piece, by type: those of
// the side to move, then those of the other side.
constexpr int Hanging = MissingElephant + 1;
constexpr int HangingWaiting = Hanging + LosablePieces;
constexpr int Threatened = HangingWaiting + LosablePieces;
constexpr int ThreatenedWaiting = Threatened + LosablePieces;
// Crossed pawns side by side.
constexpr int ConnectedPawns = ThreatenedWaiting + LosablePieces;
// The move itself, for the side to move.
constexpr int Tempo = ConnectedPawns + 1;
constexpr int Count = Tempo + 1;
}  // namespace term

extern const std::array<Weight, term::Count> evalWeights;

}  // namespace qorat
