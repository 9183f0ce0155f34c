// A protocol spoken over standard input and output, one object for each: it reads every line
// in its own words and decides what the computer does for it in each pass of the main loop.
// The controller chooses one at start-up and when the person or front end switches.
#pragma once

#include <string>

#include "board/types.h"

namespace qorat {

// The depth a front end's protocol sets: a search there goes as deep as its clock allows.
inline constexpr const char* UnlimitedDepth = "100";

class Protocol {
public:
    virtual ~Protocol() = default;

    // Takes over from the protocol before: the settings this one plays under.
    virtual void begin() {}
    // One input line, without its newline.
    virtual void handleLine(const std::string& line) = 0;
    // Each pass of the main loop before input is read: answers held back, searches to start,
    // go on or drop.
    virtual void tend() {}
    // Whether the game's end by rule is judged after each move, and whether the judgement is
    // claimed or only told, a front end being the judge.
    virtual bool judgesGames() const { return true; }
    virtual bool claimsResults() const { return true; }
    // Whether the engine thinks on the clock the front end reports rather than on the sides'.
    virtual bool keepsFrontEndClock() const { return false; }
    // The computer's side is to move: its move made, or work towards it; false when there is
    // nothing to do until a line arrives or the search ends.
    virtual bool computerTurn() = 0;
    // A person's move, or the computer's, has been played.
    virtual void humanMoved(const Move& /*m*/) {}
    virtual void computerMoved(const Move& /*m*/) {}
};

}  // namespace qorat
