// The modern search as the program holds it: its table and the pool of threads that search
// over it, following whether the table is used.
#pragma once

#include <cstddef>
#include <string>

#include "board/board.h"
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

    SearchPool& pool() { return searchPool; }

private:
    EngineOutput& output;
    SearchTable searchTable;
    SearchPool searchPool;
};

}  // namespace qorat
