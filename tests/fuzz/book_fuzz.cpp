// Fuzz target: the opening book loader on arbitrary file contents.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "board/keys.h"
#include "book/opening_book.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = "/tmp/qorat-book-fuzz-" + std::to_string(getpid()) + ".dat";
    static const bool seeded = (qorat::fillKeyTables(1), true);
    (void)seeded;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    const qorat::OpeningBook book(path);
    if (!book.loaded()) std::abort();
    qorat::Board board;
    const qorat::PackedMove m = book.chooseMove(board);
    if (m != 0 && (m / 256 >= qorat::BoardSquares || m % 256 >= qorat::BoardSquares)) std::abort();
    return 0;
}
