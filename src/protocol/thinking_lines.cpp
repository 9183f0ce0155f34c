// The search's thinking as the front ends read it.
#include "protocol/thinking_lines.h"

#include <algorithm>
#include <cstdlib>
#include <sstream>

#include "board/notation.h"
#include "classic/classic_types.h"

namespace qorat {

namespace {

// Mates as the xboard protocol writes them: 100000 plus the moves to mate, negated when mated.
constexpr int XBoardMate = 100000;

const char* tagText(std::int32_t tag) {
    switch (tag) {
        case TableCut: return "{HT}";
        case NullMoveCut: return "{NM}";
        case NoMoveLeft: return "(MATE}";
        case KingCapture: return "{MC}";
        default: return "";
    }
}

// Centipawns, or mates as 100000 plus the moves to mate, negated when mated.
int xboardScore(const SearchScore& score) {
    if (!score.isMate()) return score.value;
    const int moves = score.mateMoves();
    return score.kind == SearchScore::Mating ? XBoardMate + moves : -XBoardMate + moves;
}

// UCI's score: centipawns, or the moves to a mate (or a win by rule), negative when mated.
std::string uciScore(const SearchScore& score) {
    if (score.isMate()) return "mate " + std::to_string(score.mateMoves());
    return "cp " + std::to_string(score.value);
}

void writeLine(std::ostringstream& out, const ThinkingLine& t, const char* before, const char* after) {
    for (int i = 0; i < t.lineLength; ++i) out << before << moveText(t.line[i]) << after;
}

}  // namespace

std::string consoleThinking(const ThinkingLine& t) {
    std::ostringstream out;
    if (t.interrupted) out << '*';
    // Every search's score in the classic searches' tenths of a pawn, the console's unit.
    out << (t.interrupted ? t.depth - 1 : t.depth) << '\t' << classicUnits(t.score) << '\t' << t.nodes << '\t'
        << t.milliseconds / 10 << '\t';
    writeLine(out, t, "", " ");
    if (t.lineLength > 0) out << tagText(t.lineEnd);
    out << '\n';
    return out.str();
}

std::string xboardThinking(const ThinkingLine& t) {
    if (t.interrupted) return "";
    std::ostringstream out;
    out << t.depth << ' ' << xboardScore(t.score) << ' ' << t.milliseconds / 10 << ' ' << t.nodes;
    writeLine(out, t, " ", "");
    out << '\n';
    return out.str();
}

std::string uciThinking(const ThinkingLine& t) {
    std::ostringstream out;
    out << "info depth " << t.depth;
    if (t.selectiveDepth > 0) out << " seldepth " << t.selectiveDepth;
    if (t.multiPv > 0) out << " multipv " << t.multiPv;
    out << " score " << uciScore(t.score);
    if (t.outcome) out << " wdl " << t.outcome->win << ' ' << t.outcome->draw << ' ' << t.outcome->loss;
    if (t.lowerBound) out << " lowerbound";
    if (t.upperBound) out << " upperbound";
    const long long milliseconds = std::max(1LL, t.milliseconds);
    out << " nodes " << t.nodes << " nps " << t.nodes * 1000 / milliseconds;
    if (t.tableFull >= 0) out << " hashfull " << t.tableFull;
    out << " time " << t.milliseconds;
    if (t.lineLength > 0) out << " pv";
    writeLine(out, t, " ", "");
    out << '\n';
    return out.str();
}

}  // namespace qorat
