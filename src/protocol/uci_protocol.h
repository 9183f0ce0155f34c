// The UCI protocol, as today's Xiangqi engines and their front ends and testing tools speak
// it: the front end sets the position and asks for a move, an analysis or a ponder; the
// modern search answers on threads of its own.
#pragma once

#include <string>
#include <vector>

#include "board/board.h"
#include "protocol/engine_settings.h"
#include "protocol/protocol.h"
#include "protocol/search_session.h"

namespace qorat {

class Interface;
class Engine;
class Lawyer;

class UciProtocol final : public Protocol {
public:
    UciProtocol(Interface& interface, Board& board, Lawyer& lawyer, Engine& engine, SearchSession& session,
                EngineSettings& settings);

    // The front end asks for every move; the game's loop plays none, and judges nothing.
    void begin() override;
    void handleLine(const std::string& line) override;
    // Hands on the move of a search that has ended.
    void tend() override;
    bool judgesGames() const override { return false; }
    bool computerTurn() override { return false; }

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
    SearchSession& session;
    EngineSettings& settings;
};

}  // namespace qorat
