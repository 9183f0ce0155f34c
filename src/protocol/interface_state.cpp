// The output strategies: the console for a person, and the cxboard line protocol.
#include "protocol/interface_state.h"

#include <iostream>

#include "board/notation.h"
#include "protocol/controller.h"
#include "protocol/thinking_lines.h"

namespace qorat {

void InterfaceState::printText(const std::string& text) { std::cout << text << std::flush; }

void InterfaceState::printChar(char c) { std::cout << c << std::flush; }

void InterfaceState::printInt(int n) { std::cout << n << std::flush; }

void InterfaceState::printThinking(const ThinkingLine& thinking) { printConsoleThinking(thinking); }

void InterfaceState::printProblem(const std::string& text) { std::cerr << text << '\n'; }

void UserState::printMove(const Move& m) {
    // The mover's colour is that of the piece now on the destination.
    if (colourOf(controller->board().piece(m.to)) == Red)
        std::cout << "    " << m << " ..." << std::endl;
    else
        std::cout << "    ... " << m << std::endl << std::endl;
}

void UserState::printPrompt() {
    std::cout << "Enter move or command: " << std::flush;
    prompted = true;
}

void UserState::printBoard(const Board& board) { std::cout << std::endl << board << std::endl; }

void CXBoardState::printMove(const Move& m) {
    std::cout << "move " << m << std::endl;
    std::cerr << "engine move: " << m << '\n';
}

void XBoardState::printMove(const Move& m) { std::cout << "move " << m << std::endl; }

void XBoardState::printThinking(const ThinkingLine& thinking) { printXBoardThinking(thinking); }

void XBoardState::printProblem(const std::string& text) { std::cout << "tellusererror " << text << std::endl; }

}  // namespace qorat
