// The controller: owns the game's main objects, wires them together and runs the main loop.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "board/board.h"
#include "game/clock.h"
#include "game/game_clocks.h"
#include "options/options.h"
#include "protocol/engine_settings.h"

namespace qorat {

class Lawyer;
class Interface;
class Engine;
class ModernEngine;
class CommandHandler;
class XBoardProtocol;
class UciProtocol;
class SearchSession;
class ConsoleProtocol;
class CXBoardProtocol;
class Protocol;

class Controller final : public OptionsObserver {
public:
    Controller(int argc, const char* const* argv);
    ~Controller();

    // The main loop; it never returns; the process ends from inside it.
    [[noreturn]] void run();
    void optionChanged(std::string name) override;

    Board& board() { return *boardPtr; }
    // Handles one input line in the words of the protocol spoken.
    void handleLine(const std::string& line);
    // "?": the computer plays the best move it has found, or the first it finds.
    void moveNow();
    // Ends the program, any search stopped first.
    [[noreturn]] void quit();

    // What the protocols ask of the game.
    // A person's move: played when legal and the mover's turn, else refused in the protocol's words.
    void attemptMove(Move m);
    // The computer's move, checked like any other before it reaches the board.
    void playComputerMove(Move m);
    // A classic search's turn: it thinks in steps between lines of input, then moves.
    bool classicTurn();

private:
    void adjudicate();
    void endGame();
    // In checked builds, stops the program the moment the position's derived state drifts.
    void checkInvariants() const;
    void playHumanMove(Move m);
    void playMove(Move& m);
    // Installs what a change of each engine setting does to the engine, its clock and the store.
    void bindSettings();

    std::uint8_t computerSide = Blue;
    EngineSettings settings;
    std::unique_ptr<Board> boardPtr;
    std::unique_ptr<Lawyer> lawyer;
    std::unique_ptr<GameClocks> clocks;
    std::unique_ptr<Engine> engine;
    std::unique_ptr<ModernEngine> modern;
    std::unique_ptr<Interface> interface;
    std::unique_ptr<CommandHandler> commandHandler;
    std::unique_ptr<SearchSession> session;
    std::unique_ptr<ConsoleProtocol> console;
    std::unique_ptr<CXBoardProtocol> cxboard;
    std::unique_ptr<XBoardProtocol> xboard;
    std::unique_ptr<UciProtocol> uci;
    // The one spoken now.
    Protocol* protocol = nullptr;
};

}  // namespace qorat
