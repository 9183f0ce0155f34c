// The modern search's innermost paths must not touch the heap, with either evaluation: whole
// iterations are counted.
#include <gtest/gtest.h>

#include "allocation_counter.h"
#include "net_fixture.h"
#include "search/modern_search.h"
#include "search/search_test_support.h"

namespace qorat::testing {
namespace {

class Allocation : public SearchTest {};

TEST_F(Allocation, SearchesAllocateNothing) {
    struct NeverStop : SearchControl {
        bool stopRequested() override { return false; }
    };
    // With the hand-written evaluation and with a net, whose accumulators are made ready
    // before the search.
    const std::unique_ptr<const Net> net = engineNet(randomNet(32, 1));
    ASSERT_TRUE(net);
    for (const Net* evaluation : {static_cast<const Net*>(nullptr), net.get()}) {
        Game game("r1eakae2/4h4/1ch3h1c/p1p1p3p/6p2/2P6/P3P1P1P/1C2C1H2/9/RHEAKAE1R r");
        NeverStop never;
        SearchTable table(8);
        ModernSearch search(game.board, game.lawyer, table, never);
        search.useNet(evaluation);
        // Deep enough to see thousands of nodes; a first search settles whatever grows once.
        const auto deepen = [&search] {
            search.newSearch();
            for (int depth = 1, score = 0; depth <= 10; ++depth) score = search.iterate(depth, score);
        };
        deepen();
        Move reply = search.rootLine()[0];
        ASSERT_FALSE(isNoMove(reply));
        game.board.makeMove(reply);

        allocations = 0;
        countingAllocations = true;
        deepen();
        countingAllocations = false;
        EXPECT_EQ(allocations, 0);
        EXPECT_GT(search.nodes(), 1000);
    }
}

}  // namespace
}  // namespace qorat::testing
