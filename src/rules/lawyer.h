// The rules arbiter: move generation, attack and check tests, legality, adjudication.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "board/board.h"
#include "board/board_observer.h"
#include "board/move_list.h"

namespace qorat {

// Whether FEN text sets a position a game can go on from: each side has its king, and the
// side that has just moved is not in check (so the kings do not face each other either).
bool isPlayablePosition(const std::string& fen);

class Lawyer final : public BoardObserver {
public:
    explicit Lawyer(Board& board);

    // Appends every move of the side to move; with legalOnly, only those that keep its king safe.
    void generateMoves(MoveList& list, bool legalOnly);
    // Appends the moves of the piece on the square, by that piece's side.
    void generatePieceMoves(MoveList& list, int square, bool legalOnly);

    // Whether a piece of side attacker attacks the square; -1 means the side opposite
    // to the piece standing there.
    bool isAttacked(int square, int attacker) const;
    // Whether the king of the side (-1: the side to move) is attacked.
    bool inCheck(int side) const;
    // Whether the side to move may play the move; leaves the reason of a refusal in message.
    bool isLegal(Move& m);

    bool insufficientMaterial();
    int perpetualCheck();
    int perpetualChase();

    void boardChanged(Board& board, int event) override;

    std::string message;
    using KeyPair = std::pair<std::uint64_t, std::uint64_t>;
    const std::vector<KeyPair>& keyRecord() const { return keys; }

private:
    void addMove(MoveList& list, Move m, bool legalOnly);
    void generateFor(MoveList& list, int square, int piece, bool legalOnly);
    void pawnMoves(MoveList& list, int square, int side, bool legalOnly);
    void slidingMoves(MoveList& list, int square, int side, bool cannon, bool legalOnly);
    void horseMoves(MoveList& list, int square, int side, bool legalOnly);
    void elephantMoves(MoveList& list, int square, int side, bool legalOnly);
    void advisorMoves(MoveList& list, int square, int side, bool legalOnly);
    void kingMoves(MoveList& list, int square, int side, bool legalOnly);
    bool attackedAlongLines(int square, int attacker) const;
    bool isOpenFor(int side, int square) const;
    // Whether the piece on from has a move to to, by its own side's rules.
    bool pieceCanReach(int from, int to, bool legalOnly);
    // Whether the chaser's piece on from could legally take on to, were it the chaser's turn.
    bool chaserCanTake(int from, int to);
    bool isProtected(int square) const;

    Board& board;
    std::vector<KeyPair> keys;
};

}  // namespace qorat
