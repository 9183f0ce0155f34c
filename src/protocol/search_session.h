// The session every mode holds over the threaded search: the gate that keeps positions no
// game reaches from it, the book asked before it, which position it searches and what for
// (a move to play, pondering, analysis), its thinking shown, and its move collected on the
// main thread, which the search wakes when it ends.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

#include "board/board.h"
#include "rules/lawyer.h"
#include "search/search_limits.h"
#include "search/search_pool.h"
#include "thinking/seams.h"

namespace qorat {

class Engine;
class Interface;

class SearchSession final : public SearchListener {
public:
    enum class Purpose { None, Play, Ponder, Analyse };
    struct Result {
        Move best = nullMove;
        Move reply = nullMove;
        SearchScore score;
    };

    SearchSession(SearchPool& pool, Interface& interface, Engine& engine);

    // The gate: a position is admitted when a game can reach it; after a refusal (of the
    // position, or of a move played on from it) no search starts until one is admitted, so
    // that no move answers a board the front end does not have.
    bool admit(const std::string& fen);
    void refuse() { positionRefused = true; }
    // A new game from the start position: any search ends and is forgotten, the histories and
    // the table start afresh.
    void newGame();
    bool refused() const { return positionRefused; }

    // The book's move for the position when the book may answer and has one; else the search
    // for the purpose starts, and no move comes back yet.
    Move bookOrSearch(const Board& position, const SearchLimits& limits, Purpose purpose, bool bookFirst);

    // Searches the position, with the move after it when one is given (the move pondered on,
    // which heads every thinking line until the ponder hit: the line as the front end reads it,
    // from the position before that move).
    void start(const Board& position, const Move& after, const SearchLimits& limits, Purpose purpose);
    // Stops the search, waits for it, and forgets it and its move.
    void cancel();
    // Stops the search and waits for it; its move is kept for takeResult.
    void finish();
    // Asks the search to end now; its move comes as usual.
    void stop() { pool.stop(); }
    // Searches the position at once within the limits, while no other search runs, and gives
    // its score for the side to move.
    SearchScore scoreNow(const Board& position, const SearchLimits& limits);
    // The pondered move was played: the search goes on as one for a move to play.
    void ponderHit();

    // The pool it drives, for the settings and a new game.
    SearchPool& searchPool() { return pool; }

    Purpose purpose() const { return current; }
    bool active() const { return current != Purpose::None; }
    // Whether a search has ended, its move not yet taken.
    bool finished();
    // Whether the search's position is the board's.
    bool searches(const Board& board) const;
    // Whether the board is the position a pondering search's move is played from.
    bool pondersFrom(const Board& board) const;
    // The move of a finished search, once; false while it runs or when none has run.
    bool takeResult(Result& result);
    // The last result taken, for hints and draw offers; forgotten when the game moves on
    // without a search.
    const Result& lastResult() const { return last; }
    void forgetResult() { last = Result{}; }
    // Whether thinking lines are shown: as "post" says at the console and under xboard,
    // always for analysis and UCI.
    void showThinking(bool on) { post = on; }
    // Whether the lines shown tell the wins, draws and losses their scores stand for.
    void showOutcomes(bool on) { outcomes = on; }
    // The search under way as it stands, for a status report; nothing while none runs.
    SearchPool::Progress progress() const { return active() ? pool.progress() : SearchPool::Progress{}; }
    // The score of the search under way at its last completed depth, for the side to move in
    // its position; nothing before its first.
    std::optional<SearchScore> currentScore();

    void showThinking(const ThinkingLine& thinking) override;
    void searchDone(const Move& best, const Move& reply, SearchScore score) override;

private:
    SearchPool& pool;
    Interface& interface;
    Engine& engine;
    bool positionRefused = false;
    // The position searched, with its history; the pool copies it when the search starts.
    Board root;
    std::uint64_t rootKey1 = 0;
    std::uint64_t rootKey2 = 0;
    std::size_t rootPlies = 0;
    std::uint64_t fromKey1 = 0;
    std::uint64_t fromKey2 = 0;
    Purpose current = Purpose::None;
    // Read by the search's thread; the move pondered on is set before the search starts.
    std::atomic<bool> post{false};
    std::atomic<bool> outcomes{false};
    Move pondered = nullMove;
    std::atomic<bool> showPondered{false};
    Result last;
    // Written by the search's thread.
    std::mutex lock;
    bool done = false;
    Result outcome;
    std::optional<SearchScore> latestScore;
};

}  // namespace qorat
