// The vocabulary of a position: squares, sides, piece codes, material values and moves.
#pragma once

#include <array>
#include <cstdint>

namespace qorat {

constexpr int BoardFiles = 9;
constexpr int BoardRanks = 10;
constexpr int BoardSquares = BoardFiles * BoardRanks;
constexpr int LastSquare = BoardSquares - 1;
// A side starts with 16 pieces and never gains one; positions with more are refused.
constexpr int MaxPiecesPerSide = 16;

// A side is the colour bit of its pieces.
constexpr int Red = 8;
constexpr int Blue = 0;
constexpr int NoSide = 16;
constexpr int ColourBit = 8;
constexpr int TypeMask = 7;

constexpr int opponent(int side) { return Red - side; }
// Blue 0, Red 1: a side as an index into a pair of tables.
constexpr int sideIndex(int side) { return side == Red ? 1 : 0; }

enum PieceType : int { Empty = 0, Pawn, Cannon, Rook, Horse, Elephant, Advisor, King };
constexpr int PieceTypes = 8;

constexpr const char* pieceLetters = "+pcrheak";

constexpr int colourOf(int piece) { return piece & ColourBit; }
constexpr int typeOf(int piece) { return piece & TypeMask; }
constexpr int makePiece(int side, int type) { return side | type; }
constexpr bool areEnemies(int p, int q) { return ((p ^ q) & ColourBit) != 0; }
// The piece's letter: upper case for Red, lower case for Blue, '+' for an empty square.
constexpr char pieceLetter(int piece) {
    const char letter = pieceLetters[typeOf(piece)];
    return colourOf(piece) == Red ? static_cast<char>(letter - 'a' + 'A') : letter;
}

constexpr int rowOf(int square) { return square / BoardFiles; }
constexpr int columnOf(int square) { return square % BoardFiles; }
constexpr int makeSquare(int row, int column) { return BoardFiles * row + column; }
constexpr int mirror(int square) { return LastSquare - square; }

// Material worth of each piece type; the evaluation and the perpetual-check rule share it.
constexpr std::array<int, PieceTypes> pieceValues = {0, 10, 45, 90, 40, 20, 20, 1500};

struct Move {
    std::int32_t from = 0;
    std::int32_t to = 0;
    std::uint8_t captured = 0;

    bool isNull() const { return from == to; }
    // Two moves are the same move when their squares agree; what they took does not count.
    bool sameSquares(const Move& other) const { return from == other.from && to == other.to; }
};

inline constexpr Move nullMove{0, 0, 0};
// Both squares 0: what a failed parse gives, and what stands for no move at all.
constexpr bool isNoMove(const Move& m) { return m.from == 0 && m.to == 0; }

// A move packed into 16 bits, from * 256 + to; 0 means no move.
using PackedMove = std::uint16_t;
constexpr PackedMove packMove(const Move& m) { return static_cast<PackedMove>(m.from * 256 + m.to); }
constexpr Move unpackMove(PackedMove m) { return Move{m / 256, m % 256, 0}; }

}  // namespace qorat
