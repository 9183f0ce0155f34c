// Fuzz target: move text. A parsed move writes back as the same text in lower case.
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "board/notation.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const qorat::Move m = qorat::parseMove(text);
    if (qorat::isNoMove(m)) return 0;
    if (m.from < 0 || m.from >= qorat::BoardSquares || m.to < 0 || m.to >= qorat::BoardSquares) std::abort();
    std::string lower = text;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (qorat::moveText(m) != lower) std::abort();
    return 0;
}
