// Constant rule tables: square flags, the padded mailbox grid and the pieces' steps.
#include "board/geometry.h"

namespace qorat {

const std::array<std::uint8_t, BoardSquares> squareFlags = {
    2, 2, 6, 10, 10, 10, 6, 2, 2,
    2, 2, 2, 10, 10, 10, 2, 2, 2,
    6, 2, 2, 10, 14, 10, 2, 2, 6,
    3, 2, 3, 2,  3,  2,  3, 2, 3,
    3, 2, 7, 2,  3,  2,  7, 2, 3,
    3, 3, 3, 3,  3,  3,  3, 3, 3,
    3, 3, 3, 3,  3,  3,  3, 3, 3,
    3, 3, 3, 3,  3,  3,  3, 3, 3,
    3, 3, 3, 3,  3,  3,  3, 3, 3,
    3, 3, 3, 3,  3,  3,  3, 3, 3,
};

const std::array<std::uint8_t, PieceTypes> typeFlags = {0, PawnSquare, AnySquare, AnySquare, AnySquare,
                                                         ElephantPoint, PalaceSquare, PalaceSquare};

namespace {

constexpr std::array<std::int16_t, BoardSquares> buildSquareToMailbox() {
    std::array<std::int16_t, BoardSquares> table{};
    for (int s = 0; s < BoardSquares; ++s) table[s] = static_cast<std::int16_t>(cellOf(s));
    return table;
}

constexpr std::array<std::int16_t, MailboxCells> buildMailboxToSquare() {
    std::array<std::int16_t, MailboxCells> table{};
    for (auto& cell : table) cell = OffBoard;
    for (int s = 0; s < BoardSquares; ++s) table[cellOf(s)] = static_cast<std::int16_t>(s);
    return table;
}

}  // namespace

const std::array<std::int16_t, BoardSquares> squareToMailbox = buildSquareToMailbox();
const std::array<std::int16_t, MailboxCells> mailboxToSquare = buildMailboxToSquare();

const std::array<std::array<std::int16_t, 8>, PieceTypes> stepTable = {{
    {0, 0, 0, 0, 0, 0, 0, 0},
    {-1, 1, 13, 0, 0, 0, 0, 0},
    {-1, 1, -13, 13, 0, 0, 0, 0},
    {-1, 1, -13, 13, 0, 0, 0, 0},
    {-11, -15, -25, -27, 11, 15, 25, 27},
    {-28, -24, 24, 28, 0, 0, 0, 0},
    {-12, -14, 12, 14, 0, 0, 0, 0},
    {-1, -13, 1, 13, 0, 0, 0, 0},
}};

const std::array<std::int16_t, 8> horseLegs = {1, -1, -9, -9, -1, 1, 9, 9};
const std::array<std::int16_t, 4> elephantEyes = {-10, -8, 8, 10};
const std::array<std::int16_t, 4> advisorSteps = {-14, -12, 12, 14};
const std::array<std::int16_t, 4> lineSteps = {StepLeft, StepUp, StepDown, StepRight};
const std::array<std::int16_t, 3> redPawnSteps = {StepRight, StepUp, StepLeft};
const std::array<std::int16_t, 3> bluePawnSteps = {StepLeft, StepDown, StepRight};

}  // namespace qorat
