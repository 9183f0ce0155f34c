// The classic searches' innermost paths must not touch the heap: whole searches are counted.
#include <gtest/gtest.h>

#include "allocation_counter.h"
#include "engine_test_support.h"

namespace qorat::testing {
namespace {

class Allocation : public EngineTest {};

TEST_F(Allocation, SearchesAllocateNothing) {
  for (const char* search : {"mtd", "negascout"}) {
    EngineGame game("r1eakae2/4h4/1ch3h1c/p1p1p3p/6p2/2P6/P3P1P1P/1C2C1H2/9/RHEAKAE1R r");
    options.set("search", search);
    // Deep enough for each search to see thousands of nodes.
    options.set("searchPly", "5");
    // A first search settles whatever grows once.
    game.engine->think();
    Move reply = game.engine->takeMove();
    ASSERT_FALSE(isNoMove(reply));
    game.board().makeMove(reply);

    allocations = 0;
    countingAllocations = true;
    game.engine->think();
    countingAllocations = false;
    EXPECT_TRUE(game.engine->moveReady()) << search;
    EXPECT_EQ(allocations, 0) << search;
    EXPECT_GT(game.inside.nodeCount(), 1000) << search;
  }
}

}  // namespace
}  // namespace qorat::testing
