// A self-play game: each move the pool's search at a fixed node count, the rules asked before
// it, the score watched for a decided game.
#include "datagen/self_play.h"

#include <cstdlib>

#include "search/modern_engine.h"
#include "search/modern_search.h"

namespace qorat::datagen {

namespace {

// The position stood this often: the rules end the game, by its cycle.
constexpr int RepetitionsThatEnd = 3;

// Hears the search's move and score; the thinking lines are not needed.
struct MoveHeard final : SearchListener {
    void showThinking(const ThinkingLine&) override {}
    void searchDone(const Move& best, const Move&, SearchScore searched) override {
        move = best;
        score = searched;
    }
    Move move = nullMove;
    SearchScore score;
};

RedResult lossFor(int side) { return side == Red ? RedResult::Loss : RedResult::Win; }

}  // namespace

SelfPlay::SelfPlay(const SelfPlaySettings& chosen)
    : settings(chosen), rules(game), table(ModernEngine::DefaultTableMegabytes), pool(table, game) {
    game.addObserver(&rules);
}

SelfPlay::Searched SelfPlay::search() {
    SearchLimits limits;
    limits.nodes = settings.nodes;
    MoveHeard heard;
    pool.setPosition(game);
    pool.go(limits, heard);
    pool.wait();
    return {heard.move, heard.score};
}

std::optional<RedResult> SelfPlay::ruling() {
    const int side = game.sideToMove();
    MoveList legal;
    rules.generateMoves(legal, true);
    // Mate and stalemate alike lose.
    if (legal.empty()) return lossFor(side);
    if (rules.insufficientMaterial()) return RedResult::Draw;
    if (occurrences() >= RepetitionsThatEnd) {
        const int loser = rules.cycleLoser(rules.cycleLength(Lawyer::SearchWindow));
        return loser == NoSide ? RedResult::Draw : lossFor(loser);
    }
    if (static_cast<int>(game.history().size()) >= settings.maxPlies) return RedResult::Draw;
    return std::nullopt;
}

int SelfPlay::occurrences() const {
    const auto& keys = rules.keyRecord();
    const auto& moves = game.history();
    const int last = static_cast<int>(keys.size()) - 1;
    int count = 1;
    // As the rules' cycles are counted: moves i + 1 to last lead from the position after move
    // i to the current one, and a capture or a pass breaks every cycle.
    for (int i = last - 1; i >= 0 && last - i <= Lawyer::SearchWindow; --i) {
        const Move& m = moves[static_cast<std::size_t>(i) + 1];
        if (m.captured != Empty || m.isNull()) break;
        if ((last - i) % 2 == 0 && keys[static_cast<std::size_t>(i)] == keys.back()) ++count;
    }
    return count;
}

// A position in check, one whose best move takes, or one already won or lost says little
// about its evaluation: its score is the line's, not the position's.
bool SelfPlay::worthKeeping(const Searched& searched) {
    return !rules.inCheck(game.sideToMove()) && game.piece(searched.move.to) == Empty && !searched.score.isMate() &&
           std::abs(searched.score.value) < PvsKnownWin;
}

RedResult SelfPlay::play(std::vector<Record>& records) {
    const std::size_t first = records.size();
    pool.newGame();
    int leader = NoSide;
    int leadingPlies = 0;
    std::optional<RedResult> result;
    while (!(result = ruling())) {
        const int mover = game.sideToMove();
        const Searched searched = search();
        if (worthKeeping(searched)) records.push_back(packPosition(game, searched.score.value));
        // Mates rank beyond every evaluation, so they count as decided too.
        const int forRed = mover == Red ? searched.score.ranking() : -searched.score.ranking();
        const int ahead = forRed >= settings.decidedScore ? Red : forRed <= -settings.decidedScore ? Blue : NoSide;
        leadingPlies = ahead == NoSide ? 0 : ahead == leader ? leadingPlies + 1 : 1;
        leader = ahead;
        if (leadingPlies >= settings.decidedPlies) {
            result = lossFor(opponent(leader));
            break;
        }
        Move m = searched.move;
        game.makeMove(m);
    }
    for (std::size_t i = first; i < records.size(); ++i) setResult(records[i], *result);
    return *result;
}

}  // namespace qorat::datagen
