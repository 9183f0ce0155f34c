// The rules arbiter: move generation, attack and check tests, legality, adjudication.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "board/board.h"
#include "board/board_observer.h"
#include "board/move_list.h"

namespace qorat {

// Whether FEN text sets a position a game can reach and go on from: each side has its king
// and no more pieces of a kind than it starts with, every piece stands where its moves can
// take it (kings and advisors in the palace, elephants on their points, pawns never behind
// their starting rank), and the side that has just moved is not in check (so the kings do
// not face each other either).
bool isPlayablePosition(const std::string& fen);

class Lawyer final : public BoardObserver {
public:
    explicit Lawyer(Board& board);

    // Appends every move of the side to move; with legalOnly, only those that keep its king safe.
    void generateMoves(MoveList& list, bool legalOnly);
    // Appends the moves of the piece on the square, by that piece's side.
    void generatePieceMoves(MoveList& list, int square, bool legalOnly);

    // The search's generators, pseudo-legal like generateMoves without legalOnly: the
    // captures of the side to move, and its moves to empty points.
    void generateCaptures(MoveList& list) const;
    void generateQuiets(MoveList& list) const;
    // Whether the move is one that generateMoves without legalOnly would give.
    bool isPseudoLegal(const Move& m);
    // The square of side's least valuable piece that could take on the square, were it its
    // turn, leaving its own king aside; -1 when there is none.
    int cheapestAttacker(int square, int side) const;

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
    // The plies since the same position stood with the same side to move, within the window
    // and since the last capture or pass; 0 when it has not.
    int cycleLength(int window) const;
    // The longest cycle cycleLoser judges.
    static constexpr int MaxCycle = 128;
    // The last length plies, without a capture, brought back the position they started from.
    // The side that checked with every one of its moves in them loses, or if neither or both
    // did, the side that chased with every one: the rule the game applies, judged as if the
    // cycle went on. NoSide when neither loses.
    int cycleLoser(int length);
    // The plies a search looks back for an earlier occurrence of its position.
    static constexpr int SearchWindow = 100;
    // Whether the position recurs within SearchWindow plies since the last capture; if so,
    // loser is the side cycleLoser names.
    bool repetition(int& loser);

    void boardChanged(Board& board, int event) override;

    std::string message;
    using KeyPair = std::pair<std::uint64_t, std::uint64_t>;
    const std::vector<KeyPair>& keyRecord() const { return keys; }

private:
    template <bool Captures>
    void generateKind(MoveList& list) const;
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
    // Whether the piece just moved chases the piece on the square: could take it, were it
    // the mover's turn, and nothing protects it; attacking the king is no chase.
    bool lastMoveChases(int chasedSquare);

    Board& board;
    std::vector<KeyPair> keys;
};

}  // namespace qorat
