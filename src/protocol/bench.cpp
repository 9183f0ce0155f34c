// The bench positions and their search, for qorat-bench and "qorat bench" alike.
#include "protocol/bench.h"

#include <chrono>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>

#include "board/board.h"
#include "board/keys.h"
#include "board/notation.h"
#include "classic/engine.h"
#include "options/options.h"
#include "protocol/number_text.h"
#include "rules/lawyer.h"
#include "search/modern_engine.h"

namespace qorat {

namespace {

// The keys every bench draws, so that a node total is the same on every run and machine.
constexpr unsigned KeySeed = 1;

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

// The bench tells its own results; a setting it cannot carry out still goes to standard error.
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

}  // namespace

bool runBench(const BenchSettings& settings, const std::function<void(const BenchPosition&)>& done) {
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
    options.set("searchPly", std::to_string(settings.depth));
    options.set("search", settings.search == "pool" ? "pvs" : settings.search);
    if (engine.modernSearch()) {
        modern.pool().setThreads(settings.threads);
        if (settings.megabytes != ModernEngine::DefaultTableMegabytes && !modern.resizeTable(settings.megabytes))
            return false;
        if (!settings.netFile.empty() && !(modern.setNetFile(settings.netFile) && modern.useNet(true))) return false;
    } else if (settings.threads != 1) {
        std::cerr << "Only the modern search runs on threads\n";
        return false;
    }
    for (std::size_t i = 0; i < std::size(positions); ++i) {
        board.setFen(positions[i]);
        BenchPosition result;
        result.number = static_cast<int>(i) + 1;
        const auto start = std::chrono::steady_clock::now();
        if (engine.modernSearch()) {
            PoolResult heard;
            SearchLimits limits;
            limits.depth = settings.depth;
            modern.pool().setPosition(board);
            modern.pool().go(limits, heard);
            modern.pool().wait();
            result.depth = heard.depth;
            result.score = heard.score;
            result.nodes = modern.pool().progress().nodes;
            result.move = heard.move;
        } else {
            engine.think();
            const Engine::Progress progress = engine.progress();
            result.depth = progress.depth;
            result.score = progress.score;
            result.nodes = progress.nodes;
            result.move = engine.takeMove();
        }
        result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        done(result);
    }
    return true;
}

int benchCommand(int argc, const char* const* argv) {
    // The words after "bench": whole numbers within reason, then the net's file.
    BenchSettings settings;
    int* const fields[] = {&settings.depth, &settings.threads, &settings.megabytes};
    constexpr long long Most[] = {MaxPly - 1, SearchPool::MaxThreads, ModernEngine::MaxTableMegabytes};
    constexpr int NetFileWord = 2 + static_cast<int>(std::size(fields));
    for (int i = 2; i < argc; ++i) {
        if (i == NetFileWord) {
            settings.netFile = argv[i];
            continue;
        }
        const std::size_t field = static_cast<std::size_t>(i - 2);
        const std::optional<long long> number = readWholeNumber(argv[i]);
        if (i > NetFileWord || !number || *number < 1 || *number > Most[field]) {
            std::cerr << "usage: qorat bench [DEPTH [THREADS [MEGABYTES [NETFILE]]]]\n";
            return 2;
        }
        *fields[field] = static_cast<int>(*number);
    }
    std::int64_t nodes = 0;
    double seconds = 0;
    const bool ran = runBench(settings, [&](const BenchPosition& p) {
        nodes += p.nodes;
        seconds += p.seconds;
        std::cerr << "Position " << p.number << ": depth " << p.depth << ", nodes " << p.nodes << ", best move "
                  << moveText(p.move) << '\n';
    });
    if (!ran) return 1;
    const auto milliseconds = static_cast<std::int64_t>(seconds * 1000);
    std::cout << "\n===========================\n"
              << "Total time (ms) : " << milliseconds << '\n'
              << "Nodes searched  : " << nodes << '\n'
              << "Nodes/second    : " << (seconds > 0 ? static_cast<std::int64_t>(nodes / seconds) : 0) << '\n';
    return 0;
}

}  // namespace qorat
