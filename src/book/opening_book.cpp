// The opening book: moves the computer may play without searching, by position text.
#include "book/opening_book.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <sstream>

#include "board/notation.h"
#include "board/random_seed.h"

namespace qorat {

namespace {

// Far beyond any real book; a larger file is no book, and reading it would only cost memory.
constexpr std::size_t MostBookBytes = std::size_t{64} << 20;

// The whole text of the file at the path, or nothing when it is not a regular file of a
// book's size or cannot be read to its end. Opening never waits, not even on a pipe.
std::optional<std::string> readBookFile(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    std::optional<std::string> text;
    struct stat status {};
    if (fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && static_cast<std::size_t>(status.st_size) <= MostBookBytes) {
        text.emplace();
        char chunk[65536];
        for (;;) {
            const ssize_t n = read(fd, chunk, sizeof chunk);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 || text->size() + static_cast<std::size_t>(n) > MostBookBytes) {
                text.reset();
                break;
            }
            if (n == 0) break;
            text->append(chunk, static_cast<std::size_t>(n));
        }
    }
    close(fd);
    return text;
}

}  // namespace

OpeningBook::OpeningBook(const std::string& path) {
    const std::optional<std::string> text = readBookFile(path);
    isLoaded = text.has_value();
    if (!isLoaded) {
        std::cerr << "Can't open " << printableText(path) << '\n';
    } else {
        // A last line without its newline is not an entry.
        int number = 0;
        for (std::size_t start = 0, end; (end = text->find('\n', start)) != std::string::npos; start = end + 1)
            readLine(text->substr(start, end - start), ++number);
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
