// The squares of one side's pieces of one type, in a meaningful order, stored inline.
#pragma once

#include <array>
#include <cstdint>

#include "board/types.h"

namespace qorat {

class SquareList {
public:
    void push_back(int square) { squares_[size_++] = static_cast<std::uint8_t>(square); }
    void clear() { size_ = 0; }

    // Removes the first entry equal to square; the others keep their order.
    void remove(int square) {
        int i = 0;
        while (squares_[i] != square) ++i;
        for (; i + 1 < size_; ++i) squares_[i] = squares_[i + 1];
        --size_;
    }

    // Overwrites the first entry equal to from with to.
    void replace(int from, int to) {
        int i = 0;
        while (squares_[i] != from) ++i;
        squares_[i] = static_cast<std::uint8_t>(to);
    }

    int size() const { return size_; }
    int operator[](int i) const { return squares_[i]; }
    const std::uint8_t* begin() const { return squares_.data(); }
    const std::uint8_t* end() const { return squares_.data() + size_; }

    bool operator==(const SquareList& other) const {
        if (size_ != other.size_) return false;
        for (int i = 0; i < size_; ++i)
            if (squares_[i] != other.squares_[i]) return false;
        return true;
    }

private:
    std::array<std::uint8_t, MaxPiecesPerSide> squares_{};
    int size_ = 0;
};

}  // namespace qorat
