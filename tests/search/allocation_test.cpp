// The searches' innermost paths must not touch the heap: whole searches are counted.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

#include "engine_test_support.h"

namespace {

bool counting = false;
long allocations = 0;

}  // namespace

void* operator new(std::size_t size) {
    if (counting) ++allocations;
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}

// The counting operator new takes its memory from malloc, so free is the matching release;
// the compiler cannot see that pairing across the replacements.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
#pragma GCC diagnostic pop

namespace qorat::testing {
namespace {

class Allocation : public EngineTest {};

TEST_F(Allocation, SearchesAllocateNothing) {
  for (const char* search : {"mtd", "pvs"}) {
    EngineGame game("r1eakae2/4h4/1ch3h1c/p1p1p3p/6p2/2P6/P3P1P1P/1C2C1H2/9/RHEAKAE1R r");
    options.set("search", search);
    // Deep enough for each search to see thousands of nodes.
    options.set("searchPly", std::string(search) == "pvs" ? "10" : "5");
    // A first search settles whatever grows once.
    game.engine->think();
    Move reply = game.engine->takeMove();
    ASSERT_FALSE(isNoMove(reply));
    game.board().makeMove(reply);

    allocations = 0;
    counting = true;
    game.engine->think();
    counting = false;
    EXPECT_TRUE(game.engine->moveReady()) << search;
    EXPECT_EQ(allocations, 0) << search;
    EXPECT_GT(game.inside.nodeCount(), 1000) << search;
  }
}

}  // namespace
}  // namespace qorat::testing
