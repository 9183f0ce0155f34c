// The UCI protocol, as today's Xiangqi engines and their front ends and testing tools speak
// it: the front end sets the position and asks for a move, an analysis or a ponder; the
// modern search answers on threads of its own.
#pragma once

#include <string>
#include <vector>

#include "board/board.h"
#include "protocol/background_search.h"
#include "protocol/engine_settings.h"

namespace qorat {

class Interface;
class Engine;
class Lawyer;

class UciProtocol {
public:
    UciProtocol(Interface& interface, Board& board, Lawyer& lawyer, Engine& engine, BackgroundSearch& background,
                EngineSettings& settings);

    void handleLine(const std::string& line);
    // Hands on the move of a search that has ended.
    void tend();

private:
    void identify();
    void newGame();
    void setPosition(const std::vector<std::string>& words);
    void go(const std::vector<std::string>& words);
    void setOption(const std::vector<std::string>& words);
    // Ends a search still running before the position or the settings change: its move is
    // given all the same, as every "go" is answered.
    void endSearch();
    void quit();

    Interface& interface;
    Board& board;
    Lawyer& lawyer;
    Engine& engine;
    BackgroundSearch& background;
    EngineSettings& settings;
    // The last position sent was refused, or one of its moves.
    bool positionRefused = false;
};

}  // namespace qorat
