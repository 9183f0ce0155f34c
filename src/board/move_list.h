// An ordered list of moves with room for any position's moves, kept inline so that
// generating and sorting moves on the search's path never touches the heap.
#pragma once

#include <array>
#include <cstddef>

#include "board/types.h"

namespace qorat {

class MoveList {
public:
    // A side holds at most MaxPiecesPerSide pieces and none has more than 17 moves.
    static constexpr std::size_t Capacity = MaxPiecesPerSide * 17;

    void push_back(const Move& m) { moves_[size_++] = m; }
    void clear() { size_ = 0; }
    // Keeps the first n moves.
    void truncate(std::size_t n) { if (n < size_) size_ = n; }

    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    Move& operator[](std::size_t i) { return moves_[i]; }
    const Move& operator[](std::size_t i) const { return moves_[i]; }
    const Move& front() const { return moves_[0]; }

    Move* begin() { return moves_.data(); }
    Move* end() { return moves_.data() + size_; }
    const Move* begin() const { return moves_.data(); }
    const Move* end() const { return moves_.data() + size_; }

private:
    std::array<Move, Capacity> moves_;
    std::size_t size_ = 0;
};

}  // namespace qorat
