// The xboard protocol (version 2): the commands a front end of the xboard family sends,
// beside the console's and cxboard's, which keep their own words.
#pragma once

#include <string>
#include <vector>

#include "board/board.h"

namespace qorat {

class Interface;
class Engine;
class CommandHandler;
class XBoardClock;

class XBoardProtocol {
public:
    XBoardProtocol(Interface& interface, Board& board, Engine& engine, CommandHandler& commands, XBoardClock& clock);

    // Carries out a protocol command; false, having done nothing, when the line is not one.
    bool handleCommand(const std::string& line);
    // Answers the pings held back while the computer was to move, once it no longer is.
    void answerHeldPings();
    // The computer's turn begins: its budget is drawn from the front end's clocks.
    void startComputerTurn();
    // Whether moves may be played: not after a refused position.
    bool acceptsMoves() const { return !positionRefused; }

private:
    void announceFeatures();
    void newGame();
    void finishGame();
    void setBoard(const std::string& fen);
    // Sets the time control; false, having changed nothing, when a number cannot be read.
    bool level(const std::vector<std::string>& args);
    // Answers a command whose numbers cannot be read; the command counts as handled.
    bool refuse(const std::string& line);
    void setOption(const std::string& assignment);
    void ping(const std::string& number);
    bool computerToMove() const;

    Interface& interface;
    Board& board;
    Engine& engine;
    CommandHandler& commands;
    XBoardClock& clock;
    std::vector<std::string> heldPings;
    bool positionRefused = false;
};

// The position of an xboard FEN (N and B for horse and elephant, w or b for the side, further
// fields) as our FEN text; empty when the text has no side field.
std::string fromXBoardFen(const std::string& fen);

}  // namespace qorat
