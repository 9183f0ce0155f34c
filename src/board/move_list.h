// An ordered list of moves with room for any position's moves, kept inline so that
// generating and sorting moves on the search's path never touches the heap.
#pragma once

#include <algorithm>
#include <cstddef>
#include <new>

#include "board/types.h"

namespace qorat {

class MoveList {
public:
    // A side holds at most MaxPiecesPerSide pieces and none has more than 17 moves.
    static constexpr std::size_t Capacity = MaxPiecesPerSide * 17;

    MoveList() = default;
    MoveList(const MoveList& other) : size_(other.size_) { std::copy(other.begin(), other.end(), data()); }
    MoveList& operator=(const MoveList& other) {
        size_ = other.size_;
        std::copy(other.begin(), other.end(), data());
        return *this;
    }

    void push_back(const Move& m) { new (&storage_[size_++ * sizeof(Move)]) Move(m); }
    void clear() { size_ = 0; }
    // Keeps the first n moves.
    void truncate(std::size_t n) { if (n < size_) size_ = n; }

    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    Move& operator[](std::size_t i) { return data()[i]; }
    const Move& operator[](std::size_t i) const { return data()[i]; }
    const Move& front() const { return data()[0]; }

    Move* begin() { return data(); }
    Move* end() { return data() + size_; }
    const Move* begin() const { return data(); }
    const Move* end() const { return data() + size_; }

private:
    Move* data() { return std::launder(reinterpret_cast<Move*>(storage_)); }
    const Move* data() const { return std::launder(reinterpret_cast<const Move*>(storage_)); }

    // Left uninitialised: a list is built at every node of the search, and only the moves
    // pushed onto it are ever read.
    alignas(Move) unsigned char storage_[Capacity * sizeof(Move)];
    std::size_t size_ = 0;
};

}  // namespace qorat
