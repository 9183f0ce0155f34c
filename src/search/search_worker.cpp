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
    : index(i),
      pool(p),
      lawyer(board),
      othersLawyer(othersBoard),
      table(t),
      modern(board, lawyer, table, *this),
      others(othersBoard, othersLawyer, table, *this) {
    board.addObserver(&lawyer);
    othersBoard.addObserver(&othersLawyer);
    others.readTableOnly(true);
}

void SearchWorker::setPosition(const Board& game) {
    board.replayGame(game);
    othersBoard.replayGame(game);
}

void SearchWorker::search() {
    const SearchLimits& limits = pool.limits;
    modern.newSearch();
    modern.restrictRoot(&limits.searchMoves);
    others.newSearch();
    others.restrictRoot(&limits.searchMoves);
    linesKept = 0;
    lines[0].length = 0;
    lines[0].score = 0;
    pass = 0;
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
        if (isMain()) report(0, 0, completedScore, false, false);
        return;
    }
    // A line for each root move asked for, as far as there are moves to play.
    const std::size_t playable = limits.searchMoves.empty() ? legal.size() : limits.searchMoves.size();
    linesWanted = static_cast<int>(std::min(static_cast<std::size_t>(pool.linesSearched), playable));
    const int deepest = limits.depth > 0 ? std::min(limits.depth, MaxPly - 1) : MaxPly - 1;
    std::array<int, MaxLines> guesses{};
    // Every thread deepens alike: they part ways by the table they share, each finding what
    // another has stored, and the deepest to complete an iteration gives the move.
    for (int depth = 1; depth <= deepest; ++depth) {
        if (pool.stopFlag.load(std::memory_order_relaxed)) break;
        // Each pass's window centres on the score of its place at the depth before.
        for (int i = 0; i < linesWanted; ++i) guesses[static_cast<std::size_t>(i)] = line(std::min(i, std::max(linesKept - 1, 0))).score;
        searched.clear();
        bool cut = false;
        for (pass = 0; pass < linesWanted && !cut; ++pass) {
            // Lines shown beside the best are searched apart from it, so that it stays the line
            // a search of one line finds; a level's own choice among its lines needs no such
            // care, and its passes share what the best move's search has learnt.
            ModernSearch& searcher = pass > 0 && pool.linesShown > 1 ? others : modern;
            searcher.excludeAtRoot(&searched);
            const int score = searcher.iterate(depth, guesses[static_cast<std::size_t>(pass)]);
            cut = searcher.wasStopped();
            if (cut) {
                // The best move a stopped pass proved is kept; a later pass's is only part of
                // a ranking, and the depth before has it whole.
                if (pass == 0 && partialLineSaysMore()) keepLine(modern, 0, completedDepth, completedScore);
            } else if (searcher.rootLineLength() > 0) {
                keepLine(searcher, pass, depth, score);
                searched.push_back(searcher.rootLine()[0]);
                rankLines(pass);
            }
        }
        pass = 0;
        modern.excludeAtRoot(nullptr);
        if (cut) break;
        completedDepth = depth;
        completedScore = line(0).score;
        if (!isMain()) continue;
        showLines();
        const bool waiting = limits.infinite || pool.pondering.load();
        if (!waiting && !pool.time.mayStartIteration()) break;
        // A mate is searched a few plies past its length, so that a shorter one is not missed.
        if (!waiting && isPvsMateScore(completedScore) && PvsMate - std::abs(completedScore) + MateMargin <= depth) break;
    }
    // Stopped before any root move was proven: a side with a legal move still plays one.
    // The moves to search were each found legal when the search was asked for.
    if (linesKept == 0) {
        lines[0].moves[0] = limits.searchMoves.empty() ? legal[0] : limits.searchMoves[0];
        lines[0].length = 1;
        lines[0].score = 0;
        linesKept = 1;
    }
}

Move SearchWorker::expectedReply(int i) {
    if (i >= linesKept) return nullMove;
    const RootLine& expected = line(i);
    if (expected.length > 1) return expected.moves[1];
    // A line cut short by the clock: the table may know the reply.
    Move first = expected.first();
    board.makeMove(first);
    bool found = false;
    const TableEntry* entry = table.probe(board, found);
    Move reply = found ? unpackMove(entry->move) : nullMove;
    if (!reply.isNull() && !lawyer.isLegal(reply)) reply = nullMove;
    board.unmakeMove();
    return reply;
}

bool SearchWorker::partialLineSaysMore() const {
    const int length = modern.rootLineLength();
    if (length == 0) return false;
    // A stopped iteration that proved the same move again, its line cut short by the stop,
    // says less than the line it had: the reply expected and pondered on come from that one.
    return !(modern.wasStopped() && linesKept > 0 && line(0).length > length &&
             line(0).first().sameSquares(modern.rootLine()[0]));
}

void SearchWorker::keepLine(const ModernSearch& from, int place, int depth, int score) {
    const Move* proved = from.rootLine();
    const auto begin = lines.begin() + place;
    // The move's line from the depth before, further down, gives way; else the last line
    // does, when the lines are all there are to keep.
    auto out = std::find_if(begin, lines.begin() + linesKept,
                            [&](const RootLine& kept) { return kept.first().sameSquares(proved[0]); });
    if (out == lines.begin() + linesKept) {
        if (linesKept < linesWanted) ++linesKept;
        out = lines.begin() + std::max(linesKept - 1, place);
    }
    std::rotate(begin, out, out + 1);
    RootLine& kept = *begin;
    kept.depth = depth;
    kept.score = score;
    kept.length = from.rootLineLength();
    std::copy_n(proved, kept.length, kept.moves.begin());
}

void SearchWorker::rankLines(int last) {
    // The lines above it are ranked already: the last one rises past those it beats, though
    // never past the best move's, which the full search found and which is played.
    for (auto i = static_cast<std::size_t>(last); i > 1 && lines[i].score > lines[i - 1].score; --i)
        std::swap(lines[i], lines[i - 1]);
}

void SearchWorker::showLines() {
    const int shown = std::min(pool.linesShown, linesKept);
    if (shown <= 1) {
        report(0, completedDepth, completedScore, false, false);
        return;
    }
    // The best move's search found every other move no better than the best: a line whose own
    // search says more is shown at the best line's score, as a bound.
    report(0, line(0).depth, line(0).score, false, false);
    for (int i = 1; i < shown; ++i) {
        const bool beyond = line(i).score > line(0).score;
        report(i, line(i).depth, beyond ? line(0).score : line(i).score, false, beyond);
    }
}

bool SearchWorker::stopRequested() {
    if (!isMain()) return pool.stopFlag.load(std::memory_order_relaxed);
    if (--pollCountdown <= 0) {
        pollCountdown = PollInterval;
        const SearchLimits& limits = pool.limits;
        // Analysis and pondering end only by the front end's word; then the limits hold.
        if (!limits.infinite && !pool.pondering.load()) {
            // A node limit lets the first depth end, so that the move is one the search has
            // weighed against the others; it is looked at again as soon as it may be reached.
            if (limits.nodes > 0) {
                const std::int64_t left = limits.nodes - pool.totalNodes();
                if (left <= 0 && completedDepth > 0) pool.stopFlag = true;
                pollCountdown = static_cast<int>(std::clamp<std::int64_t>(left, 1, PollInterval));
            }
            if (pool.time.pastHard()) pool.stopFlag = true;
        }
        // Several lines come only whole, a depth at a time: a front end lists every line it is
        // sent, and the same depth's lines again would stand beside the first.
        if (completedDepth > 0 && pool.linesShown == 1 && pool.time.elapsed() - lastReport >= QuietReportInterval) {
            if (pass == 0 && partialLineSaysMore()) keepLine(modern, 0, completedDepth, completedScore);
            showLines();
        }
    }
    // A stop holds at any depth: the search then plays the best root move it has, or the
    // first legal one.
    return pool.stopFlag.load(std::memory_order_relaxed);
}

void SearchWorker::windowFailed(int depth, int score, bool failedHigh) {
    // Only the best line's bounds, and only when it is the one line shown.
    if (!isMain() || pass != 0 || pool.linesShown > 1 || pool.time.elapsed() < FailReportAfter) return;
    if (partialLineSaysMore()) keepLine(modern, 0, completedDepth, completedScore);
    report(0, depth, score, failedHigh, !failedHigh);
}

void SearchWorker::report(int i, int depth, int score, bool lowerBound, bool upperBound) {
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
    thinking.multiPv = pool.linesShown > 1 ? i + 1 : 0;
    thinking.line = line(i).moves.data();
    thinking.lineLength = i < linesKept ? line(i).length : 0;
    pool.listener->showThinking(thinking);
}

}  // namespace qorat
