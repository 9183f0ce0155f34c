// Fuzz target: FEN text. An accepted text must write back and read again to the same
// position, and every legal move must make and unmake without disturbing it.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "board/keys.h"
#include "rules/lawyer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool seeded = (qorat::fillKeyTables(1), true);
    (void)seeded;
    qorat::Board board;
    qorat::Lawyer lawyer(board);
    board.addObserver(&lawyer);
    const std::string before = board.toFen();
    if (!board.setFen(std::string(reinterpret_cast<const char*>(data), size))) {
        if (board.toFen() != before) std::abort();
        return 0;
    }
    if (!board.isConsistent()) std::abort();
    const std::string fen = board.toFen();
    qorat::Board copy;
    if (!copy.setFen(fen) || copy.key1() != board.key1() || copy.toFen() != fen) std::abort();
    qorat::MoveList moves;
    lawyer.generateMoves(moves, true);
    for (qorat::Move& m : moves) {
        board.makeMove(m);
        if (!board.isConsistent()) std::abort();
        lawyer.inCheck(-1);
        board.unmakeMove();
    }
    if (board.toFen() != fen || !board.isConsistent()) std::abort();
    lawyer.insufficientMaterial();
    return 0;
}
