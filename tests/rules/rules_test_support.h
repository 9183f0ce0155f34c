// A board with its rules arbiter, built on reproducible keys.
#pragma once

#include <string>

#include "board/keys.h"
#include "board/notation.h"
#include "rules/lawyer.h"

namespace qorat::testing {

struct Game {
    Board board;
    Lawyer lawyer{board};

    explicit Game(const std::string& fen = startPositionFen) {
        board.addObserver(&lawyer);
        board.setFen(fen);
    }

    // Plays moves given as text, each checked by the rules.
    bool play(std::initializer_list<const char*> moves) {
        for (const char* text : moves) {
            Move m = parseMove(text);
            if (!lawyer.isLegal(m)) return false;
            board.makeMove(m);
        }
        return true;
    }
};

}  // namespace qorat::testing
