// qorat-nnue [--classic] [NETFILE]: for each FEN line read, the net's evaluation of the
// position in centipawns for the side to move, as the engine works it out (before the search
// keeps it within its range of scores), and with --classic the hand-written evaluation's
// after it; so that a trainer can check its exported net against the engine. The net file
// (qorat.nnue unless named) is looked for as the engine looks for it. FEN is ours (h and e
// for horse and elephant, r or b to move) or a front end's (N and B, w or b, more fields);
// a line that is no position is told on standard error, and the exit status is then 1.
#include <iostream>
#include <string>

#include "board/keys.h"
#include "board/notation.h"
#include "eval/pvs_evaluation.h"
#include "nnue/accumulator_stack.h"
#include "nnue/net_file.h"

namespace {

using namespace qorat;

constexpr unsigned KeySeed = 1;

int usage() {
    std::cerr << "usage: qorat-nnue [--classic] [NETFILE] < fens\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    bool classic = false;
    std::string file = DefaultNetFile;
    bool named = false;
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if (word == "--classic") {
            classic = true;
        } else if (!named) {
            file = word;
            named = true;
        } else {
            return usage();
        }
    }
    const NetLoad load = loadNet(file);
    if (!load.net) {
        std::cerr << load.problem << '\n';
        return 1;
    }

    fillKeyTables(KeySeed);
    Board board;
    AccumulatorStack accumulators;
    accumulators.use(load.net.get(), 1);
    bool refused = false;
    std::string line;
    while (std::getline(std::cin, line)) {
        if (line.empty()) continue;
        const std::string fen = fromFrontEndFen(line);
        if (fen.empty() || !board.setFen(fen)) {
            std::cerr << "bad FEN: " << printableText(line) << '\n';
            refused = true;
            continue;
        }
        accumulators.refresh(0, board);
        std::cout << accumulators.evaluate(0, board.sideToMove());
        if (classic) std::cout << ' ' << pvsEvaluate(board, squareSums(board));
        std::cout << '\n';
    }
    return refused ? 1 : 0;
}
