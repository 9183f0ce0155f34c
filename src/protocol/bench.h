// The bench: a fixed set of positions searched with no book, clock or input, whose node total
// signs a build's search and whose time gives its speed. qorat-bench prints it as a table,
// "qorat bench" in the words engine testing tools read.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "board/types.h"
#include "search/modern_engine.h"
#include "thinking/score.h"

namespace qorat {

struct BenchSettings {
    int depth = 13;
    // A classic search's name, or "pvs" (also "pool") for the modern search on its threads.
    std::string search = "pvs";
    int threads = 1;
    int megabytes = ModernEngine::DefaultTableMegabytes;
    // The modern search evaluates with the net of this file; none, with the hand-written evaluation.
    std::string netFile;
};

struct BenchPosition {
    int number = 0;
    int depth = 0;
    SearchScore score;
    std::int64_t nodes = 0;
    double seconds = 0;
    Move move = nullMove;
};

// Searches every bench position in turn, telling each as it is done; false, having said why
// on standard error, when the settings cannot be carried out.
bool runBench(const BenchSettings& settings, const std::function<void(const BenchPosition&)>& done);

// "qorat bench [DEPTH [THREADS [MEGABYTES [NETFILE]]]]": the modern search over the bench
// positions, a line each on standard error, then the time, the node total and the speed on
// standard output; the exit status.
int benchCommand(int argc, const char* const* argv);

}  // namespace qorat
