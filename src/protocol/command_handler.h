// The game commands: new game, set-up, taking moves back, moving now, the clock and the record.
#pragma once

#include <string>
#include <vector>

#include "board/board.h"

namespace qorat {

class Interface;
class Engine;
class Lawyer;
class Controller;

// Splits a line into its command word and argument words.
void splitCommand(const std::string& line, std::string& command, std::vector<std::string>& args);

class CommandHandler {
public:
    CommandHandler(Interface& interface, Board& board, Engine& engine, Lawyer& lawyer, Controller& controller);

    // Carries out a game command; false, having done nothing, when the line is not one.
    bool handleCommand(const std::string& line);
    // Whether the game goes on with the computer's side to move.
    bool computerToMove() const;

private:
    void newGame();
    void undo();
    void remove();
    // Shows the position after a takeback and lets the game go on from it.
    void takenBack();
    void setBoard(const std::string& line, const std::vector<std::string>& args);
    void reportTime();
    void printGameRecord();

    Interface& interface;
    Board& board;
    Engine& engine;
    [[maybe_unused]] Lawyer& lawyer;
    Controller& controller;
};

}  // namespace qorat
