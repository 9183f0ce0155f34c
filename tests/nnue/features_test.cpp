// The net's inputs: worked examples of the index from each side, and one input for each piece
// on each square.
#include <gtest/gtest.h>

#include <vector>

#include "nnue/features.h"

namespace qorat {
namespace {

TEST(NetFeatures, IndicesFollowTheDefinitions) {
    struct Case {
        int perspective;
        int piece;
        int square;
        int index;
    };
    const Case cases[] = {
        {Red, makePiece(Red, Pawn), 0, 0},
        // Blue sees the board turned top to bottom: row 9 is its row 0, the file stays.
        {Blue, makePiece(Blue, Pawn), makeSquare(9, 0), 0},
        {Red, makePiece(Red, King), makeSquare(9, 4), 6 * 90 + 85},
        {Blue, makePiece(Blue, King), makeSquare(0, 4), 6 * 90 + 85},
        {Red, makePiece(Blue, Cannon), 23, (7 + 1) * 90 + 23},
        {Blue, makePiece(Red, Rook), 0, (7 + 2) * 90 + 81},
        {Blue, makePiece(Red, Horse), makeSquare(2, 7), (7 + 3) * 90 + makeSquare(7, 7)},
        {Blue, makePiece(Blue, Advisor), makeSquare(8, 3), 5 * 90 + makeSquare(1, 3)},
        {Red, makePiece(Red, Elephant), makeSquare(9, 2), 4 * 90 + 83},
        {Red, makePiece(Blue, King), 89, NetInputs - 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(featureIndex(c.perspective, c.piece, c.square), c.index) << c.perspective << ' ' << c.piece << ' ' << c.square;
}

TEST(NetFeatures, EachPieceOnEachSquareHasAnInputOfItsOwnFromEitherSide) {
    for (int perspective : {Red, Blue}) {
        std::vector<int> seen(NetInputs, 0);
        for (int side : {Red, Blue})
            for (int type = Pawn; type <= King; ++type)
                for (int square = 0; square < BoardSquares; ++square) {
                    const int index = featureIndex(perspective, makePiece(side, type), square);
                    ASSERT_GE(index, 0);
                    ASSERT_LT(index, NetInputs);
                    ++seen[static_cast<std::size_t>(index)];
                }
        for (int index = 0; index < NetInputs; ++index) EXPECT_EQ(seen[static_cast<std::size_t>(index)], 1) << index;
    }
}

}  // namespace
}  // namespace qorat
