// The console's protocol, for a person, and cxboard's, the same words for a front end that
// keeps its own board: moves as square names, the option commands, then the game commands.
// The classic searches think in turns with the input; the modern one on its threads.
#pragma once

#include <string>

#include "board/board.h"
#include "protocol/protocol.h"

namespace qorat {

class SearchSession;
class CommandHandler;
class Controller;
class Engine;
class Interface;

class ConsoleProtocol : public Protocol {
public:
    ConsoleProtocol(Controller& controller, Interface& interface, Board& board, Engine& engine,
                    CommandHandler& commands, SearchSession& session);

    void handleLine(const std::string& line) override;
    void tend() override;
    bool computerTurn() override;
    // The person sees the move played back.
    void humanMoved(const Move& m) override;

private:
    // The modern search on its threads: started here, its move collected when it wakes the loop.
    bool modernTurn();

    Controller& controller;
    Interface& interface;
    Board& board;
    Engine& engine;
    CommandHandler& commands;
    SearchSession& session;
};

// The front end shows the person's move itself.
class CXBoardProtocol final : public ConsoleProtocol {
public:
    using ConsoleProtocol::ConsoleProtocol;
    void humanMoved(const Move&) override {}
};

}  // namespace qorat
