// The search every mode drives: set a position, go with limits, stop, ponder hit, wait.
// The search runs on threads of its own, each on its own copy of the position, sharing one
// table; thinking lines and the chosen move reach the front end through its listener.
#pragma once

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

#include "board/board.h"
#include "nnue/net.h"
#include "search/search_limits.h"
#include "search/search_table.h"
#include "search/search_worker.h"
#include "search/skill.h"
#include "search/time_manager.h"
#include "thinking/seams.h"

namespace qorat {

class SearchPool {
public:
    static constexpr int MaxThreads = 64;
    static constexpr int MaxMultiPv = SearchWorker::MaxLines;

    // Searches the game's board until another position is set.
    SearchPool(SearchTable& table, const Board& game);
    ~SearchPool();
    SearchPool(const SearchPool&) = delete;
    SearchPool& operator=(const SearchPool&) = delete;

    // The time kept back from each move for the pipes and the front end; from the next search on.
    void setMoveOverhead(TimeManager::Milliseconds milliseconds) { overhead = milliseconds; }
    // These hold from the next search on: a search under way keeps its threads and table,
    // so that a setting changed while it thinks never cuts its move short.
    void setThreads(int count);
    void useTable(bool on);
    // The net the search evaluates with; none, the hand-written evaluation.
    void useNet(std::shared_ptr<const Net> net);
    // The best lines shown, each of another root move; the move played is the first's.
    void setMultiPv(int lines) { multiPvWanted = std::clamp(lines, 1, MaxMultiPv); }
    // A level below full strength searches less deep and chooses among its best lines.
    void setSkill(int level) { skillWanted = Skill(level); }
    int threads() const { return static_cast<int>(workers.size()); }
    // A new game: the histories start afresh and the table is emptied.
    void newGame();

    // The position the next search starts from, with its history: go copies it from the
    // board, which must outlive the pool.
    void setPosition(const Board& game);
    // Starts searching; the listener hears from the search's main thread until searchDone.
    void go(const SearchLimits& limits, SearchListener& listener);
    // Asks the search to end; the move comes through the listener as usual.
    void stop();
    // The predicted move was played: the pondering search goes on as a timed one.
    void ponderHit();
    // Waits until the search has ended and its move has been handed on.
    void wait();

    // The last search as it stands, read while it runs: the time since it began, the nodes
    // of every thread, and where the main thread's iteration stands at the root.
    struct Progress {
        TimeManager::Milliseconds elapsed = 0;
        std::int64_t nodes = 0;
        ModernSearch::RootProgress root;
    };
    Progress progress() const;

private:
    friend class SearchWorker;

    void mainSearch();
    // Whether a search runs, or has ended without being waited for.
    bool searching() const { return mainThread.joinable(); }
    // The threads and table use asked for, taken up while no search runs.
    void applySettings();
    std::int64_t totalNodes() const;
    // Whether the main worker, having searched what it may, must still wait for a stop.
    bool mustWait() const { return !stopFlag.load() && (limits.infinite || pondering.load()); }

    SearchTable& table;
    std::vector<std::unique_ptr<SearchWorker>> workers;
    std::thread mainThread;
    const Board* position;
    SearchLimits limits;
    TimeManager time;
    TimeManager::Milliseconds overhead = TimeManager::DefaultMoveOverhead;
    SearchListener* listener = nullptr;
    int multiPvWanted = 1;
    Skill skillWanted;
    // The level, the lines the search looks for and those it shows, from go on.
    Skill skill;
    int linesSearched = 1;
    int linesShown = 1;
    // What blurs a limited level's choice; seeded as everything random is.
    std::mt19937_64 noise;
    int threadsWanted = 1;
    bool tableWanted = true;
    std::shared_ptr<const Net> netWanted;
    // Kept alive here while the workers evaluate with it.
    std::shared_ptr<const Net> netInUse;
    std::atomic<bool> stopFlag{false};
    std::atomic<bool> pondering{false};
    std::mutex waitLock;
    std::condition_variable waitSignal;
};

}  // namespace qorat
