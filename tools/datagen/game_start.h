// Where each self-play game starts: an opening line, then a few plies chosen at random, all
// drawn from the game's own random stream, so that a game depends on the seed and its number
// alone.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "board/board.h"
#include "rules/lawyer.h"

namespace qorat::datagen {

// SplitMix64: small, fast and the same on every platform, unlike the standard distributions.
class GameRandom {
public:
    GameRandom(std::uint64_t seed, std::uint64_t game);
    std::uint64_t next();
    // A number below count (which is positive); the bias of a modulo is negligible here.
    std::size_t below(std::size_t count) { return static_cast<std::size_t>(next() % count); }

private:
    std::uint64_t state;
};

using OpeningLine = std::vector<Move>;

// The lines of an opening file (moves in xboard notation, '#' starting a comment), each
// checked move by move from the start position; on a bad line, false with the reason.
bool readOpenings(const std::string& path, std::vector<OpeningLine>& lines, std::string& error);

// Sets the board to the start position and plays a line drawn from the openings (none: the
// start position itself), then up to randomPlies legal moves drawn uniformly; fewer when a
// side has no move.
void startGame(Board& board, Lawyer& lawyer, const std::vector<OpeningLine>& openings, int randomPlies,
               GameRandom& random);

}  // namespace qorat::datagen
