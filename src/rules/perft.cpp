// Counting the leaf positions of the legal move tree: the check of the move generator.
#include "rules/perft.h"

namespace qorat {

std::uint64_t perft(Board& board, Lawyer& lawyer, int depth) {
    if (depth == 0) return 1;
    MoveList moves;
    lawyer.generateMoves(moves, true);
    if (depth == 1) return moves.size();
    std::uint64_t leaves = 0;
    for (Move& m : moves) {
        board.makeMove(m);
        leaves += perft(board, lawyer, depth - 1);
        board.unmakeMove();
    }
    return leaves;
}

}  // namespace qorat
