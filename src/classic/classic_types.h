// What the classic searches pass around: their score limits in tenths of a pawn, the
// conversion to and from the unit every search reports in, and principal lines whose last
// record tells why the line ends.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "board/types.h"
#include "thinking/score.h"

namespace qorat {

// Window limits; also the score of a node whose side to move can take the opposing king.
constexpr int Infinity = 3000;
// A side without a move scores its ply minus this; no legal move at all scores its negation.
constexpr int MateScore = 2000;
// Scores beyond this are mates, counted from the root; the table keeps them from its node.
constexpr int MateBound = MateScore - MaxPly;
// A position the side to move wins by the perpetual-check rule, short of a mate.
constexpr int PerpetualScore = MateBound - MaxPly;

constexpr bool isPerpetualScore(int score) {
    const int magnitude = score < 0 ? -score : score;
    return magnitude > PerpetualScore - MaxPly && magnitude <= PerpetualScore;
}

// Mates are stored in the table as the distance from the node, and read back as the
// distance from the root.
constexpr int toTable(int score, int ply) {
    if (score >= MateBound && score < Infinity) return score + ply;
    if (score <= -MateBound && score > -Infinity) return score - ply;
    return score;
}

constexpr int fromTable(int score, int ply) {
    if (score >= MateBound && score < Infinity) return score - ply;
    if (score <= -MateBound && score > -Infinity) return score + ply;
    return score;
}

constexpr int CentipawnsPerClassicUnit = 10;

// A classic score as every search reports it; the conversion back is exact.
constexpr SearchScore reportClassicScore(int score) {
    const int magnitude = score < 0 ? -score : score;
    if (magnitude < MateBound) return SearchScore::centipawns(score * CentipawnsPerClassicUnit);
    return score > 0 ? SearchScore::mateIn(MateScore - magnitude) : SearchScore::matedIn(MateScore - magnitude);
}

// A reported score in the classic unit, the one the console shows for every search.
constexpr int classicUnits(SearchScore score) {
    switch (score.kind) {
        case SearchScore::Mating: return MateScore - score.value;
        case SearchScore::Mated: return score.value - MateScore;
        default: return score.value / CentipawnsPerClassicUnit;
    }
}

enum LineTag : std::int32_t { NoTag = 0, TableCut = 1, NullMoveCut = 2, NoMoveLeft = 3, KingCapture = 4 };

struct LineMove {
    Move move;
    std::int32_t tag = NoTag;
};

// A principal line held inline. A node at ply p adds at most MaxPly - p records below it,
// so the search never fills a line; a full line keeps its first moves. Building and
// copying a line touches only the records in use, since the search makes a few at every node.
class Line {
public:
    static constexpr std::size_t Capacity = MaxPly;

    Line() = default;
    Line(const Line& other) { append(other); }
    Line& operator=(const Line& other) {
        size_ = 0;
        append(other);
        return *this;
    }

    void push_back(const LineMove& r) { add(Record{r.move.from, r.move.to, r.tag, r.move.captured}); }
    void append(const Line& other) {
        for (std::size_t i = 0; i < other.size_; ++i) add(other.records_[i]);
    }
    void clear() { size_ = 0; }
    void truncate(std::size_t n) { if (n < size_) size_ = n; }
    // Marks why the line ends after its last move; an empty line has nothing to mark.
    void tagLast(LineTag tag) { if (size_ > 0) records_[size_ - 1].tag = tag; }

    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    LineMove operator[](std::size_t i) const {
        const Record& r = records_[i];
        return LineMove{Move{r.from, r.to, r.captured}, r.tag};
    }
    LineMove back() const { return (*this)[size_ - 1]; }

private:
    // Trivial, so that a fresh line leaves its storage untouched.
    struct Record {
        std::int32_t from;
        std::int32_t to;
        std::int32_t tag;
        std::uint8_t captured;
    };

    void add(const Record& r) { if (size_ < Capacity) records_[size_++] = r; }

    std::array<Record, Capacity> records_;
    std::size_t size_ = 0;
};

}  // namespace qorat
