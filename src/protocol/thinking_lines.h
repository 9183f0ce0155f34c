// The search's thinking as the front ends read it: the console's and cxboard's post line,
// the xboard protocol's, and UCI's info line.
#pragma once

#include <string>

#include "thinking/seams.h"

namespace qorat {

// "depth<TAB>score<TAB>nodes<TAB>centiseconds<TAB>moves tag", a '*' first when interrupted.
std::string consoleThinking(const ThinkingLine& thinking);
// "depth score centiseconds nodes moves", centipawns and mates as 100000 plus the moves;
// an interrupted iteration shows nothing.
std::string xboardThinking(const ThinkingLine& thinking);
// "info depth … seldepth … [multipv …] score cp|mate … [wdl W D L] nodes … nps … hashfull … time … pv …".
std::string uciThinking(const ThinkingLine& thinking);

}  // namespace qorat
