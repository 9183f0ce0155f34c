// The search's thinking as the front ends read it: the console's and cxboard's post line,
// and the xboard protocol's.
#pragma once

#include "search/seams.h"

namespace qorat {

// "depth<TAB>score<TAB>nodes<TAB>centiseconds<TAB>moves tag", a '*' first when interrupted.
void printConsoleThinking(const ThinkingLine& thinking);
// "depth score centiseconds nodes moves", centipawns and mates as 100000 plus the moves;
// an interrupted iteration shows nothing.
void printXBoardThinking(const ThinkingLine& thinking);

}  // namespace qorat
