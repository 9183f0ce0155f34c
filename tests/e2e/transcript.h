// Builds the exact console output expected for a sequence of moves and replies.
#pragma once

#include <string>

#include "board/board.h"
#include "board/keys.h"
#include "board/notation.h"
#include "session.h"

namespace qorat::testing {

class Transcript {
public:
    explicit Transcript(const std::string& fen = startPositionFen) {
        fillKeyTables(1);
        board.setFen(fen);
        text = boardText(fen) + prompt;
    }

    // A line that is answered by a reply (possibly empty) and the prompt.
    Transcript& reply(const std::string& answer) {
        text += answer + prompt;
        return *this;
    }

    // A move played at the console: the board, the echo, the prompt.
    Transcript& move(const std::string& moveText, bool echoed = true) {
        Move m = parseMove(moveText);
        const bool red = board.sideToMove() == Red;
        board.makeMove(m);
        text += boardText(board.toFen());
        if (echoed) text += red ? "    " + moveText + " ...\n" : "    ... " + moveText + "\n\n";
        text += prompt;
        return *this;
    }

    // A position set by a command: the board and the prompt.
    Transcript& setPosition(const std::string& fen) {
        board.setFen(fen);
        text += boardText(fen) + prompt;
        return *this;
    }

    Transcript& result(const std::string& line) {
        text += line;
        return *this;
    }

    Board board;
    std::string text;
};

}  // namespace qorat::testing
