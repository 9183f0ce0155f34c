// The modern search as the program holds it: its table and the pool of threads that search
// over it, following the settings of the table's size and use and of the threads.
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
    // Searches the game's board; a setting it cannot carry out is told to the output.
    ModernEngine(const Board& game, EngineOutput& output);

    void optionChanged(std::string name) override;

    SearchPool& pool() { return searchPool; }
    SearchTable& table() { return searchTable; }

private:
    EngineOutput& output;
    SearchTable searchTable;
    SearchPool searchPool;
};

}  // namespace qorat
