// How the modern search follows the settings that concern it.
#include "search/modern_engine.h"

#include <algorithm>
#include <sstream>

namespace qorat {

namespace {

// The table's size, in megabytes, is kept within what a player's machine can spare.
constexpr int MaxTableMegabytes = 1024;
constexpr std::size_t DefaultTableMegabytes = 8;

// The leading number of the text, as a stream reads an int; 0 when there is none.
int leadingNumber(const std::string& text) {
    std::istringstream in(text);
    int value = 0;
    in >> value;
    return value;
}

}  // namespace

ModernEngine::ModernEngine(const Board& game, EngineOutput& out)
    : output(out), searchTable(DefaultTableMegabytes), searchPool(searchTable, game) {
    options.addObserver(this);
}

void ModernEngine::optionChanged(std::string name) {
    const std::string value = options.get(name);
    if (name == "hash") {
        searchPool.useTable(value == "on");
    } else if (name == "hashSize") {
        const int megabytes = std::min(leadingNumber(value), MaxTableMegabytes);
        if (megabytes <= 0) return;
        // A search under way keeps the table it has.
        if (!searchTable.resize(static_cast<std::size_t>(megabytes)))
            output.reportProblem("Not enough memory for a " + std::to_string(megabytes) + " MB table; it keeps its " +
                                 std::to_string(searchTable.megabytes()) + " MB");
    } else if (name == "threads") {
        const int count = leadingNumber(value);
        if (count > 0) searchPool.setThreads(count);
    }
}

}  // namespace qorat
