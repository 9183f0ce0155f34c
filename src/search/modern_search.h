// The modern search ("search pvs"): principal variation search over iterative deepening with
// aspiration windows, a transposition table of its own, a quiescence search over captures,
// and the pruning, reductions and extensions of the strongest engines, ordered by a staged
// move picker and the histories it learns from.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "board/board.h"
#include "eval/pvs_evaluation.h"
#include "nnue/accumulator_stack.h"
#include "nnue/net.h"
#include "rules/lawyer.h"
#include "search/move_picker.h"
#include "search/search_table.h"
#include "thinking/score.h"

namespace qorat {

// Scores of the modern search, in centipawns for the side to move.
constexpr int PvsInfinite = 32000;
constexpr int PvsMate = 31000;
// Scores beyond this are mates (up to PvsMate) or rule wins, counted in plies from the root.
constexpr int PvsMateBound = PvsMate - MaxPly;
// A win by the rule of perpetual check or chase, counted the same way. A loss by the rule
// ranks below every mate: being mated needs the opponent to find the mate, while the rule
// forfeits the game whatever the opponent plays.
constexpr int PvsRuleWin = PvsMate + MaxPly;
// Beyond this the evaluation never goes: the score is a forced win or loss.
constexpr int PvsKnownWin = 10000;

constexpr bool isPvsRuleScore(int score) {
    const int magnitude = score < 0 ? -score : score;
    return magnitude > PvsMate && magnitude <= PvsRuleWin;
}

constexpr bool isPvsMateScore(int score) {
    const int magnitude = score < 0 ? -score : score;
    return magnitude > PvsMateBound && magnitude <= PvsMate;
}

// A score of this search as every search reports it: a win by rule counts as a mate.
constexpr SearchScore reportPvsScore(int score) {
    const int magnitude = score < 0 ? -score : score;
    int plies = -1;
    if (isPvsRuleScore(score)) plies = PvsRuleWin - magnitude;
    if (isPvsMateScore(score)) plies = PvsMate - magnitude;
    if (plies < 0) return SearchScore::centipawns(score);
    return score > 0 ? SearchScore::mateIn(plies) : SearchScore::matedIn(plies);
}

// Whether the search is to stop now, asked at every node; and what it would show a watcher.
class SearchControl {
public:
    virtual bool stopRequested() = 0;
    // The root's score fell outside the aspiration window; the search widens it and goes on.
    virtual void windowFailed(int /*depth*/, int /*score*/, bool /*failedHigh*/) {}

protected:
    ~SearchControl() = default;
};

class ModernSearch {
public:
    // The table may be shared with other searches of the same position, each on a thread.
    ModernSearch(Board& board, Lawyer& lawyer, SearchTable& table, SearchControl& control);

    void useTable(bool on) {
        tableOn = on;
        tableSaves = on && !tableReadOnly;
    }
    // A search that only reads the table leaves it as another search of the position would
    // find it.
    void readTableOnly(bool on) {
        tableReadOnly = on;
        tableSaves = tableOn && !on;
    }
    // Evaluates with the net, or with the hand-written evaluation when there is none; its
    // accumulators are made ready here, never during a search.
    void useNet(const Net* net) { accumulators.use(net, static_cast<int>(frames.size())); }
    // Only these moves are searched at the root; null or empty: every one.
    void restrictRoot(const MoveList* moves) { rootFilter = moves != nullptr && !moves->empty() ? moves : nullptr; }
    // These root moves, which have lines of their own in this iteration already, are not
    // searched again; null or empty: none.
    void excludeAtRoot(const MoveList* moves) { rootExcluded = moves != nullptr && !moves->empty() ? moves : nullptr; }
    // Forgets what the histories have learnt: a new game.
    void clearHistories();

    // A new search from the board's position: the node count starts again; what the
    // histories have learnt is kept. (The table's owner ages it.)
    void newSearch();
    void resetNodes() { nodeCount.store(0, std::memory_order_relaxed); }
    // Searches the position to the depth, in a window around the guess. Whenever a root move
    // proves best, also in an iteration that is stopped, it heads the root line.
    int iterate(int depth, int guess);

    // The captures the quiescence search expects from the position until one side stands
    // pat, into the line; returns how many there are. The board is left as it was.
    int quietLine(std::array<Move, MaxPly>& line);

    // The line of the best root move found in the last iteration; empty when none was.
    const Move* rootLine() const { return rootMoves.data(); }
    int rootLineLength() const { return rootLength; }
    // Whether the last iteration was stopped before it completed.
    bool wasStopped() const { return stopped; }
    // The deepest ply a principal line reached since the search began.
    int selectiveDepth() const { return selDepth; }
    // Read by other threads while the search runs.
    std::int64_t nodes() const { return nodeCount.load(std::memory_order_relaxed); }
    // Where the iteration under way stands at the root, also read by other threads: its depth,
    // the root moves begun in it and the one being searched.
    struct RootProgress {
        int depth = 0;
        int movesBegun = 0;
        Move move = nullMove;
    };
    RootProgress rootProgress() const;

private:
    // What the search keeps for each ply of its path.
    struct Frame {
        int ply = 0;
        Move move = nullMove;
        Move excluded = nullMove;
        std::array<Move, 2> killers{};
        PieceToHistory* continuation = nullptr;
        int staticEval = 0;
        int statScore = 0;
        int moveCount = 0;
        bool inCheck = false;
        SquareSums sums{};
    };
    // Frames below the root that the continuation histories may look at.
    static constexpr int FramesBelowRoot = 7;

    template <bool PvNode>
    int search(Frame* ss, int alpha, int beta, int depth, bool cutNode);
    // Depth counts down from 0 into the captures, so that long exchanges can be cut short.
    template <bool PvNode>
    int quiesce(Frame* ss, int alpha, int beta, int depth = 0);

    int evaluate(const Frame* ss);
    // The frame's place, which is also its slot among the net's accumulators.
    int slotOf(const Frame* ss) const { return static_cast<int>(ss - frames.data()); }
    // The root's piece-square sums and accumulators, from scratch.
    void prepareRoot(Frame* root);
    // What the frame after ss keeps of the move about to be made (a null move passes): its
    // piece-square sums and the net's change.
    void prepareChild(Frame* ss, const Move& m);
    // Makes the move, the frame after ss prepared for it; false, with the move taken back,
    // when it leaves the mover's king attacked.
    bool makeLegal(Frame* ss, Move& m);
    // Whether the position repeats one since the last capture, and its score then by the rule.
    bool repetition(int ply, int& score);
    bool stop();
    // Whether the root move is left out, by the moves to search or by those already searched.
    bool skippedAtRoot(const Move& m) const;

    void updateContinuations(Frame* ss, int piece, int to, int bonus);
    void updateQuietStats(Frame* ss, const Move& m, int bonus);
    void updateAllStats(Frame* ss, const Move& best, int bestValue, int beta, const Move* quiets, int quietCount,
                        const Move* captures, int captureCount, int depth);
    std::array<const PieceToHistory*, 4> continuationsFor(const Frame* ss) const;
    void updatePrincipalLine(int ply, const Move& m);
    void publishRoot(int movesBegun, const Move& m);

    // The histories come zeroed from the system and go back to it.
    struct FreeHistories {
        void operator()(Histories* memory) const;
    };
    using HistoriesPointer = std::unique_ptr<Histories, FreeHistories>;
    static HistoriesPointer freshHistories();

    Board& board;
    Lawyer& lawyer;
    SearchControl& control;
    SearchTable& table;
    bool tableOn = true;
    bool tableReadOnly = false;
    bool tableSaves = true;
    const MoveList* rootFilter = nullptr;
    const MoveList* rootExcluded = nullptr;
    HistoriesPointer histories;
    std::array<Frame, MaxPly + FramesBelowRoot + 3> frames{};
    AccumulatorStack accumulators;
    std::array<std::array<Move, MaxPly + 1>, MaxPly + 1> lines{};
    std::array<int, MaxPly + 1> lineLengths{};
    std::array<Move, MaxPly + 1> rootMoves{};
    int rootLength = 0;
    std::atomic<std::int64_t> nodeCount{0};
    int iterationDepth = 0;
    // The root progress in one word, so that a reader sees its parts together.
    std::atomic<std::uint64_t> rootState{0};
    bool stopped = false;
    int selDepth = 0;
    // Null-move verification: below this ply the side that passed may not pass again.
    int nullMinPly = 0;
    int nullSide = NoSide;
};

}  // namespace qorat
