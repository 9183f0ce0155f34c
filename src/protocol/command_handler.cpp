// The game commands: new game, set-up, taking moves back, moving now, the clock and the record.
#include "protocol/command_handler.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <sstream>

#include "board/notation.h"
#include "classic/engine.h"
#include "game/clock.h"
#include "options/options.h"
#include "protocol/controller.h"
#include "protocol/interface.h"
#include "rules/lawyer.h"

namespace qorat {

void splitCommand(const std::string& line, std::string& command, std::vector<std::string>& args) {
    command.clear();
    args.clear();
    if (line.empty()) return;
    std::istringstream words(line);
    words >> command;
    std::string word;
    words >> word;
    while (!words.eof()) {
        args.push_back(word);
        words >> word;
    }
    if (line.back() == ' ' || line.back() == '\t')
        std::cerr << "space\n";
    else
        args.push_back(word);
}

CommandHandler::CommandHandler(Interface& i, Board& b, Engine& e, Lawyer& l, Controller& c)
    : interface(i), board(b), engine(e), lawyer(l), controller(c) {}

bool CommandHandler::handleCommand(const std::string& line) {
    std::string command;
    std::vector<std::string> args;
    splitCommand(line, command, args);
    if (command == "?") {
        // Also before the computer has begun to think, as when "?" comes with the move it answers.
        if (computerToMove()) controller.moveNow();
    } else if (command == "go") {
        options.set("computerColor", board.sideToMove() == Red ? "r" : "b");
    } else if (command == "new") {
        newGame();
    } else if (command == "quit") {
        controller.quit();
    } else if (command == "undo") {
        undo();
    } else if (command == "remove") {
        remove();
    } else if (command == "vomit") {
        printGameRecord();
    } else if (command == "setboard") {
        setBoard(line, args);
    } else if (command == "t" || command == "time") {
        reportTime();
    } else {
        return false;
    }
    return true;
}

void CommandHandler::newGame() {
    engine.dropMove();
    board.reset();
    restartClocks(board.sideToMove());
    interface.current().printBoard(board);
}

bool CommandHandler::computerToMove() const {
    return !board.gameOver && options.get("computerColor") == (board.sideToMove() == Red ? "r" : "b");
}

void CommandHandler::takenBack() {
    // The game goes on from here, so a result it had is judged again; nothing the computer
    // was asked about the position it left holds here.
    board.gameOver = false;
    engine.dropMove();
    clockFor(board.sideToMove())->startTurn();
    interface.current().printBoard(board);
}

void CommandHandler::undo() {
    if (board.history().empty() || options.get("computerColor") != "n") {
        interface.current().printText("Error (command not legal now): undo\n");
        return;
    }
    board.unmakeMove();
    takenBack();
}

void CommandHandler::remove() {
    if (board.history().size() < 2) {
        interface.current().printText("Error (command not legal now): remove\n");
        return;
    }
    board.unmakeMove();
    board.unmakeMove();
    takenBack();
}

void CommandHandler::setBoard(const std::string& line, const std::vector<std::string>& args) {
    if (args.size() < 2) std::cerr << args.size() << '\n';
    const std::string fen = args.size() < 2 ? std::string() : args[0] + " " + args[1];
    // A refused text leaves the game, the board and the computer's pending move as they were.
    if (args.size() < 2 || !isPlayablePosition(fen)) {
        interface.current().printText("Error (invalid format): ");
        interface.current().printText(printableText(line));
        interface.current().printText("\n");
        return;
    }
    engine.dropMove();
    board.setFen(fen);
    restartClocks(board.sideToMove());
    interface.current().printBoard(board);
}

void CommandHandler::reportTime() {
    const Clock* clock = clockFor(board.sideToMove());
    interface.print("Time left is: ").current().printInt(clock->timeLeft());
    interface.print(" second to make ").current().printInt(clock->movesLeft);
    interface.print(" moves.\n");
}

void CommandHandler::printGameRecord() {
    const std::string& setup = board.setupFen();
    std::cerr << "Starting Position: " << setup << '\n';
    std::cerr << " Current Position: " << board.toFen() << '\n';
    int count = 1;
    for (const Move& m : board.history()) {
        if (count % 2 == 1) {
            char number[16];
            std::snprintf(number, sizeof number, "%3d. ", count);
            std::cerr << number;
        }
        if (count == 1 && !setup.empty() && setup.back() == 'b') {
            std::cerr << "...  ";
            count = 2;
        }
        std::cerr << moveText(m);
        if (count % 2 == 1)
            std::cerr << ' ';
        else
            std::cerr << std::endl;
        ++count;
    }
    // A record that ends inside a pair still ends its line.
    if (count % 2 == 0) std::cerr << std::endl;
}

}  // namespace qorat
