// The modern search as the program holds it: its table, the pool of threads that search over
// it, and the net it may evaluate with; following whether the table is used.
#pragma once

#include <cstddef>
#include <string>

#include "board/board.h"
#include "nnue/net_file.h"
#include "options/options.h"
#include "search/search_pool.h"
#include "search/search_table.h"
#include "thinking/seams.h"

namespace qorat {

class ModernEngine final : public OptionsObserver {
public:
    // The table's megabytes until a size is set, and the most a player's machine can spare.
    static constexpr int DefaultTableMegabytes = 8;
    static constexpr int MaxTableMegabytes = 1024;

    // Searches the game's board; a setting it cannot carry out is told to the output.
    ModernEngine(const Board& game, EngineOutput& output);
    ~ModernEngine();
    ModernEngine(const ModernEngine&) = delete;
    ModernEngine& operator=(const ModernEngine&) = delete;

    void optionChanged(std::string name) override;

    // Sizes the table, in megabytes, from the next search on; false, the table kept and the
    // reason told, when the machine cannot give it.
    bool resizeTable(int megabytes);
    // Evaluates with the net of the net file, or with the hand-written evaluation; false,
    // the evaluation kept and the reason told, when the file holds no net.
    bool useNet(bool on);
    // The file the net is read from. While the net is in use, the new file's net takes over
    // at once: false, the net kept and the reason told, when it holds none.
    bool setNetFile(const std::string& name);

    SearchPool& pool() { return searchPool; }

private:
    EngineOutput& output;
    SearchTable searchTable;
    SearchPool searchPool;
    std::string netFile = DefaultNetFile;
    bool netOn = false;
};

}  // namespace qorat
