// The one position of the game: squares, side to move, piece lists, keys and history.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "board/board_observer.h"
#include "board/square_list.h"
#include "board/types.h"

namespace qorat {

extern const std::string startPositionFen;

class Board {
public:
    Board();

    // Sets the position from FEN text; on a refused text returns false and changes nothing.
    bool setFen(const std::string& fen);
    std::string toFen() const;
    void reset();
    // Sets this board to the other's game: its set-up and every move since, each told to the
    // observers, so that a copy on another thread knows the game's history.
    void replayGame(const Board& game);

    // Plays a move (null moves pass the turn) and fills in what it captured.
    void makeMove(Move& m);
    // Takes back the last move; the history must not be empty.
    void unmakeMove();

    // Whether keys, piece lists and king squares agree with the squares; the checked
    // builds assert it after every step of the game.
    bool isConsistent() const;

    void addObserver(BoardObserver* observer);
    void notifyObservers(int event);

    int piece(int square) const { return squares[square]; }
    int sideToMove() const { return side; }
    int kingSquare(int s) const { return kingSquares[s == Red ? 1 : 0]; }
    const SquareList& pieces(int s, int type) const { return pieceLists[s == Red ? 1 : 0][type - 1]; }
    const std::vector<Move>& history() const { return moves; }
    const std::string& setupFen() const { return setupText; }
    std::uint64_t key1() const { return keys[0]; }
    std::uint64_t key2() const { return keys[1]; }

    bool gameOver = false;

private:
    void movePieceKeys(int piece, int square);
    SquareList& listOf(int piece) { return pieceLists[colourOf(piece) == Red ? 1 : 0][typeOf(piece) - 1]; }

    std::array<std::uint8_t, BoardSquares> squares{};
    int side = Red;
    std::vector<BoardObserver*> observers;
    std::vector<Move> moves;
    std::string setupText;
    std::array<int, 2> kingSquares{};
    // Index 0 holds Blue's lists and 1 Red's, each by piece type 1..7.
    std::array<std::array<SquareList, 7>, 2> pieceLists{};
    std::array<std::uint64_t, 2> keys{};
};

}  // namespace qorat
