// One thread's share of a search: its own copy of the position and rules, and the modern
// search over them. The main worker keeps the time and reports; helpers search the same
// position and fill the shared table (Lazy SMP).
#pragma once

#include <array>
#include <cstdint>

#include "board/board.h"
#include "rules/lawyer.h"
#include "search/modern_search.h"
#include "search/search_table.h"

namespace qorat {

class SearchPool;

// A root move's line as an iteration proved it: its depth, its score for the side to move,
// and the moves from the root.
struct RootLine {
    int depth = 0;
    int score = 0;
    int length = 0;
    std::array<Move, MaxPly + 1> moves{};

    const Move& first() const { return moves[0]; }
};

class SearchWorker final : public SearchControl {
public:
    // The most root moves given lines of their own in one search.
    static constexpr int MaxLines = 32;

    SearchWorker(int index, SearchTable& table, SearchPool& pool);

    // Takes over the game's position with its history, which the rules of repetition read.
    void setPosition(const Board& game);
    // Iterative deepening until the limits or the pool stop it; at each depth the best root
    // move, then the best of the others, and so on for as many lines as the pool asks.
    void search();
    void newGame() {
        modern.clearHistories();
        others.clearHistories();
    }
    void resetNodes() {
        modern.resetNodes();
        others.resetNodes();
    }
    void useTable(bool on) {
        modern.useTable(on);
        others.useTable(on);
    }
    void useNet(const Net* net) {
        modern.useNet(net);
        others.useNet(net);
    }

    std::int64_t nodes() const { return modern.nodes() + others.nodes(); }
    ModernSearch::RootProgress rootProgress() const { return modern.rootProgress(); }
    // The lines, best first: the first is the move to play at full strength.
    const RootLine& line(int i) const { return lines[static_cast<std::size_t>(i)]; }
    int lineCount() const { return linesKept; }
    // The reply a line expects to its first move; from the table when the line stops there.
    Move expectedReply(int i);
    int score() const { return completedScore; }
    int depth() const { return completedDepth; }
    // Shows the lines of the deepest iteration completed.
    void showLines();

    bool stopRequested() override;
    void windowFailed(int depth, int score, bool failedHigh) override;

private:
    bool isMain() const { return index == 0; }
    // Whether the best move's line from an iteration under way, or cut short, is worth more
    // than the best line kept.
    bool partialLineSaysMore() const;
    // Takes the line the search has just proved at the root into the lines at the place, with
    // its depth and score; the same move's line further down gives way.
    void keepLine(const ModernSearch& from, int place, int depth, int score);
    // Ranks the last line of this depth among those before it, by score, below the best.
    void rankLines(int last);
    // Shows line i with the depth and score given.
    void report(int i, int depth, int score, bool lowerBound, bool upperBound);

    int index;
    SearchPool& pool;
    Board board;
    Lawyer lawyer;
    // The other lines' own copy of the position: a search leaves the board's lists of pieces
    // in another order than it found them, which would change the best move's search.
    Board othersBoard;
    Lawyer othersLawyer;
    SearchTable& table;
    // The best move's search, as it would run alone.
    ModernSearch modern;
    // The search of the other lines shown: a position, histories and killers of its own, and
    // the table only read, so that the best line is the one a search of it alone finds.
    ModernSearch others;
    std::array<RootLine, MaxLines> lines{};
    int linesKept = 0;
    // The lines this search looks for: those asked for, as far as there are moves to play.
    int linesWanted = 1;
    // The root moves with a line of the depth under way, which its later passes leave out.
    MoveList searched;
    // The pass of the iteration under way: 0 looks for the best move, 1 for the next best...
    int pass = 0;
    int completedDepth = 0;
    int completedScore = 0;
    // Nodes of the main worker until the clock and the limits are looked at again.
    int pollCountdown = 0;
    std::int64_t lastReport = 0;
};

}  // namespace qorat
