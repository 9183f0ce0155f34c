// Packing a position into its record, and the file's header.
#include "datagen/position_record.h"

namespace qorat::datagen {

namespace {

// Where each field starts in a record.
constexpr std::size_t OccupancyAt = 0;
constexpr std::size_t PiecesAt = 12;
constexpr std::size_t ScoreAt = 28;
constexpr std::size_t ResultAt = 30;
constexpr std::size_t SideAt = 31;

constexpr std::uint8_t RedToMove = 0;
constexpr std::uint8_t BlueToMove = 1;

void putLittleEndian(std::ostream& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) out.put(static_cast<char>((value >> shift) & 0xFF));
}

}  // namespace

Record packPosition(const Board& board, int score) {
    Record record{};
    int count = 0;
    for (int square = 0; square < BoardSquares; ++square) {
        const int piece = board.piece(square);
        if (piece == Empty) continue;
        record[OccupancyAt + static_cast<std::size_t>(square / 8)] |= static_cast<std::uint8_t>(1 << (square % 8));
        // The engine's piece code, colour bit and type, fits a nibble.
        const auto nibble = static_cast<std::uint8_t>(count % 2 == 0 ? piece : piece << 4);
        record[PiecesAt + static_cast<std::size_t>(count / 2)] |= nibble;
        ++count;
    }
    const auto bits = static_cast<std::uint16_t>(static_cast<std::int16_t>(score));
    record[ScoreAt] = static_cast<std::uint8_t>(bits & 0xFF);
    record[ScoreAt + 1] = static_cast<std::uint8_t>(bits >> 8);
    record[SideAt] = board.sideToMove() == Red ? RedToMove : BlueToMove;
    return record;
}

void setResult(Record& record, RedResult result) { record[ResultAt] = static_cast<std::uint8_t>(result); }

void writeHeader(std::ostream& out) {
    out.write(FileMagic, sizeof FileMagic);
    putLittleEndian(out, FileVersion);
    putLittleEndian(out, static_cast<std::uint32_t>(RecordBytes));
}

void writeRecord(std::ostream& out, const Record& record) {
    out.write(reinterpret_cast<const char*>(record.data()), static_cast<std::streamsize>(record.size()));
}

}  // namespace qorat::datagen
