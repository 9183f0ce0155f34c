// qorat-bench [DEPTH] [SEARCH [THREADS]]: searches a fixed set of positions with the default
// settings (or the search named: a classic one, or pvs, the modern search on its pool, also
// called pool; one thread unless said), no book, no clock and no input, and reports the
// nodes, the time and the speed.
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <iomanip>
#include <iostream>
#include <sstream>
#include <string>

#include "board/keys.h"
#include "board/notation.h"
#include "classic/engine.h"
#include "options/options.h"
#include "search/modern_engine.h"

namespace {

using namespace qorat;

constexpr unsigned KeySeed = 1;
constexpr int DefaultDepth = 6;

const char* const positions[] = {
    // openings
    "rheakaehr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RHEAKAEHR r",
    "rheakae1r/9/1c4hc1/p1p1p1p1p/9/9/P1P1P1P1P/1C2C4/9/RHEAKAEHR r",
    "rheakaer1/9/1c4hc1/p1p1p1p1p/9/9/P1P1P1P1P/1C2C1H2/9/RHEAKAE1R r",
    // middlegames
    "r1eak1e1r/4a4/2h3h2/p5p1p/4p4/2P3Pc1/P3P3P/E1H3HC1/4A4/1R2KAE1R r",
    "2eak4/4ar3/h3e1hc1/C3p3p/9/2P3P2/P3P2cP/2H1CAH2/9/2E1KAE1R r",
    "2eak4/1r2a4/2h1e1h2/p1p1p3p/6p2/2P5P/P3P1P2/2H6/3RA4/2E1KAEH1 r",
    "2e1ka3/4a4/4e4/8p/p1p3P2/1r1H5/P3P1hHP/Ec7/9/1R1AKAE2 r",
    "2e1ka3/4a4/4e1hr1/p3p1R1p/2p6/P4p3/2P1h3P/9/1H2A4/2EAKHE2 r",
    "2eak4/4a4/4e4/p5p1p/2h6/6C2/P3P3P/4E4/4A4/2EAK4 r",
    // endgames
    "3ak1e2/4a4/9/p8/2P3e1p/9/PH2h3P/8r/4A4/2EK1A3 r",
    "3k5/4a4/5a3/9/9/4r4/9/9/4H4/R4K3 r",
    "2eak4/4a4/4e4/9/2P3P2/9/9/4C4/9/4K4 r",
    "4k4/9/9/2p3p2/9/9/2P1P1P2/9/9/4K4 r",
    "3ak4/5a3/9/9/9/9/9/9/3R5/5K3 r",
};

struct NoInput : InputPoll {
    bool inputPending() override { return false; }
};

struct UnlimitedClock : MoveClock {
    bool hasTimeForMove() const override { return true; }
};

struct UnlimitedClocks : ClockSource {
    void setTimeControl(int, int, int) override {}
    MoveClock* clockFor(int) override { return &clock; }
    UnlimitedClock clock;
};

// The bench prints its own table; a setting it cannot carry out still goes to standard error.
struct QuietOutput : EngineOutput {
    void showThinking(const ThinkingLine&) override {}
    void reportProblem(const std::string& text) override { std::cerr << text << '\n'; }
};

// Hears the pool's search: its last completed depth and its move.
struct PoolResult final : SearchListener {
    void showThinking(const ThinkingLine& thinking) override { depth = thinking.depth; }
    void searchDone(const Move& best, const Move&, SearchScore searched) override {
        move = best;
        score = searched;
    }
    int depth = 0;
    Move move = nullMove;
    SearchScore score;
};

struct Searched {
    int depth = 0;
    SearchScore score;
    std::int64_t nodes = 0;
    Move move = nullMove;
};

// Centipawns, or "#" and the moves to a mate, negative when mated.
std::string scoreText(const SearchScore& score) {
    std::ostringstream text;
    if (score.isMate()) text << '#' << score.mateMoves();
    else text << score.value;
    return text.str();
}

int usage() {
    std::cerr << "usage: qorat-bench [DEPTH] [mtd|alphabeta|negascout|pvs|pool [THREADS]]\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 4) return usage();
    const int depth = argc >= 2 ? std::atoi(argv[1]) : DefaultDepth;
    if (depth < 1) return usage();

    fillKeyTables(KeySeed);
    Board board;
    Lawyer lawyer(board);
    board.addObserver(&lawyer);
    NoInput input;
    UnlimitedClocks clocks;
    QuietOutput output;
    Engine engine(board, lawyer, input, clocks, output);
    ModernEngine modern(board, output);
    options.set("useOpeningBook", "n");
    options.set("searchPly", std::to_string(depth));
    if (argc >= 3) options.set("search", std::string(argv[2]) == "pool" ? "pvs" : argv[2]);
    if (argc == 4) {
        const int threads = std::atoi(argv[3]);
        if (threads < 1 || !engine.modernSearch()) return usage();
        modern.pool().setThreads(threads);
    }
    // The modern search runs on its threads, as every front end drives it.
    auto search = [&]() {
        if (!engine.modernSearch()) {
            engine.think();
            const Engine::Progress done = engine.progress();
            return Searched{done.depth, done.score, done.nodes, engine.takeMove()};
        }
        PoolResult result;
        SearchLimits limits;
        limits.depth = depth;
        modern.pool().setPosition(board);
        modern.pool().go(limits, result);
        modern.pool().wait();
        return Searched{result.depth, result.score, modern.pool().progress().nodes, result.move};
    };

    std::int64_t totalNodes = 0;
    double totalSeconds = 0;
    std::cout << " #  depth  score      nodes   time(s)  move\n";
    for (std::size_t i = 0; i < std::size(positions); ++i) {
        if (!board.setFen(positions[i])) {
            std::cerr << "bad position: " << positions[i] << '\n';
            return 1;
        }
        const auto start = std::chrono::steady_clock::now();
        const Searched done = search();
        const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start;
        totalNodes += done.nodes;
        totalSeconds += spent.count();
        std::cout << std::setw(2) << i + 1 << std::setw(7) << done.depth << std::setw(7) << scoreText(done.score)
                  << std::setw(11) << done.nodes << std::setw(10) << std::fixed << std::setprecision(3)
                  << spent.count() << "  " << moveText(done.move) << '\n';
    }
    std::cout << "total nodes " << totalNodes << ", time " << std::setprecision(3) << totalSeconds << " s, ";
    // A run too quick for the clock to see has no meaningful speed.
    if (totalSeconds > 0)
        std::cout << static_cast<std::int64_t>(totalNodes / totalSeconds) << " nodes/s\n";
    else
        std::cout << "too fast to time\n";
    return 0;
}
