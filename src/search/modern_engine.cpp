// How the modern search follows the settings that concern it.
#include "search/modern_engine.h"

namespace qorat {

ModernEngine::ModernEngine(const Board& game, EngineOutput& out)
    : output(out), searchTable(DefaultTableMegabytes), searchPool(searchTable, game) {
    options.addObserver(this);
}

// The store outlives the engines built for a bench or a test.
ModernEngine::~ModernEngine() { options.removeObserver(this); }

void ModernEngine::optionChanged(std::string name) {
    if (name == "hash") searchPool.useTable(options.get(name) == "on");
}

bool ModernEngine::resizeTable(int megabytes) {
    // A search under way keeps the table it has.
    if (searchTable.resize(static_cast<std::size_t>(megabytes))) return true;
    output.reportProblem("Not enough memory for a " + std::to_string(megabytes) + " MB table; it keeps its " +
                         std::to_string(searchTable.megabytes()) + " MB");
    return false;
}

}  // namespace qorat
