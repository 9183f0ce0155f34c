// Several lines at once (MultiPV) under UCI, xboard and the console; the levels of strength
// and the Elo they stand for, kept in their ranges; and the wins, draws and losses a score
// stands for, beside it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "session.h"

namespace qorat::testing {
namespace {

// A rook hangs: Red's rook on a0 takes Blue's on a4, and has no check to give instead.
const std::string freeRook = "5k3/9/9/9/9/r8/9/9/9/R2K5 w";

struct InfoLine {
    int depth = 0;
    int multiPv = 0;
    std::string score;     // "cp N" or "mate N"
    std::vector<int> wdl;  // empty when not shown
    std::string first;     // the line's first move
    bool bound = false;    // the score is only a bound
};

std::vector<InfoLine> infoLines(const std::string& out) {
    std::vector<InfoLine> found;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("info depth ", 0) != 0) continue;
        std::istringstream words(line);
        InfoLine info;
        for (std::string word; words >> word;) {
            if (word == "depth") words >> info.depth;
            if (word == "multipv") words >> info.multiPv;
            if (word == "score") {
                std::string kind, value;
                words >> kind >> value;
                info.score = kind + " " + value;
            }
            if (word == "wdl") {
                info.wdl.resize(3);
                words >> info.wdl[0] >> info.wdl[1] >> info.wdl[2];
            }
            if (word == "lowerbound" || word == "upperbound") info.bound = true;
            if (word == "pv") words >> info.first;
        }
        found.push_back(info);
    }
    return found;
}

std::string bestMove(const std::string& out) {
    const std::size_t at = out.rfind("bestmove ");
    return at == std::string::npos ? "" : out.substr(at + 9, out.find_first_of(" \n", at + 9) - at - 9);
}

int centipawns(const std::string& score) { return score.rfind("cp ", 0) == 0 ? std::stoi(score.substr(3)) : 0; }

// Runs one UCI search to its move and gives the output.
std::string uciSearch(const std::string& setup, const std::string& position, const std::string& go) {
    Session session({"-uci"}, bookFreeDirectory());
    session.send("uci\nsetoption name OwnBook value false\n" + setup + "position " + position + "\n" + go + "\n");
    EXPECT_TRUE(session.waitForOutput("bestmove ")) << session.out();
    session.finish();
    return session.out();
}

TEST(AnalysisLines, UciRanksThreeLinesEachDepthAndPlaysTheFirst) {
    const std::string out = uciSearch("setoption name MultiPV value 3\n", "startpos", "go depth 5");
    std::map<int, std::vector<InfoLine>> byDepth;
    for (const InfoLine& info : infoLines(out)) byDepth[info.depth].push_back(info);
    ASSERT_EQ(byDepth.size(), 5u) << out;
    for (const auto& [depth, lines] : byDepth) {
        ASSERT_EQ(lines.size(), 3u) << "depth " << depth << "\n" << out;
        std::set<std::string> moves;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            EXPECT_EQ(lines[i].multiPv, static_cast<int>(i) + 1) << out;
            if (i > 0) {
                EXPECT_GE(centipawns(lines[i - 1].score), centipawns(lines[i].score)) << out;
            }
            moves.insert(lines[i].first);
        }
        EXPECT_EQ(moves.size(), 3u) << "each line starts with a move of its own\n" << out;
    }
    EXPECT_EQ(bestMove(out), byDepth[5][0].first) << out;
}

TEST(AnalysisLines, TheBestLineIsTheOneLineSearchesAndFewerMovesGiveFewerLines) {
    // At every depth the first of three lines is the line a search of one line finds, move,
    // score and all, in a position where the best move changes from depth to depth. The
    // position keys are fixed, so that both searches fill their tables alike.
    // A slow build may also show a one-line search's bounds or repeat a depth: the last
    // whole line of each depth counts.
    setenv("QORAT_SEED", "1", 1);
    std::map<int, std::string> one, three;
    for (const InfoLine& info : infoLines(uciSearch("", "startpos", "go depth 9")))
        if (!info.bound) one[info.depth] = info.score + " " + info.first;
    for (const InfoLine& info : infoLines(uciSearch("setoption name MultiPV value 3\n", "startpos", "go depth 9")))
        if (info.multiPv == 1) three[info.depth] = info.score + " " + info.first;
    unsetenv("QORAT_SEED");
    ASSERT_EQ(one.size(), 9u);
    EXPECT_EQ(three, one);
    std::set<std::string> bestMoves;
    for (const auto& [depth, line] : one) bestMoves.insert(line.substr(line.rfind(' ') + 1));
    EXPECT_GT(bestMoves.size(), 1u) << "a position whose best move changes tests the lines' independence";

    // Blue's king, in check from a rook, has two ways out: two lines, though five are asked.
    const std::string out = uciSearch("setoption name MultiPV value 5\n", "fen 3k5/4a4/9/9/9/9/9/9/9/3R1K3 b", "go depth 2");
    const std::vector<InfoLine> lines = infoLines(out);
    ASSERT_FALSE(lines.empty()) << out;
    EXPECT_EQ(lines.back().multiPv, 2) << out;
}

TEST(AnalysisLines, XBoardAndTheConsoleShowThreeLinesADepth) {
    // xboard's analysis and a search to play, and the console's post: three lines at each
    // depth, best first, and the move played the first line's.
    Session xboard({"-xboard"}, bookFreeDirectory());
    xboard.send("protover 2\noption MultiPV=3\nnew\npost\nsd 4\nforce\ngo\n");
    ASSERT_TRUE(xboard.waitForOutput("\nmove ")) << xboard.out();
    xboard.finish();
    std::istringstream lines(xboard.out());
    std::map<int, std::vector<std::pair<int, std::string>>> byDepth;
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        int depth = 0, score = 0;
        long long time = 0, nodes = 0;
        std::string first;
        if (fields >> depth >> score >> time >> nodes >> first) byDepth[depth].push_back({score, first});
    }
    ASSERT_EQ(byDepth.size(), 4u) << xboard.out();
    for (const auto& [depth, shown] : byDepth) {
        ASSERT_EQ(shown.size(), 3u) << xboard.out();
        EXPECT_GE(shown[0].first, shown[1].first);
        EXPECT_GE(shown[1].first, shown[2].first);
    }
    const std::size_t move = xboard.out().rfind("\nmove ");
    EXPECT_EQ(xboard.out().substr(move + 6, 4), byDepth[4][0].second) << xboard.out();

    Session console({}, bookFreeDirectory());
    console.send("set search pvs\nset multipv 3\npost\nsd 3\nh2e2\n");
    ASSERT_TRUE(console.waitForOutput("    ... ")) << console.out();
    console.finish();
    int depthThreeLines = 0;
    std::istringstream consoleLines(console.out());
    for (std::string line; std::getline(consoleLines, line);) depthThreeLines += line.rfind("3\t", 0) == 0 ? 1 : 0;
    EXPECT_EQ(depthThreeLines, 3) << console.out();
}

TEST(AnalysisLines, LevelsAndEloAreHeldInTheirRanges) {
    // A second "uci" shows each setting as it stands: out-of-range values are clamped.
    Session session({"-uci"}, bookFreeDirectory());
    session.send("uci\nsetoption name Skill Level value 99\nsetoption name UCI_Elo value -7\n"
                 "setoption name MultiPV value 0\nuci\n");
    ASSERT_TRUE(session.waitForOutput("uciok\n", std::chrono::seconds(20), 2));
    session.send("setoption name Skill Level value -3\nuci\n");
    ASSERT_TRUE(session.waitForOutput("uciok\n", std::chrono::seconds(20), 3));
    session.finish();
    const std::string out = session.out();
    const std::string second = out.substr(out.find("uciok\n") + 6);
    EXPECT_NE(second.find("option name Skill Level type spin default 20 min 0 max 20\n"), std::string::npos) << out;
    EXPECT_NE(second.find("option name MultiPV type spin default 1 min 1 max 32\n"), std::string::npos) << out;
    const std::string eloLine = "option name UCI_Elo type spin default ";
    const std::size_t elo = second.find(eloLine);
    ASSERT_NE(elo, std::string::npos) << out;
    std::istringstream eloWords(second.substr(elo + eloLine.size()));
    long long value = 0, low = 0, high = 0;
    std::string minWord, maxWord;
    eloWords >> value >> minWord >> low >> maxWord >> high;
    EXPECT_EQ(value, low) << "an Elo below the lowest level's is the lowest";
    EXPECT_LT(low, high);
    const std::string third = second.substr(second.find("uciok\n") + 6);
    EXPECT_NE(third.find("option name Skill Level type spin default 0 min 0 max 20\n"), std::string::npos) << out;
}

TEST(AnalysisLines, TheWeakestLevelSearchesOnePlyAndStillPlaysALegalMove) {
    // Level 0 by name, and by the lowest Elo with the strength limited: its few nodes take
    // it one ply deep, and it plays a legal move.
    for (const std::string setup : {"setoption name Skill Level value 0\n",
                                    "setoption name UCI_LimitStrength value true\nsetoption name UCI_Elo value 0\n"}) {
        const std::string out = uciSearch(setup, "startpos", "go depth 9");
        const std::vector<InfoLine> lines = infoLines(out);
        ASSERT_FALSE(lines.empty()) << out;
        EXPECT_EQ(lines.back().depth, 1) << out;
        EXPECT_TRUE(legalIn("rheakaehr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RHEAKAEHR r", bestMove(out))) << out;
    }
    // A weak level still takes what is free.
    const std::string out = uciSearch("setoption name Skill Level value 0\n", "fen " + freeRook, "go depth 9");
    EXPECT_EQ(bestMove(out), "a0a4") << out;
}

TEST(AnalysisLines, WinsDrawsAndLossesAgreeWithTheScore) {
    // A rook up, a rook down, and a mate in one: the chances add up to 1000 and lean the score's way.
    struct Case {
        std::string fen;
        int sign;
    } cases[] = {{freeRook, 1}, {"3k5/9/9/9/9/9/9/9/9/R3K4 b", -1}, {"3k5/9/9/9/9/9/9/9/R8/4K4 w", 1}};
    for (const Case& c : cases) {
        const std::string out = uciSearch("setoption name UCI_ShowWDL value true\n", "fen " + c.fen, "go depth 3");
        const std::vector<InfoLine> lines = infoLines(out);
        ASSERT_FALSE(lines.empty()) << out;
        for (const InfoLine& info : lines) {
            ASSERT_EQ(info.wdl.size(), 3u) << out;
            EXPECT_EQ(info.wdl[0] + info.wdl[1] + info.wdl[2], 1000) << out;
        }
        const InfoLine& last = lines.back();
        if (c.sign > 0)
            EXPECT_GT(last.wdl[0], last.wdl[2]) << out;
        else
            EXPECT_LT(last.wdl[0], last.wdl[2]) << out;
        if (last.score.rfind("mate ", 0) == 0) {
            EXPECT_EQ(last.wdl, (std::vector<int>{1000, 0, 0})) << out;
        }
    }
    // Not asked for, not shown.
    EXPECT_TRUE(infoLines(uciSearch("", "startpos", "go depth 2")).back().wdl.empty());
}

}  // namespace
}  // namespace qorat::testing
