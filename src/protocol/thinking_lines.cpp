// The search's thinking as the front ends read it.
#include "protocol/thinking_lines.h"

#include <algorithm>
#include <cstdlib>
#include <iostream>

#include "board/notation.h"
#include "search/modern_search.h"

namespace qorat {

namespace {

// Mates as the xboard protocol writes them: 100000 plus the moves to mate, negated when mated.
constexpr int XBoardMate = 100000;
constexpr int CentipawnsPerUnit = 10;

const char* tagText(std::int32_t tag) {
    switch (tag) {
        case TableCut: return "{HT}";
        case NullMoveCut: return "{NM}";
        case NoMoveLeft: return "(MATE}";
        case KingCapture: return "{MC}";
        default: return "";
    }
}

// A mate, or for the modern search also a win by rule, as the moves to it.
int xboardMate(int score, int plies) {
    const int moves = std::max(1, (plies + 1) / 2);
    return score > 0 ? XBoardMate + moves : -XBoardMate - moves;
}

int xboardScore(int score, bool modern) {
    const int magnitude = std::abs(score);
    if (!modern) return MateScore - magnitude > MaxPly ? score * CentipawnsPerUnit : xboardMate(score, MateScore - magnitude);
    if (isPvsRuleScore(score)) return xboardMate(score, PvsRuleWin - magnitude);
    if (isPvsMateScore(score)) return xboardMate(score, PvsMate - magnitude);
    return score;
}

}  // namespace

void printConsoleThinking(const ThinkingLine& t) {
    if (t.interrupted) std::cout << '*';
    std::cout << (t.interrupted ? t.depth - 1 : t.depth) << '\t' << t.score << '\t' << t.nodes << '\t' << t.centiseconds
              << '\t';
    for (std::size_t i = 0; i < t.line->size(); ++i) std::cout << moveText((*t.line)[i].move) << ' ';
    if (!t.line->empty()) std::cout << tagText(t.line->back().tag);
    std::cout << '\n' << std::flush;
}

void printXBoardThinking(const ThinkingLine& t) {
    if (t.interrupted) return;
    std::cout << t.depth << ' ' << xboardScore(t.score, t.modern) << ' ' << t.centiseconds << ' ' << t.nodes;
    for (std::size_t i = 0; i < t.line->size(); ++i) std::cout << ' ' << moveText((*t.line)[i].move);
    std::cout << '\n' << std::flush;
}

}  // namespace qorat
