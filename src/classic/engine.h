// The computer player of the classic searches: its search switches and counters, the
// transposition table and the opening book it owns, and the think operations the main loop
// drives. It also keeps which search is chosen, the modern one included, which others run.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "board/board.h"
#include "board/move_list.h"
#include "book/opening_book.h"
#include "classic/classic_types.h"
#include "classic/move_ordering.h"
#include "classic/transposition_table.h"
#include "options/options.h"
#include "rules/lawyer.h"
#include "thinking/seams.h"

namespace qorat {

class Engine final : public OptionsObserver {
public:
    Engine(Board& board, Lawyer& lawyer, InputPoll& input, ClockSource& clocks, EngineOutput& output);
    ~Engine();
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    void optionChanged(std::string name) override;

    // Works towards a move for the side to move; returns early when input is waiting.
    void think();
    bool moveReady() const { return thinkState == MoveReady; }
    // The first move of the best line, or no move when there is none for this position.
    Move takeMove();
    bool isThinking() const { return thinkState == Searching; }
    // Makes the best line found so far the move to play; a search that has found none yet,
    // or has not begun, plays the first move it finds.
    void moveNow();
    // Abandons the search and any move it found: the position is about to change.
    void dropMove() {
        thinkState = Idle;
        firstMoveWanted = false;
    }

    // Whether the modern search is the one chosen; this engine then does not think.
    bool modernSearch() const { return algorithm == Pvs; }
    // The chosen search's name, as the option "search" takes it.
    std::string searchName() const;
    // A book move for the board's position when the book is in use, else no move.
    Move bookMove();
    // Every book move of the position, whether or not the book is in use.
    std::vector<Move> bookMoves() const;
    // The file of the book in use; empty when there is none.
    const std::string& bookFile() const { return bookPath; }

    // How deep a search goes: the option "searchPly".
    int depthLimit() const { return searchPly; }
    // Whether a "?" asked for a move before there was one to play.
    bool moveWanted() const { return firstMoveWanted; }

    // How far the current or last search got, for reports.
    struct Progress {
        int depth = 0;
        SearchScore score;
        std::int64_t nodes = 0;
    };
    Progress progress() const { return {completedDepth, reportClassicScore(completedScore), nodeCount}; }

private:
    enum ThinkState : std::int16_t { Searching = 0, MoveReady = 1, Idle = 2 };
    enum AbortReason : std::int16_t { NoAbort = 0, TimeUp = 1, InputWaiting = 2 };
    enum Algorithm : std::int32_t { AlphaBeta = 0, NegaScout = 2, Pvs = 3 };

    void loadBook();
    // Tells the person or the front end of a setting that could not be carried out.
    void report(const std::string& text) const;
    // Selects a search by its option value; other values change nothing.
    void chooseSearch(const std::string& value);

    // Think driver.
    void startSearch();
    bool atSearchRoot() const;
    bool playBookMove();
    int searchIteration(int depth, int guess);
    int mtdf(Line& line, int depth, int guess);
    // Tells the front end of the iteration just searched, or cut short.
    void showThinking(int depth, int score);

    // Search.
    // quiesce: whether the leaves of this search go on into the quiescence search.
    int searchNode(Line& line, int alpha, int beta, int ply, int depth, bool nullAllowed, bool verify, bool quiesce);
    int searchMoves(Line& out, MoveList& moves, int alpha, int beta, int ply, int depth, bool verify, bool quiesce);
    int alphaBetaMoves(Line& out, MoveList& moves, int alpha, int beta, int ply, int depth, bool verify, bool quiesce);
    int negaScoutMoves(Line& out, MoveList& moves, int alpha, int beta, int ply, int depth, bool verify, bool quiesce);
    int quiesceNode(int alpha, int beta, int ply, int depth, bool nullAllowed);
    bool stopRequested();
    int staticScore() const;

    // Repetitions: whether the position recurs since the last capture, and its score then.
    bool repetition(int ply, int& score) const;

    // The search's use of the transposition table.
    bool probe(int ply, int depth, int& alpha, int& beta, Move& move, int& score, bool& nullAllowed);
    void store(int ply, int depth, int alpha, int beta, int result, const Move& move);

    Board& board;
    Lawyer& lawyer;
    std::unique_ptr<OpeningBook> book;
    std::string bookPath;
    InputPoll& input;
    ClockSource& clocks;
    EngineOutput& output;
    std::unique_ptr<TranspositionTable> table;
    MoveOrdering ordering;
    Line bestLine;
    ThinkState thinkState = Idle;
    // Asked to move now before there was a move to play: the search ends after its first depth.
    bool firstMoveWanted = false;
    std::int32_t searchPly = 6;
    std::int32_t nullReduction = 3;
    AbortReason abortReason = NoAbort;
    MoveClock* clock = nullptr;
    std::int64_t nodeCount = 0;
    // Nodes left until the clock and the input are looked at again.
    int pollCountdown = 0;
    static constexpr int PollInterval = 1024;
    std::chrono::steady_clock::time_point startTime;

    // Where the current search started, so that its line is never played elsewhere.
    std::uint64_t rootKey1 = 0;
    std::uint64_t rootKey2 = 0;
    std::size_t rootPlies = 0;
    // The clock may stop a search only once it has completed an iteration, so that a
    // side with a legal move always gets one to play.
    bool iterationDone = false;
    int completedDepth = 0;
    int completedScore = 0;

    // Under the xboard and UCI protocols the modern search is the default, and a book that
    // cannot be read is reported here: the reader's own message goes to standard error,
    // which is silenced.
    bool frontEndOutput = false;
    // Whether the option "search" has named a search, which then holds in every mode.
    bool searchChosen = false;
    bool useOpeningBook = true;
    bool post = false;
    bool quiescence = false;
    bool qnull = false;
    bool qhash = true;
    Algorithm algorithm = AlphaBeta;
    bool nullmove = true;
    bool mtd = true;
    bool iterative = true;
    bool verifynull = true;
    bool hashadjust = false;
    bool hash = true;

    // Lets the tests look inside.
    friend struct EngineInspector;
};

}  // namespace qorat
