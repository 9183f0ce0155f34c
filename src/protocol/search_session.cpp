// The session every mode holds over the threaded search.
#include "protocol/search_session.h"

#include <algorithm>
#include <array>

#include "classic/engine.h"
#include "protocol/interface.h"
#include "rules/lawyer.h"

namespace qorat {

SearchSession::SearchSession(SearchPool& p, Interface& i, Engine& e) : pool(p), interface(i), engine(e) {}

bool SearchSession::admit(const std::string& fen) {
    positionRefused = fen.empty() || !isPlayablePosition(fen);
    return !positionRefused;
}

void SearchSession::newGame() {
    cancel();
    forgetResult();
    positionRefused = false;
    pool.newGame();
}

Move SearchSession::bookOrSearch(const Board& position, const SearchLimits& limits, Purpose purpose, bool bookFirst) {
    if (bookFirst) {
        const Move m = engine.bookMove();
        if (!m.isNull()) {
            forgetResult();
            return m;
        }
    }
    start(position, nullMove, limits, purpose);
    return nullMove;
}

void SearchSession::start(const Board& position, const Move& after, const SearchLimits& limits, Purpose purpose) {
    cancel();
    root.replayGame(position);
    fromKey1 = root.key1();
    fromKey2 = root.key2();
    pondered = after;
    showPondered = purpose == Purpose::Ponder && !after.isNull();
    if (!after.isNull()) {
        Move m = after;
        root.makeMove(m);
    }
    rootKey1 = root.key1();
    rootKey2 = root.key2();
    rootPlies = root.history().size();
    {
        const std::lock_guard<std::mutex> guard(lock);
        done = false;
        latestScore.reset();
    }
    current = purpose;
    pool.setPosition(root);
    pool.go(limits, *this);
}

void SearchSession::cancel() {
    if (current == Purpose::None) return;
    pool.stop();
    pool.wait();
    current = Purpose::None;
    const std::lock_guard<std::mutex> guard(lock);
    done = false;
}

SearchScore SearchSession::scoreNow(const Board& position, const SearchLimits& limits) {
    cancel();
    // Heard on the search's thread; read once the search has been waited for.
    struct ScoreTaker final : SearchListener {
        SearchScore score;
        void showThinking(const ThinkingLine&) override {}
        void searchDone(const Move&, const Move&, SearchScore searched) override { score = searched; }
    } taker;
    pool.setPosition(position);
    pool.go(limits, taker);
    pool.wait();
    return taker.score;
}

void SearchSession::finish() {
    pool.stop();
    pool.wait();
}

bool SearchSession::finished() {
    const std::lock_guard<std::mutex> guard(lock);
    return done;
}

void SearchSession::ponderHit() {
    if (current != Purpose::Ponder) return;
    current = Purpose::Play;
    // The board has the move pondered on now: the lines are read from it.
    showPondered = false;
    pool.ponderHit();
}

bool SearchSession::searches(const Board& board) const {
    return active() && board.key1() == rootKey1 && board.key2() == rootKey2 && board.history().size() == rootPlies;
}

bool SearchSession::pondersFrom(const Board& board) const {
    return current == Purpose::Ponder && board.key1() == fromKey1 && board.key2() == fromKey2 &&
           board.history().size() + 1 == rootPlies;
}

bool SearchSession::takeResult(Result& result) {
    {
        const std::lock_guard<std::mutex> guard(lock);
        if (!done) return false;
        done = false;
        result = outcome;
    }
    pool.wait();
    current = Purpose::None;
    last = result;
    return true;
}

std::optional<SearchScore> SearchSession::currentScore() {
    if (!active()) return std::nullopt;
    const std::lock_guard<std::mutex> guard(lock);
    return latestScore;
}

void SearchSession::showThinking(const ThinkingLine& thinking) {
    // A bound from a failed window is no score yet, nor a line below the best.
    if (!thinking.lowerBound && !thinking.upperBound && thinking.multiPv <= 1) {
        const std::lock_guard<std::mutex> guard(lock);
        latestScore = thinking.score;
    }
    if (!post) return;
    ThinkingLine shown = thinking;
    if (outcomes) shown.outcome = winDrawLoss(thinking.score);
    if (!showPondered.load()) {
        interface.showThinking(shown);
        return;
    }
    std::array<Move, MaxPly + 1> line;
    line[0] = pondered;
    const int length = std::min(thinking.lineLength, MaxPly);
    std::copy_n(thinking.line, length, line.begin() + 1);
    shown.line = line.data();
    shown.lineLength = length + 1;
    interface.showThinking(shown);
}

void SearchSession::searchDone(const Move& best, const Move& reply, SearchScore score) {
    {
        const std::lock_guard<std::mutex> guard(lock);
        outcome = {best, reply, score};
        done = true;
    }
    interface.wake();
}

}  // namespace qorat
