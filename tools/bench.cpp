// qorat-bench [DEPTH] [SEARCH [THREADS]]: searches the bench positions with the default
// settings (or the search named: a classic one, or pvs, the modern search on its pool, also
// called pool; one thread unless said), no book, no clock and no input, and prints a table of
// them with the node total, the time and the speed.
#include <cstdint>
#include <cstdlib>
#include <iomanip>
#include <iostream>
#include <sstream>
#include <string>

#include "board/notation.h"
#include "protocol/bench.h"

namespace {

using namespace qorat;

constexpr int DefaultDepth = 6;

// Centipawns, or "#" and the moves to a mate, negative when mated.
std::string scoreText(const SearchScore& score) {
    std::ostringstream text;
    if (score.isMate())
        text << '#' << score.mateMoves();
    else
        text << score.value;
    return text.str();
}

int usage() {
    std::cerr << "usage: qorat-bench [DEPTH] [mtd|alphabeta|negascout|pvs|pool [THREADS]]\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 4) return usage();
    BenchSettings settings;
    settings.depth = argc >= 2 ? std::atoi(argv[1]) : DefaultDepth;
    if (settings.depth < 1) return usage();
    // The default settings play the classic search, as the console does.
    settings.search = argc >= 3 ? argv[2] : "mtd";
    if (argc == 4) settings.threads = std::atoi(argv[3]);
    if (settings.threads < 1) return usage();

    std::int64_t totalNodes = 0;
    double totalSeconds = 0;
    std::cout << " #  depth  score      nodes   time(s)  move\n";
    const bool ran = runBench(settings, [&](const BenchPosition& p) {
        totalNodes += p.nodes;
        totalSeconds += p.seconds;
        std::cout << std::setw(2) << p.number << std::setw(7) << p.depth << std::setw(7) << scoreText(p.score)
                  << std::setw(11) << p.nodes << std::setw(10) << std::fixed << std::setprecision(3) << p.seconds
                  << "  " << moveText(p.move) << '\n';
    });
    if (!ran) return usage();
    std::cout << "total nodes " << totalNodes << ", time " << std::setprecision(3) << totalSeconds << " s, ";
    // A run too quick for the clock to see has no meaningful speed.
    if (totalSeconds > 0)
        std::cout << static_cast<std::int64_t>(totalNodes / totalSeconds) << " nodes/s\n";
    else
        std::cout << "too fast to time\n";
    return 0;
}
