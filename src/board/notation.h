// Text forms of the board's objects: the board picture, move text and its parser; and text
// read from outside in the form it may be shown again.
#pragma once

#include <ostream>
#include <string>

#include "board/board.h"
#include "board/types.h"

namespace qorat {

// Draws the board picture, ten ranks with their connectors and the file line.
std::ostream& operator<<(std::ostream& out, const Board& board);
// Writes the move's four-character text.
std::ostream& operator<<(std::ostream& out, const Move& m);

std::string moveText(const Move& m);
// The move written in text such as h2e2 (files in either case); the null move otherwise.
Move parseMove(const std::string& text);

// The position of a front end's FEN (N and B for horse and elephant, or H and E; w or b for
// the side; further fields) as our FEN text; empty when the text has no side field.
std::string fromFrontEndFen(const std::string& fen);

// Text read from outside as it may be echoed: printable ASCII and well-formed UTF-8 printable
// characters as they are, every other byte as \xNN (two lower-case hex digits), so that an
// echo carries no control code to a terminal or front end and no bytes it cannot read.
std::string printableText(const std::string& text);

}  // namespace qorat
