// Constant rule tables: square flags, the padded mailbox grid and the pieces' steps.
#pragma once

#include <array>
#include <cstdint>

#include "board/types.h"

namespace qorat {

// Bits of squareFlags, written for Blue; a Red piece reads them at the mirror square.
enum SquareFlag : std::uint8_t {
    PawnSquare = 1,
    AnySquare = 2,
    ElephantPoint = 4,
    PalaceSquare = 8,
};

constexpr int MailboxWidth = 13;
constexpr int MailboxHeight = 14;
constexpr int MailboxCells = MailboxWidth * MailboxHeight;
constexpr int MailboxBorder = 2;
constexpr int OffBoard = -1;

constexpr int StepLeft = -1;
constexpr int StepRight = 1;
constexpr int StepUp = -MailboxWidth;  // towards row 0, Red's forward
constexpr int StepDown = MailboxWidth;  // towards row 9, Blue's forward

extern const std::array<std::uint8_t, BoardSquares> squareFlags;
extern const std::array<std::uint8_t, PieceTypes> typeFlags;
extern const std::array<std::int16_t, BoardSquares> squareToMailbox;
extern const std::array<std::int16_t, MailboxCells> mailboxToSquare;
// Steps in mailbox cells per piece type. Horse, elephant and king rows are in generation
// order; advisors and the sliding pieces are generated in the orders below.
extern const std::array<std::array<std::int16_t, 8>, PieceTypes> stepTable;
// Blocking squares (square units, from the moving piece) of the horse and elephant rows.
extern const std::array<std::int16_t, 8> horseLegs;
extern const std::array<std::int16_t, 4> elephantEyes;
extern const std::array<std::int16_t, 4> advisorSteps;
extern const std::array<std::int16_t, 4> lineSteps;
// Pawn steps in generation order: sideways, forward, sideways.
extern const std::array<std::int16_t, 3> redPawnSteps;
extern const std::array<std::int16_t, 3> bluePawnSteps;

constexpr int cellOf(int square) { return MailboxBorder * MailboxWidth + MailboxBorder + MailboxWidth * rowOf(square) + columnOf(square); }

// The square of a mailbox cell; negative off the board.
inline int squareAt(int cell) { return mailboxToSquare[cell]; }

// Whether a piece of this side and type may stand on the square by the board's geometry.
inline bool mayStand(int side, int type, int square) {
    return (squareFlags[side == Red ? mirror(square) : square] & typeFlags[type]) != 0;
}

}  // namespace qorat
