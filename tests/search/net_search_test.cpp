// The modern search evaluating with a net: a legal move on one thread and on several (the
// checked build compares every evaluated node's accumulators with those from scratch), a
// search other than the hand-written evaluation's, and that one again once the net is left.
#include <gtest/gtest.h>

#include <memory>

#include "net_fixture.h"
#include "search/search_test_support.h"

namespace qorat::testing {
namespace {

class NetSearch : public SearchTest {
protected:
    // Searches the position to the depth on a pool of the threads, with the net or without.
    static PoolReport search(const Game& game, int depth, int threads, std::shared_ptr<const Net> net, std::int64_t& nodes) {
        SearchTable table(8);
        SearchPool pool(table, game.board);
        pool.setThreads(threads);
        pool.useNet(std::move(net));
        PoolReport report;
        SearchLimits limits;
        limits.depth = depth;
        pool.go(limits, report);
        pool.wait();
        nodes = pool.progress().nodes;
        return report;
    }

    const std::shared_ptr<const Net> net = engineNet(randomNet(32, 1));
};

const char* const positions[] = {
    "rheakaehr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RHEAKAEHR r",
    "r1eak1e1r/4a4/2h3h2/p5p1p/4p4/2P3Pc1/P3P3P/E1H3HC1/4A4/1R2KAE1R r",
    "3ak1e2/4a4/9/p8/2P3e1p/9/PH2h3P/8r/4A4/2EK1A3 b",
};

TEST_F(NetSearch, PlaysALegalMoveOnOneThreadAndOnSeveral) {
    ASSERT_TRUE(net);
    for (const char* fen : positions) {
        for (int threads : {1, 2}) {
            Game game(fen);
            std::int64_t nodes = 0;
            const PoolReport report = search(game, 7, threads, net, nodes);
            Move best = report.best;
            EXPECT_TRUE(game.lawyer.isLegal(best)) << fen << ' ' << threads;
            EXPECT_EQ(report.depth, 7) << fen << ' ' << threads;
            EXPECT_GT(nodes, 100) << fen << ' ' << threads;
        }
    }
}

TEST_F(NetSearch, SearchesOtherwiseThanTheHandWrittenEvaluationUntilItIsLeft) {
    ASSERT_TRUE(net);
    for (const char* fen : positions) {
        Game game(fen);
        std::int64_t classic = 0, byNet = 0, again = 0;
        search(game, 8, 1, nullptr, classic);
        search(game, 8, 1, net, byNet);
        EXPECT_NE(byNet, classic) << fen;
        // A pool that evaluated with the net, left for the hand-written evaluation, searches
        // as if it never had.
        SearchTable table(8);
        SearchPool pool(table, game.board);
        PoolReport report;
        SearchLimits limits;
        limits.depth = 8;
        pool.useNet(net);
        pool.go(limits, report);
        pool.wait();
        pool.useNet(nullptr);
        pool.newGame();
        pool.go(limits, report);
        pool.wait();
        again = pool.progress().nodes;
        EXPECT_EQ(again, classic) << fen;
    }
}

}  // namespace
}  // namespace qorat::testing
