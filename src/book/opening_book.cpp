// The opening book: moves the computer may play without searching, by position text.
#include "book/opening_book.h"

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>

#include "board/notation.h"
#include "board/random_seed.h"

namespace qorat {

OpeningBook::OpeningBook(const std::string& path) {
    std::ifstream file(path);
    std::string line;
    int number = 0;
    // A last line without its newline is not an entry.
    while (file && std::getline(file, line) && !file.eof()) readLine(line, ++number);
    // A path that opens but cannot be read to its end, such as a folder, is no book.
    isLoaded = file.eof() && !file.bad();
    if (!isLoaded) {
        positions.clear();
        std::cerr << "Can't open " << path << '\n';
    }
    std::srand(randomSeed());
}

void OpeningBook::readLine(const std::string& line, int number) {
    const std::size_t colon = line.find(':');
    if (colon == std::string::npos) {
        std::cerr << "Illegal book entry at line " << number << '\n';
        return;
    }
    std::vector<PackedMove> moves;
    std::istringstream words(line.substr(colon + 1) + ' ');
    std::string word;
    while (words >> word) {
        const Move m = parseMove(word);
        if (!isNoMove(m)) moves.push_back(packMove(m));
    }
    positions.emplace(line.substr(0, colon), std::move(moves));
}

const std::vector<PackedMove>* OpeningBook::movesFor(const std::string& positionText) const {
    const auto it = positions.find(positionText);
    return it == positions.end() ? nullptr : &it->second;
}

PackedMove OpeningBook::chooseMove(const Board& board) const {
    const std::vector<PackedMove>* moves = movesFor(board.toFen());
    if (moves == nullptr || moves->empty()) return 0;
    return (*moves)[static_cast<std::size_t>(std::rand()) % moves->size()];
}

}  // namespace qorat
