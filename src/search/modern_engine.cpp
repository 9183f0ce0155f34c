// How the modern search follows the settings that concern it.
#include "search/modern_engine.h"

#include <utility>

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

bool ModernEngine::useNet(bool on) {
    if (!on) {
        searchPool.useNet(nullptr);
        netOn = false;
        return true;
    }
    NetLoad load = loadNet(netFile);
    if (!load.net) {
        output.reportProblem(load.problem + (netOn ? "; the net stays as it was" : "; the evaluation stays classic"));
        return false;
    }
    searchPool.useNet(std::move(load.net));
    netOn = true;
    return true;
}

bool ModernEngine::setNetFile(const std::string& name) {
    const std::string before = netFile;
    netFile = name;
    // A file is read only when its net is to be used.
    if (!netOn || useNet(true)) return true;
    netFile = before;
    return false;
}

}  // namespace qorat
