// The one unit every search reports its score in: centipawns for the side to move, or the
// distance to a mate (a win by rule ends the game alike and counts the same).
#pragma once

#include <algorithm>
#include <cstdint>

namespace qorat {

// The deepest ply any search reaches; its fixed buffers cover no more.
constexpr int MaxPly = 128;

struct SearchScore {
    enum Kind : std::uint8_t { Centipawns, Mating, Mated };

    Kind kind = Centipawns;
    // Centipawns, or the plies from the root to the mate. A classic search counts a taken
    // king as beyond mate: fewer than zero plies.
    int value = 0;

    static constexpr SearchScore centipawns(int value) { return {Centipawns, value}; }
    static constexpr SearchScore mateIn(int plies) { return {Mating, plies}; }
    static constexpr SearchScore matedIn(int plies) { return {Mated, plies}; }

    bool isMate() const { return kind != Centipawns; }
    // The moves to the mate, negative when the side to move is mated; 0 when there is none,
    // or when the side to move is mated already.
    int mateMoves() const {
        if (!isMate() || (kind == Mated && value <= 0)) return 0;
        const int moves = std::max(1, (std::max(0, value) + 1) / 2);
        return kind == Mating ? moves : -moves;
    }
    // One number in the order the side to move prefers: a mate given above every evaluation,
    // the nearer the higher; a mate taken below every evaluation.
    int ranking() const {
        if (kind == Mating) return MateRank - value;
        if (kind == Mated) return value - MateRank;
        return value;
    }

private:
    static constexpr int MateRank = 1000000;
};

}  // namespace qorat
