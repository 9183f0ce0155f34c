// The modern search driven as the front ends drive it: a pool searching a game's position to
// a depth, and what it reported.
#pragma once

#include <string>

#include "board/keys.h"
#include "board/notation.h"
#include "rules/rules_test_support.h"
#include "search/search_pool.h"
#include "search/search_table.h"

namespace qorat::testing {

constexpr unsigned SearchKeySeed = 2024;

// The last line shown and the move chosen; heard on the search's thread, read after a wait.
struct PoolReport final : SearchListener {
    int depth = 0;
    int lineLength = 0;
    Move best = nullMove;
    SearchScore score;

    void showThinking(const ThinkingLine& thinking) override {
        depth = thinking.depth;
        lineLength = thinking.lineLength;
    }
    void searchDone(const Move& move, const Move&, SearchScore searched) override {
        best = move;
        score = searched;
    }
};

// Searches the game's position on one thread with the limits and returns what it reported.
inline PoolReport searchPosition(const Game& game, const SearchLimits& limits) {
    SearchTable table(8);
    SearchPool pool(table, game.board);
    PoolReport report;
    pool.go(limits, report);
    pool.wait();
    return report;
}

inline PoolReport searchToDepth(const Game& game, int depth) {
    SearchLimits limits;
    limits.depth = depth;
    return searchPosition(game, limits);
}

// Keys drawn the same way for every test, before any board of the test is built.
class SearchTest : public ::testing::Test {
protected:
    SearchTest() { fillKeyTables(SearchKeySeed); }
};

}  // namespace qorat::testing
