// The UCI protocol end to end: the handshake from the flag and from the console, positions
// in both letterings, searches by depth, nodes, time, to a stop and on a ponder, options,
// and the refusals.
#include <gtest/gtest.h>

#include <unistd.h>

#include <sstream>
#include <string>
#include <vector>

#include "search/skill.h"
#include "session.h"
#include "transcript.h"

namespace qorat::testing {
namespace {

const std::string handshake =
    "id name qorat " QORAT_VERSION "\n"
    "id author the qorat developers\n"
    "option name Hash type spin default 8 min 1 max 1024\n"
    "option name Threads type spin default 1 min 1 max 64\n"
    "option name Ponder type check default false\n"
    "option name Move Overhead type spin default 50 min 0 max 5000\n"
    "option name OwnBook type check default true\n"
    // The book in use, here none.
    "option name Book File type string default <empty>\n"
    "option name Clear Hash type button\n"
    "option name MultiPV type spin default 1 min 1 max 32\n"
    "option name Skill Level type spin default 20 min 0 max 20\n"
    "option name UCI_LimitStrength type check default false\n"
    // The range of strengths the levels were measured at, full strength by default.
    "option name UCI_Elo type spin default " + std::to_string(Skill::HighestElo) + " min " +
    std::to_string(Skill::LowestElo) + " max " + std::to_string(Skill::HighestElo) + "\n"
    "option name UCI_ShowWDL type check default false\n"
    "option name EvalFile type string default qorat.nnue\n"
    "option name Evaluation type combo default classic var classic var net\n"
    "uciok\n";

const std::string afterCentralCannon = "rheakaehr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C2C4/9/RHEAKAEHR b";

// The words of the last line that starts with the prefix.
std::vector<std::string> lastLine(const std::string& out, const std::string& prefix) {
    std::istringstream lines(out);
    std::string line, found;
    while (std::getline(lines, line))
        if (line.rfind(prefix, 0) == 0) found = line;
    std::istringstream words(found);
    std::vector<std::string> result;
    for (std::string word; words >> word;) result.push_back(word);
    return result;
}

// The value after the keyword in the words, or "".
std::string field(const std::vector<std::string>& words, const std::string& key) {
    for (std::size_t i = 0; i + 1 < words.size(); ++i)
        if (words[i] == key) return words[i + 1];
    return "";
}

TEST(Uci, Handshake) {
    const RunResult flagged = runProgram({"-uci"}, "uci\nisready\nfoo\nquit\n", bookFreeDirectory());
    EXPECT_EQ(flagged.out, handshake + "readyok\ninfo string Unknown command: foo\n");
    EXPECT_EQ(flagged.err, "");
    EXPECT_EQ(flagged.status, 0);

    // Typed at the console, "uci" starts the protocol on a line of its own.
    const RunResult bare = runProgram({}, "uci\nisready\n", bookFreeDirectory());
    EXPECT_EQ(bare.out, Transcript().text + "\n" + handshake + "readyok\n");
}

TEST(Uci, SearchesByDepthFromEitherLettering) {
    // The start position with a move, and the same position as a FEN in N/B letters and in
    // H/E letters: each search reports every depth and ends in a legal move and reply.
    const std::string fens[] = {"startpos moves h2e2",
                                "fen rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C2C4/9/RNBAKABNR b - - 1 1",
                                "fen " + afterCentralCannon};
    for (const std::string& fen : fens) {
        Session session({"-uci"}, bookFreeDirectory());
        session.send("uci\nposition " + fen + "\ngo depth 4\n");
        ASSERT_TRUE(session.waitForOutput("bestmove ")) << fen;
        session.finish();
        const std::vector<std::string> best = lastLine(session.out(), "bestmove");
        ASSERT_EQ(best.size(), 4u) << session.out();
        EXPECT_TRUE(legalIn(afterCentralCannon, best[1])) << session.out();
        EXPECT_EQ(best[2], "ponder");
        const std::vector<std::string> info = lastLine(session.out(), "info depth");
        EXPECT_EQ(field(info, "depth"), "4") << session.out();
        EXPECT_EQ(field(info, "pv"), best[1]);
        EXPECT_FALSE(field(info, "nodes").empty());
        EXPECT_FALSE(field(info, "hashfull").empty());
        EXPECT_NE(session.out().find("info depth 1 "), std::string::npos);
    }
}

TEST(Uci, StopPonderhitAndLimits) {
    Session session({"-uci"}, bookFreeDirectory());
    session.send("uci\nsetoption name Threads value 2\nsetoption name Hash value 16\nisready\nposition startpos\n"
                 "go infinite\n");
    ASSERT_TRUE(session.waitForOutput("info depth 3 "));
    EXPECT_EQ(session.out().find("bestmove"), std::string::npos) << "an infinite search waits for its stop";
    session.send("stop\n");
    ASSERT_TRUE(session.waitForOutput("bestmove ", std::chrono::seconds(5)));

    // A ponder waits for the hit, however long it has searched; then it moves at once.
    session.send("position startpos moves h2e2\ngo ponder movetime 300\n");
    ASSERT_TRUE(session.waitForOutput("info depth 3 ", std::chrono::seconds(20), 2));
    usleep(500000);
    session.send("isready\n");
    ASSERT_TRUE(session.waitForOutput("readyok\n", std::chrono::seconds(5)));
    EXPECT_EQ(occurrences(session.out(), "bestmove "), 1) << session.out();
    session.send("ponderhit\n");
    ASSERT_TRUE(session.waitForOutput("bestmove ", std::chrono::seconds(5), 2));
    EXPECT_TRUE(legalIn(afterCentralCannon, lastLine(session.out(), "bestmove")[1])) << session.out();

    // A node limit ends the search near it.
    session.send("ucinewgame\nposition startpos\ngo nodes 20000\n");
    ASSERT_TRUE(session.waitForOutput("bestmove ", std::chrono::seconds(20), 3));
    // The limit is looked at every thousand nodes or so, and two threads count together.
    EXPECT_LE(std::stoll(field(lastLine(session.out(), "info depth"), "nodes")), 20000 + 4096) << session.out();

    // A new position while a search runs: the search still gives its move, first.
    session.send("go infinite\n");
    ASSERT_TRUE(session.waitForOutput("info depth 2 ", std::chrono::seconds(20), 4));
    session.send("position startpos moves h2e2\nisready\n");
    ASSERT_TRUE(session.waitForOutput("readyok\n", std::chrono::seconds(5), 2));
    session.finish();
    EXPECT_EQ(occurrences(session.out(), "bestmove "), 4) << session.out();
    EXPECT_LT(session.out().rfind("bestmove "), session.out().rfind("readyok")) << session.out();
}

TEST(Uci, RefusalsSearchNoBoardTheFrontEndLacks) {
    // A refused position or move leaves no position to search until one is set; an unknown
    // option is named; an option whose value comes before its name is read all the same.
    Session session({"-uci"}, bookFreeDirectory());
    session.send("uci\nposition fen 9/9 w\ngo depth 1\nposition startpos moves h2e2 h2e2\ngo depth 1\n"
                 "setoption name Colour value red\nsetoption value 1 name Hash\nposition startpos moves h2e2\ngo depth 1\n");
    ASSERT_TRUE(session.waitForOutput("bestmove ", std::chrono::seconds(20), 3));
    session.finish();
    const std::string out = session.out();
    EXPECT_EQ(out.substr(0, out.find("info depth")),
              handshake + "info string Illegal position\ninfo string No position to search\nbestmove (none)\n"
                          "info string Illegal move: h2e2\ninfo string No position to search\nbestmove (none)\n"
                          "info string Unknown option: Colour\n");
    EXPECT_TRUE(legalIn(afterCentralCannon, lastLine(out, "bestmove")[1])) << out;
}

TEST(Uci, AConsoleSearchEndsWhenUciBegins) {
    // The console's modern search, still thinking when the protocol changes, is never answered
    // under UCI, which did not ask for it: one go, one bestmove.
    Session session({"-nobook"}, bookFreeDirectory());
    session.send("set search pvs\npost\nsd 40\nh2e2\n");
    // Its first thinking line: the search is under way.
    ASSERT_TRUE(session.waitForOutput("h2e2 ...\n"));
    ASSERT_TRUE(session.waitForOutput("\t"));
    session.send("uci\nisready\nposition startpos moves h2e2\ngo depth 1\n");
    ASSERT_TRUE(session.waitForOutput("bestmove "));
    session.send("isready\n");
    ASSERT_TRUE(session.waitForOutput("readyok\n", std::chrono::seconds(20), 2));
    session.finish();
    const std::string& out = session.out();
    EXPECT_EQ(out.find("bestmove "), out.rfind("bestmove ")) << out;
}

TEST(Uci, AMatedSideSaysSoAtOnce) {
    // Mated, or stalemated, which loses alike: one line at depth 0 says so, and no move.
    for (const char* fen : {"3k5/3R5/3R5/9/9/9/9/9/9/4K4 b", "3k5/R8/9/9/9/9/9/9/9/4RK3 b"}) {
        Session session({"-uci"}, bookFreeDirectory());
        session.send(std::string("position fen ") + fen + "\ngo infinite\n");
        ASSERT_TRUE(session.waitForOutput("info depth 0 ")) << fen;
        session.send("stop\n");
        ASSERT_TRUE(session.waitForOutput("bestmove")) << fen;
        session.finish();
        const std::string out = session.out();
        EXPECT_EQ(out.substr(0, out.find(" time ")), "info depth 0 score mate 0 nodes 0 nps 0 hashfull 0") << fen;
        EXPECT_EQ(out.substr(out.find('\n') + 1), "bestmove (none)\n") << fen;
    }
}

TEST(Uci, LargeTableCostsNothingUntilUsed) {
    // A gigabyte table, emptied for a new game: no page of it is touched before a search
    // writes there, so the answer comes at once and the memory stays small.
    Session session({"-uci"}, bookFreeDirectory());
    session.send("uci\nsetoption name Hash value 1024\nisready\nucinewgame\nisready\n");
    ASSERT_TRUE(session.waitForOutput("readyok\n", std::chrono::seconds(20), 2));
    EXPECT_LT(session.residentMegabytes(), 256);
    // After a search has written to it, a clear gives the memory back.
    session.send("position startpos moves h2e2\ngo depth 6\n");
    ASSERT_TRUE(session.waitForOutput("bestmove "));
    session.send("ucinewgame\nisready\n");
    ASSERT_TRUE(session.waitForOutput("readyok\n", std::chrono::seconds(20), 3));
    EXPECT_LT(session.residentMegabytes(), 256);
    session.finish();
}

TEST(Uci, SettingsChangedWhilePonderingWaitForTheNextSearch) {
    // A ponder search goes on through a change of table and threads, and after the hit gives
    // the move of its full depth; the next search has the new settings.
    Session session({"-uci"}, bookFreeDirectory());
    session.send("uci\nposition startpos moves h2e2 h9g7\ngo ponder depth 13\n");
    ASSERT_TRUE(session.waitForOutput("info depth 1 "));
    session.send("setoption name Hash value 16\nsetoption name Threads value 2\nponderhit\n");
    ASSERT_TRUE(session.waitForOutput("bestmove ", std::chrono::seconds(60)));
    session.send("isready\n");
    ASSERT_TRUE(session.waitForOutput("readyok\n"));
    session.finish();
    const std::string out = session.out();
    const std::string beforeMove = out.substr(0, out.find("bestmove "));
    EXPECT_NE(beforeMove.rfind("info depth 13 "), std::string::npos) << out;
}

}  // namespace
}  // namespace qorat::testing
