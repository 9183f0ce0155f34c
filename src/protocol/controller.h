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
class CommandHandler;
class XBoardProtocol;
class UciProtocol;
class BackgroundSearch;

class Controller final : public OptionsObserver {
public:
    Controller(int argc, const char* const* argv);
    ~Controller();

    // The main loop; it never returns; the process ends from inside it.
    [[noreturn]] void run();
    void optionChanged(std::string name) override;

    Board& board() { return *boardPtr; }
    // Handles one input line: a move attempt, an option command or a game command.
    void handleLine(const std::string& line);

private:
    void adjudicate();
    void endGame();
    // In checked builds, stops the program the moment the position's derived state drifts.
    void checkInvariants() const;
    void handleXBoardLine(const std::string& line);
    void attemptMove(Move m);
    void playHumanMove(Move m);
    // Moves for the computer, or works towards its move; false when there is nothing to do
    // until a line arrives or the search ends.
    bool computerTurn();
    bool backgroundTurn();
    void playComputerMove(Move m);
    void playMove(Move& m);
    // Installs what a change of each engine setting does to the engine, its clock and the store.
    void bindSettings();

    std::uint8_t computerSide = Blue;
    EngineSettings settings;
    std::unique_ptr<Board> boardPtr;
    std::unique_ptr<Lawyer> lawyer;
    std::unique_ptr<GameClocks> clocks;
    std::unique_ptr<Engine> engine;
    std::unique_ptr<Interface> interface;
    std::unique_ptr<CommandHandler> commandHandler;
    std::unique_ptr<BackgroundSearch> background;
    std::unique_ptr<XBoardProtocol> xboard;
    std::unique_ptr<UciProtocol> uci;
    bool cxboardMode = false;
    bool xboardMode = false;
    bool uciMode = false;
};

}  // namespace qorat
