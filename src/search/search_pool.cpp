// The search every mode drives: on threads of its own, sharing one table.
#include "search/search_pool.h"

#include <algorithm>
#include <array>
#include <utility>

#include "board/random_seed.h"

namespace qorat {

SearchPool::SearchPool(SearchTable& t, const Board& game) : table(t), position(&game), noise(randomSeed()) {
    applySettings();
}

SearchPool::~SearchPool() {
    stop();
    wait();
}

void SearchPool::setThreads(int count) {
    threadsWanted = std::clamp(count, 1, MaxThreads);
    if (!searching()) applySettings();
}

void SearchPool::useTable(bool on) {
    tableWanted = on;
    if (!searching()) applySettings();
}

void SearchPool::useNet(std::shared_ptr<const Net> net) {
    netWanted = std::move(net);
    if (!searching()) applySettings();
}

void SearchPool::applySettings() {
    workers.resize(static_cast<std::size_t>(std::min(threadsWanted, threads())));
    while (threads() < threadsWanted) workers.push_back(std::make_unique<SearchWorker>(threads(), table, *this));
    // The table's static evaluations are the other evaluation's.
    if (netWanted != netInUse) table.clear();
    netInUse = netWanted;
    for (auto& worker : workers) {
        worker->useTable(tableWanted);
        worker->useNet(netInUse.get());
    }
}

void SearchPool::newGame() {
    stop();
    wait();
    for (auto& worker : workers) worker->newGame();
    table.clear();
}

void SearchPool::setPosition(const Board& game) { position = &game; }

void SearchPool::go(const SearchLimits& searchLimits, SearchListener& searchListener) {
    stop();
    wait();
    applySettings();
    limits = searchLimits;
    listener = &searchListener;
    skill = skillWanted;
    linesShown = multiPvWanted;
    linesSearched = multiPvWanted;
    if (skill.limited()) {
        linesSearched = std::max(linesSearched, Skill::Lines);
        limits.nodes = limits.nodes > 0 ? std::min(limits.nodes, skill.nodes()) : skill.nodes();
    }
    // Every count starts at zero before any thread runs, so that the first lines do not add
    // a helper's count from the search before.
    for (auto& worker : workers) {
        worker->setPosition(*position);
        worker->resetNodes();
    }
    stopFlag = false;
    pondering = limits.ponder;
    time.start(limits, overhead);
    table.newSearch();
    mainThread = std::thread([this] { mainSearch(); });
}

void SearchPool::stop() {
    const std::lock_guard<std::mutex> lock(waitLock);
    stopFlag = true;
    waitSignal.notify_all();
}

void SearchPool::ponderHit() {
    const std::lock_guard<std::mutex> lock(waitLock);
    pondering = false;
    // A search that has thought as long as the move deserves plays at once.
    if (time.timed() && time.elapsed() >= time.softLimit()) stopFlag = true;
    waitSignal.notify_all();
}

void SearchPool::wait() {
    if (mainThread.joinable()) mainThread.join();
}

std::int64_t SearchPool::totalNodes() const {
    std::int64_t sum = 0;
    for (const auto& worker : workers) sum += worker->nodes();
    return sum;
}

void SearchPool::mainSearch() {
    std::vector<std::thread> helpers;
    for (std::size_t i = 1; i < workers.size(); ++i) helpers.emplace_back([worker = workers[i].get()] { worker->search(); });
    SearchWorker& main = *workers[0];
    main.search();
    {
        // Analysis and pondering wait for their stop, or for the hit that makes them timed.
        std::unique_lock<std::mutex> lock(waitLock);
        waitSignal.wait(lock, [this] { return !mustWait(); });
        stopFlag = true;
    }
    for (std::thread& helper : helpers) helper.join();

    // The move of the deepest search completed; the main thread's when none is deeper.
    SearchWorker* chosen = &main;
    for (const auto& worker : workers)
        if (worker->depth() > chosen->depth() && worker->lineCount() > 0) chosen = worker.get();
    if (chosen != &main) chosen->showLines();
    // No move at all: the side to move is mated or stalemated.
    if (chosen->lineCount() == 0) {
        listener->searchDone(nullMove, nullMove, reportPvsScore(chosen->score()));
        return;
    }
    // A limited level plays one of its best lines, not always the first.
    std::array<int, SearchWorker::MaxLines> scores{};
    for (int i = 0; i < chosen->lineCount(); ++i) scores[static_cast<std::size_t>(i)] = chosen->line(i).score;
    const int played = skill.pick(std::span(scores.data(), static_cast<std::size_t>(chosen->lineCount())), noise);
    const RootLine& line = chosen->line(played);
    listener->searchDone(line.first(), chosen->expectedReply(played), reportPvsScore(line.score));
}

SearchPool::Progress SearchPool::progress() const { return {time.elapsed(), totalNodes(), workers[0]->rootProgress()}; }

}  // namespace qorat
