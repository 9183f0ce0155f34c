// qorat-perft FEN DEPTH [--divide]: counts the leaf positions of the legal move tree.
#include <cstdlib>
#include <iostream>
#include <string>

#include "board/keys.h"
#include "board/notation.h"
#include "rules/perft.h"

namespace {

constexpr unsigned KeySeed = 1;

int usage() {
    std::cerr << "usage: qorat-perft FEN DEPTH [--divide]\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3 || argc > 4) return usage();
    const bool divide = argc == 4 && std::string(argv[3]) == "--divide";
    if (argc == 4 && !divide) return usage();
    const int depth = std::atoi(argv[2]);
    if (depth < 1) return usage();

    qorat::fillKeyTables(KeySeed);
    qorat::Board board;
    qorat::Lawyer lawyer(board);
    board.addObserver(&lawyer);
    if (!board.setFen(argv[1])) {
        std::cerr << "bad FEN: " << argv[1] << '\n';
        return 2;
    }
    if (!divide) {
        std::cout << qorat::perft(board, lawyer, depth) << '\n';
        return 0;
    }
    qorat::MoveList moves;
    lawyer.generateMoves(moves, true);
    std::uint64_t total = 0;
    for (qorat::Move& m : moves) {
        board.makeMove(m);
        const std::uint64_t leaves = qorat::perft(board, lawyer, depth - 1);
        board.unmakeMove();
        std::cout << qorat::moveText(m) << ' ' << leaves << '\n';
        total += leaves;
    }
    std::cout << total << '\n';
    return 0;
}
