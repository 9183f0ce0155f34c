// The output strategies: the console for a person, and the cxboard line protocol.
#include "protocol/interface_state.h"

#include <iostream>
#include <mutex>
#include <sstream>

#include "board/notation.h"
#include "protocol/controller.h"
#include "protocol/thinking_lines.h"

namespace qorat {

void writeOutput(const std::string& text) {
    // The search's thread writes its thinking while the main thread answers commands.
    static std::mutex lock;
    const std::lock_guard<std::mutex> guard(lock);
    std::cout << text << std::flush;
}

void InterfaceState::printText(const std::string& text) { writeOutput(text); }

void InterfaceState::printChar(char c) { writeOutput(std::string(1, c)); }

void InterfaceState::printInt(int n) { writeOutput(std::to_string(n)); }

void InterfaceState::printThinking(const ThinkingLine& thinking) { writeOutput(consoleThinking(thinking)); }

void InterfaceState::printProblem(const std::string& text) { std::cerr << text << '\n'; }

void UserState::printMove(const Move& m) {
    // The mover's colour is that of the piece now on the destination.
    // Whole, through the one writer: the modern search's thread may be writing its thinking.
    if (colourOf(controller->board().piece(m.to)) == Red)
        writeOutput("    " + moveText(m) + " ...\n");
    else
        writeOutput("    ... " + moveText(m) + "\n\n");
}

void UserState::printPrompt() {
    writeOutput("Enter move or command: ");
    prompted = true;
}

void UserState::printBoard(const Board& board) {
    std::ostringstream picture;
    picture << '\n' << board << '\n';
    writeOutput(picture.str());
}

void CXBoardState::printMove(const Move& m) {
    writeOutput("move " + moveText(m) + "\n");
    std::cerr << "engine move: " << m << '\n';
}

void XBoardState::printMove(const Move& m) { writeOutput("move " + moveText(m) + "\n"); }

void XBoardState::printThinking(const ThinkingLine& thinking) { writeOutput(xboardThinking(thinking)); }

void XBoardState::printProblem(const std::string& text) { writeOutput("tellusererror " + text + "\n"); }

void UciState::printThinking(const ThinkingLine& thinking) { writeOutput(uciThinking(thinking)); }

void UciState::printProblem(const std::string& text) { writeOutput("info string " + text + "\n"); }

}  // namespace qorat
