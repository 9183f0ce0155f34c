// Which positions are accepted: every one a game can reach, problem positions with few
// pieces among them, and none with material or placements no game produces.
#include <gtest/gtest.h>

#include "rules/lawyer.h"

namespace qorat {
namespace {

TEST(PlayablePosition, ReachablePositionsAreAccepted) {
    const char* const accepted[] = {
        "rheakaehr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RHEAKAEHR r",
        // Kings alone, off the centre of the palace.
        "3k5/9/9/9/9/9/9/9/9/5K3 b",
        // Advisors and elephants on every point they reach.
        "3ak4/4a4/9/9/9/9/9/9/4A4/3AK4 r",
        "4k4/9/3a1a3/9/9/9/9/3A1A3/9/3K5 r",
        "2ek2e2/9/9/9/9/9/9/9/9/2E1K1E2 r",
        "3k5/9/e7e/9/9/2E3E2/9/9/9/4K4 r",
        "3k5/9/4e4/9/6e2/9/9/4E3E/9/4K4 r",
        // Pawns across the river anywhere, on their own side only on their files.
        "3k5/9/9/9/9/9/P1P1P1P1P/9/9/4K4 r",
        "3k1PPPP/9/9/9/P8/9/9/9/9/4K4 r",
        "3k5/9/9/p1p1p1p1p/9/9/9/9/9/4K4 b",
        // A problem position: few pieces, the kings apart.
        "3k5/4P4/9/9/9/9/9/9/4C4/4K4 r",
    };
    for (const char* fen : accepted) EXPECT_TRUE(isPlayablePosition(fen)) << fen;
}

TEST(PlayablePosition, UnreachablePositionsAreRefused) {
    struct Case {
        const char* what;
        const char* fen;
    };
    const Case refused[] = {
        {"thirteen rooks a side", "rrrrkrrrr/rrrrr4/9/9/9/9/9/9/RRRRR4/RRRRKRRRR r"},
        {"three rooks", "3k5/9/9/9/9/9/9/9/9/RRR1K4 r"},
        {"three cannons", "3k5/9/9/9/9/9/9/9/9/CCC1K4 r"},
        {"three horses", "3k5/9/9/9/9/9/9/9/9/HHH1K4 b"},
        {"six pawns", "3k5/9/9/9/PPPPPP3/9/9/9/9/4K4 r"},
        {"a king outside the palace", "3k5/9/9/9/9/9/9/9/9/2K6 r"},
        {"an advisor outside the palace", "3k5/9/9/9/9/9/9/9/9/2A1K4 r"},
        {"an advisor on a palace point off its diagonals", "3k5/9/9/9/9/9/9/9/3A5/4K4 r"},
        {"a Blue advisor on the palace's mid-edge", "3k5/3a5/9/9/9/9/9/9/9/4K4 r"},
        {"an elephant across the river", "3k5/9/9/9/2E6/9/9/9/9/4K4 r"},
        {"an elephant off its points", "3k5/9/9/9/9/9/9/9/9/1E2K4 r"},
        {"a pawn behind its starting rank", "3k5/9/9/9/9/9/9/P8/9/4K4 r"},
        {"a pawn on its own side off its file", "3k5/9/9/9/9/9/1P7/9/9/4K4 r"},
        {"a Blue pawn behind its starting rank", "3k5/9/p8/9/9/9/9/9/9/4K4 r"},
    };
    for (const Case& c : refused) EXPECT_FALSE(isPlayablePosition(c.fen)) << c.what;
}

}  // namespace
}  // namespace qorat
