// One self-play game of the modern search at a fixed node count a move, ended by the engine's
// own rulings, and the positions of it worth learning from.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "board/board.h"
#include "datagen/position_record.h"
#include "rules/lawyer.h"
#include "search/search_pool.h"
#include "search/search_table.h"

namespace qorat::datagen {

struct SelfPlaySettings {
    std::int64_t nodes = 5000;
    // A game this long is drawn: by then it is going nowhere.
    int maxPlies = 400;
    // A side whose score stays at least this far ahead for this many plies in a row wins;
    // both sides' searches must agree, as the plies alternate.
    int decidedScore = 1000;
    int decidedPlies = 8;
};

class SelfPlay {
public:
    explicit SelfPlay(const SelfPlaySettings& settings);

    // Where the next game starts: set it up here before play().
    Board& board() { return game; }
    Lawyer& lawyer() { return rules; }
    // Plays the game on from the board, appending the positions kept, each with the result;
    // returns the result.
    RedResult play(std::vector<Record>& records);

private:
    struct Searched {
        Move move = nullMove;
        SearchScore score;
    };
    Searched search();
    // The rules' end of the game in the board's position, if they end it.
    std::optional<RedResult> ruling();
    // How often the board's position has stood since the last capture, within the plies the
    // rules look back for a cycle.
    int occurrences() const;
    bool worthKeeping(const Searched& searched);

    SelfPlaySettings settings;
    Board game;
    Lawyer rules;
    SearchTable table;
    SearchPool pool;
};

}  // namespace qorat::datagen
