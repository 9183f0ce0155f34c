// The entry point: builds the controller and runs the game.
#include <iostream>
#include <string>

#include "board/notation.h"
#include "rules/lawyer.h"

int main() {
    qorat::Board board;
    qorat::Lawyer lawyer(board);
    board.addObserver(&lawyer);
    std::cout << '\n' << board << '\n';
    std::string line;
    while (std::getline(std::cin, line)) {
        qorat::Move m = qorat::parseMove(line);
        if (lawyer.isLegal(m)) board.makeMove(m);
        std::cout << '\n' << board << '\n';
    }
    return 0;
}
