// The threaded search behind the front ends: moves by depth on one thread and several, a
// stop that ends an infinite search, a ponder that waits for its hit, a node limit, no move
// for a mated side, and the game's board left alone.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "board/notation.h"
#include "rules/rules_test_support.h"
#include "search/search_pool.h"
#include "search/search_test_support.h"

namespace qorat::testing {
namespace {

using namespace std::chrono_literals;

struct Recorder final : SearchListener {
    std::mutex lock;
    std::condition_variable signal;
    bool done = false;
    Move best = nullMove;
    int deepest = 0;

    void showThinking(const ThinkingLine& thinking) override {
        const std::lock_guard<std::mutex> guard(lock);
        deepest = std::max(deepest, thinking.depth);
    }
    void searchDone(const Move& move, const Move&, SearchScore) override {
        const std::lock_guard<std::mutex> guard(lock);
        best = move;
        done = true;
        signal.notify_all();
    }
    bool finished() {
        const std::lock_guard<std::mutex> guard(lock);
        return done;
    }
};

class SearchPoolTest : public SearchTest {
protected:
    SearchTable table{8};
};

TEST_F(SearchPoolTest, DepthLimitedSearchOnOneThreadAndOnSeveral) {
    for (int threads : {1, 3}) {
        Game game;
        ASSERT_TRUE(game.play({"h2e2"}));
        const std::string before = game.board.toFen();
        SearchPool pool(table, game.board);
        pool.setThreads(threads);
        Recorder recorder;
        SearchLimits limits;
        limits.depth = 5;
        pool.go(limits, recorder);
        pool.wait();
        ASSERT_TRUE(recorder.finished());
        EXPECT_EQ(recorder.deepest, 5) << threads;
        Move m = recorder.best;
        EXPECT_TRUE(game.lawyer.isLegal(m)) << moveText(recorder.best);
        // The search ran on copies: the game's board and history are as they were.
        EXPECT_EQ(game.board.toFen(), before);
        EXPECT_EQ(game.board.history().size(), 1u);
    }
}

TEST_F(SearchPoolTest, InfiniteAndPonderingSearchesWaitForTheirWord) {
    Game game;
    SearchPool pool(table, game.board);
    pool.setThreads(2);
    Recorder infinite;
    SearchLimits limits;
    limits.infinite = true;
    pool.go(limits, infinite);
    std::this_thread::sleep_for(200ms);
    EXPECT_FALSE(infinite.finished());
    pool.stop();
    pool.wait();
    EXPECT_TRUE(infinite.finished());
    EXPECT_FALSE(infinite.best.isNull());

    // A ponder with a short time searches on until the hit, then moves at once.
    Recorder ponder;
    SearchLimits pondering;
    pondering.ponder = true;
    pondering.moveTime = 50;
    pool.go(pondering, ponder);
    std::this_thread::sleep_for(200ms);
    EXPECT_FALSE(ponder.finished());
    pool.ponderHit();
    pool.wait();
    EXPECT_TRUE(ponder.finished());
}

TEST_F(SearchPoolTest, NodeLimitAndMate) {
    Game game;
    SearchPool pool(table, game.board);
    Recorder limited;
    SearchLimits limits;
    limits.nodes = 3000;
    pool.go(limits, limited);
    pool.wait();
    EXPECT_FALSE(limited.best.isNull());

    // Red is mated: there is no move to give.
    Game mated("3k5/9/9/9/9/9/9/9/3r5/3rK4 r");
    SearchPool matedPool(table, mated.board);
    Recorder none;
    SearchLimits shallow;
    shallow.depth = 3;
    matedPool.go(shallow, none);
    matedPool.wait();
    EXPECT_TRUE(none.finished());
    EXPECT_TRUE(none.best.isNull());
}

TEST_F(SearchPoolTest, StopHoldsInTheFirstIteration) {
    // A board so crowded that the first iteration alone would take ages: the stop still
    // ends the search, with a legal move.
    Game crowded("rrrrkrrrr/rrrrr4/9/9/9/9/9/9/RRRRR4/RRRRKRRRR r");
    SearchPool pool(table, crowded.board);
    Recorder recorder;
    SearchLimits limits;
    limits.infinite = true;
    pool.go(limits, recorder);
    std::this_thread::sleep_for(100ms);
    pool.stop();
    {
        std::unique_lock<std::mutex> guard(recorder.lock);
        ASSERT_TRUE(recorder.signal.wait_for(guard, 20s, [&] { return recorder.done; }));
    }
    pool.wait();
    Move m = recorder.best;
    EXPECT_TRUE(crowded.lawyer.isLegal(m)) << moveText(recorder.best);

    // Stopped before any root move is searched: the first legal move, never none.
    Game start;
    SearchPool startPool(table, start.board);
    Recorder first;
    SearchLimits oneNode;
    oneNode.nodes = 1;
    startPool.go(oneNode, first);
    startPool.wait();
    Move played = first.best;
    EXPECT_TRUE(start.lawyer.isLegal(played));
}

}  // namespace
}  // namespace qorat::testing
