// One thread's share of a search: iterative deepening on its own copy of the position.
#include "search/search_worker.h"

#include <algorithm>
#include <cstdlib>

#include "search/search_pool.h"

namespace qorat {

namespace {

// Nodes between looks at the clock and the node limit, a millisecond or two of search.
constexpr int PollInterval = 1024;
// Plies searched beyond a mate's length before the search settles for it.
constexpr int MateMargin = 4;
// A long search shows a bound that failed, and its line at least this often.
constexpr std::int64_t FailReportAfter = 3000;
constexpr std::int64_t QuietReportInterval = 5000;

}  // namespace

SearchWorker::SearchWorker(int i, SearchTable& t, SearchPool& p)
    : index(i), pool(p), lawyer(board), table(t), modern(board, lawyer, table, *this) {
    board.addObserver(&lawyer);
}

void SearchWorker::setPosition(const Board& game) { board.replayGame(game); }

void SearchWorker::search() {
    const SearchLimits& limits = pool.limits;
    modern.newSearch();
    modern.restrictRoot(&limits.searchMoves);
    bestLength = 0;
    completedDepth = 0;
    completedScore = 0;
    pollCountdown = 0;
    lastReport = 0;
    // No legal move: the side to move is mated, a stalemate losing alike. One line says so at
    // depth 0, and there is nothing to deepen.
    MoveList legal;
    lawyer.generateMoves(legal, true);
    if (legal.empty()) {
        completedScore = -PvsMate;
        if (isMain()) report(0, completedScore, false, false);
        return;
    }
    const int deepest = limits.depth > 0 ? std::min(limits.depth, MaxPly - 1) : MaxPly - 1;
    int score = 0;
    // Every thread deepens alike: they part ways by the table they share, each finding what
    // another has stored, and the deepest to complete an iteration gives the move.
    for (int depth = 1; depth <= deepest; ++depth) {
        if (pool.stopFlag.load(std::memory_order_relaxed)) break;
        score = modern.iterate(depth, score);
        keepLine();
        if (modern.wasStopped()) break;
        completedDepth = depth;
        completedScore = score;
        if (!isMain()) continue;
        report(depth, score, false, false);
        const bool waiting = limits.infinite || pool.pondering.load();
        if (!waiting && !pool.time.mayStartIteration()) break;
        // A mate is searched a few plies past its length, so that a shorter one is not missed.
        if (!waiting && isPvsMateScore(score) && PvsMate - std::abs(score) + MateMargin <= depth) break;
    }
    // Stopped before any root move was proven: a side with a legal move still plays one.
    // The moves to search were each found legal when the search was asked for.
    if (bestLength == 0) {
        bestLine[0] = limits.searchMoves.empty() ? legal[0] : limits.searchMoves[0];
        bestLength = 1;
    }
}

Move SearchWorker::expectedReply() {
    if (bestLength > 1) return bestLine[1];
    if (bestLength == 0) return nullMove;
    // A line cut short by the clock: the table may know the reply.
    Move best = bestLine[0];
    board.makeMove(best);
    bool found = false;
    const TableEntry* entry = table.probe(board, found);
    Move reply = found ? unpackMove(entry->move) : nullMove;
    if (!reply.isNull() && !lawyer.isLegal(reply)) reply = nullMove;
    board.unmakeMove();
    return reply;
}

void SearchWorker::keepLine() {
    const int length = modern.rootLineLength();
    if (length == 0) return;
    // A stopped iteration that proved the same move again, its line cut short by the stop,
    // says less than the line it had: the reply expected and pondered on come from that one.
    if (modern.wasStopped() && bestLength > length && bestLine[0].sameSquares(modern.rootLine()[0])) return;
    std::copy_n(modern.rootLine(), length, bestLine.begin());
    bestLength = length;
}

bool SearchWorker::stopRequested() {
    if (!isMain()) return pool.stopFlag.load(std::memory_order_relaxed);
    if (--pollCountdown <= 0) {
        pollCountdown = PollInterval;
        const SearchLimits& limits = pool.limits;
        // Analysis and pondering end only by the front end's word; then the limits hold.
        if (!limits.infinite && !pool.pondering.load()) {
            if (limits.nodes > 0 && pool.totalNodes() >= limits.nodes) pool.stopFlag = true;
            if (pool.time.pastHard()) pool.stopFlag = true;
        }
        if (completedDepth > 0 && pool.time.elapsed() - lastReport >= QuietReportInterval) {
            keepLine();
            report(completedDepth, completedScore, false, false);
        }
    }
    // A stop holds at any depth: the search then plays the best root move it has, or the
    // first legal one.
    return pool.stopFlag.load(std::memory_order_relaxed);
}

void SearchWorker::windowFailed(int depth, int score, bool failedHigh) {
    if (!isMain() || pool.time.elapsed() < FailReportAfter) return;
    keepLine();
    report(depth, score, failedHigh, !failedHigh);
}

void SearchWorker::report(int depth, int score, bool lowerBound, bool upperBound) {
    lastReport = pool.time.elapsed();
    ThinkingLine thinking;
    thinking.depth = depth;
    thinking.selectiveDepth = modern.selectiveDepth();
    thinking.score = reportPvsScore(score);
    thinking.lowerBound = lowerBound;
    thinking.upperBound = upperBound;
    thinking.milliseconds = lastReport;
    thinking.nodes = pool.totalNodes();
    thinking.tableFull = pool.table.usage();
    thinking.line = bestLine.data();
    thinking.lineLength = bestLength;
    pool.listener->showThinking(thinking);
}

}  // namespace qorat
