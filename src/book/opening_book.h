// The opening book: moves the computer may play without searching, by position text.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "board/board.h"
#include "board/types.h"

namespace qorat {

class OpeningBook {
public:
    // Reads the book file at the path, reporting a missing file and bad lines on standard error.
    explicit OpeningBook(const std::string& path);

    bool loaded() const { return isLoaded; }
    // One of the position's book moves chosen at random, or 0 when there is none.
    PackedMove chooseMove(const Board& board) const;
    const std::vector<PackedMove>* movesFor(const std::string& positionText) const;

private:
    void readLine(const std::string& line, int number);

    std::map<std::string, std::vector<PackedMove>> positions;
    bool isLoaded = false;
};

}  // namespace qorat
