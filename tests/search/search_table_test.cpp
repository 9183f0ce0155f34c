// The modern search's table: what an entry's bound lets a search conclude from its score.
#include <gtest/gtest.h>

#include "board/board.h"
#include "search/search_table.h"

namespace qorat {
namespace {

TEST(SearchTableBounds, EachBoundAnswersForTheSidesItBounds) {
    struct Case {
        TableBound stored;
        bool failsHigh;  // may the score cut at beta (a lower bound)?
        bool failsLow;   // may it stand for a fail low (an upper bound)?
    };
    // An exact score cuts on both sides; a lower bound never stands for a fail low, nor an
    // upper bound for a cut at beta.
    const Case cases[] = {
        {TableBound::Exact, true, true},
        {TableBound::Lower, true, false},
        {TableBound::Upper, false, true},
    };
    Board board;
    for (const Case& c : cases) {
        SearchTable table(1);
        table.newSearch();
        bool found = true;
        TableEntry* entry = table.probe(board, found);
        ASSERT_FALSE(found);
        table.save(entry, board, 57, c.stored, 5, 0, 12, false);
        entry = table.probe(board, found);
        ASSERT_TRUE(found);
        EXPECT_EQ(entry->bound(), c.stored);
        EXPECT_EQ(entry->score, 57);
        EXPECT_EQ(bounds(entry->bound(), TableBound::Lower), c.failsHigh) << int(c.stored);
        EXPECT_EQ(bounds(entry->bound(), TableBound::Upper), c.failsLow) << int(c.stored);
    }
}

}  // namespace
}  // namespace qorat
