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

class SearchWorker final : public SearchControl {
public:
    SearchWorker(int index, SearchTable& table, SearchPool& pool);

    // Takes over the game's position with its history, which the rules of repetition read.
    void setPosition(const Board& game);
    // Iterative deepening until the limits or the pool stop it.
    void search();
    void newGame() { modern.clearHistories(); }
    void resetNodes() { modern.resetNodes(); }
    void useTable(bool on) { modern.useTable(on); }

    std::int64_t nodes() const { return modern.nodes(); }
    ModernSearch::RootProgress rootProgress() const { return modern.rootProgress(); }
    const Move* line() const { return bestLine.data(); }
    int lineLength() const { return bestLength; }
    // The reply the line expects to its first move; from the table when the line stops there.
    Move expectedReply();
    int score() const { return completedScore; }
    int depth() const { return completedDepth; }
    // Shows the line of the deepest iteration completed.
    void showLine() { report(completedDepth, completedScore, false, false); }

    bool stopRequested() override;
    void windowFailed(int depth, int score, bool failedHigh) override;

private:
    bool isMain() const { return index == 0; }
    // Keeps the root line, which a stopped iteration may also have bettered.
    void keepLine();
    void report(int depth, int score, bool lowerBound, bool upperBound);

    int index;
    SearchPool& pool;
    Board board;
    Lawyer lawyer;
    SearchTable& table;
    ModernSearch modern;
    std::array<Move, MaxPly + 1> bestLine{};
    int bestLength = 0;
    int completedDepth = 0;
    int completedScore = 0;
    // Nodes of the main worker until the clock and the limits are looked at again.
    int pollCountdown = 0;
    std::int64_t lastReport = 0;
};

}  // namespace qorat
