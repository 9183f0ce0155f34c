// The search's thinking as the front ends read it.
#include "protocol/thinking_lines.h"

#include <algorithm>
#include <cstdlib>
#include <sstream>

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

// The moves to a mate, or for the modern search also to a win by rule, negative when the
// side to move is the one to lose; 0 when the score is no such win.
int movesToWin(int score, bool modern) {
    const int magnitude = std::abs(score);
    int plies = -1;
    // A classic score beyond the mate score (a king taken) counts as a mate in one.
    if (!modern && MateScore - magnitude <= MaxPly) plies = std::max(0, MateScore - magnitude);
    if (modern && isPvsRuleScore(score)) plies = PvsRuleWin - magnitude;
    if (modern && isPvsMateScore(score)) plies = PvsMate - magnitude;
    if (plies < 0) return 0;
    const int moves = std::max(1, (plies + 1) / 2);
    return score > 0 ? moves : -moves;
}

// Centipawns, or mates as 100000 plus the moves to mate, negated when mated.
int xboardScore(int score, bool modern) {
    const int moves = movesToWin(score, modern);
    if (moves != 0) return moves > 0 ? XBoardMate + moves : -XBoardMate + moves;
    return modern ? score : score * CentipawnsPerUnit;
}

// UCI's score: centipawns, or the moves to a mate (or a win by rule), negative when mated.
std::string uciScore(int score, bool modern) {
    const int moves = movesToWin(score, modern);
    if (moves != 0) return "mate " + std::to_string(moves);
    return "cp " + std::to_string(modern ? score : score * CentipawnsPerUnit);
}

}  // namespace

std::string consoleThinking(const ThinkingLine& t) {
    std::ostringstream out;
    if (t.interrupted) out << '*';
    out << (t.interrupted ? t.depth - 1 : t.depth) << '\t' << t.score << '\t' << t.nodes << '\t' << t.milliseconds / 10
        << '\t';
    for (std::size_t i = 0; i < t.line->size(); ++i) out << moveText((*t.line)[i].move) << ' ';
    if (!t.line->empty()) out << tagText(t.line->back().tag);
    out << '\n';
    return out.str();
}

std::string xboardThinking(const ThinkingLine& t) {
    if (t.interrupted) return "";
    std::ostringstream out;
    out << t.depth << ' ' << xboardScore(t.score, t.modern) << ' ' << t.milliseconds / 10 << ' ' << t.nodes;
    for (std::size_t i = 0; i < t.line->size(); ++i) out << ' ' << moveText((*t.line)[i].move);
    out << '\n';
    return out.str();
}

std::string uciThinking(const ThinkingLine& t) {
    std::ostringstream out;
    out << "info depth " << t.depth;
    if (t.selectiveDepth > 0) out << " seldepth " << t.selectiveDepth;
    out << " score " << uciScore(t.score, t.modern);
    if (t.lowerBound) out << " lowerbound";
    if (t.upperBound) out << " upperbound";
    const long long milliseconds = std::max(1LL, t.milliseconds);
    out << " nodes " << t.nodes << " nps " << t.nodes * 1000 / milliseconds;
    if (t.tableFull >= 0) out << " hashfull " << t.tableFull;
    out << " time " << t.milliseconds;
    if (!t.line->empty()) out << " pv";
    for (std::size_t i = 0; i < t.line->size(); ++i) out << ' ' << moveText((*t.line)[i].move);
    out << '\n';
    return out.str();
}

}  // namespace qorat
