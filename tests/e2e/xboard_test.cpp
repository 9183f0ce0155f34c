// The xboard protocol end to end: the handshake, a game with a clock, set positions, refused
// moves and positions, pings, interrupts, and what the engine claims at the end of a game.
#include <gtest/gtest.h>

#include <unistd.h>

#include <csignal>
#include <sstream>
#include <string>
#include <vector>

#include "board/keys.h"
#include "board/notation.h"
#include "rules/lawyer.h"
#include "session.h"
#include "transcript.h"

namespace qorat::testing {
namespace {

const std::string features =
    "feature done=0\n"
    "feature myname=\"qorat " QORAT_VERSION "\" variants=\"xiangqi\" setboard=1 usermove=1 ping=1 time=1 colors=0 "
    "sigint=0 sigterm=0 reuse=1 analyze=1 playother=1 draw=1 san=0 name=0 nps=0 pause=0 memory=1 smp=1 exclude=1 "
    "setscore=0 highlight=0 debug=1\n"
    "feature option=\"Search -combo *pvs /// mtd /// alphabeta /// negascout\"\n"
    "feature option=\"Hash table -check 1\"\n"
    "feature option=\"Opening book -check 1\"\n"
    // The book in use, here none.
    "feature option=\"Book file -file \"\n"
    "feature option=\"Move overhead (ms) -spin 50 0 5000\"\n"
    "feature option=\"Resign -check 0\"\n"
    "feature option=\"Offer draw -check 0\"\n"
    "feature option=\"MultiPV -spin 1 1 32\"\n"
    "feature option=\"Skill Level -spin 20 0 20\"\n"
    "feature option=\"EvalFile -file qorat.nnue\"\n"
    "feature option=\"Evaluation -combo *classic /// net\"\n"
    "feature done=1\n";

const std::string afterCentralCannon = "rheakaehr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C2C4/9/RHEAKAEHR b";

// The move of the nth "move " line of the output, or "".
std::string nthMove(const std::string& out, int n) {
    std::istringstream lines(out);
    std::string line;
    while (std::getline(lines, line))
        if (line.rfind("move ", 0) == 0 && --n == 0) return line.substr(5);
    return "";
}

TEST(XBoard, Handshake) {
    // Started bare and switched by the command: the console comes first, and the protocol
    // begins on a line of its own.
    const RunResult bare = runProgram({}, "xboard\nprotover 2\n");
    EXPECT_EQ(bare.out, Transcript().text + "\n" + features);

    const RunResult flagged = runProgram({"-xboard"}, "protover 2\naccepted usermove\nfoo bar\n");
    EXPECT_EQ(flagged.out, features + "Error (unknown command): foo bar\n");
    // Nothing on standard error, not even the missing book.
    EXPECT_EQ(flagged.err, "");
    EXPECT_EQ(flagged.status, 0);
}

TEST(XBoard, StartedAsTheEngineListStartsIt) {
    // xboard's engine list runs the command line of the installed plugin file; so started,
    // the program writes nothing before its features, on either stream.
    std::istringstream command(QORAT_PLUGIN_COMMAND);
    std::string program;
    command >> program;
    EXPECT_EQ(program, "qorat");
    std::vector<std::string> args;
    for (std::string word; command >> word;) args.push_back(word);
    const RunResult run = runProgram(args, "xboard\nprotover 2\n");
    EXPECT_EQ(run.out, features);
    EXPECT_EQ(run.err, "");
}

TEST(XBoard, GameWithAClockAndThinking) {
    Session session({"-xboard"}, bookFreeDirectory());
    session.send("xboard\nprotover 2\nnew\nvariant xiangqi\nlevel 40 1 0\npost\ntime 6000\notim 6000\nusermove h2e2\nping 7\n");
    ASSERT_TRUE(session.waitForOutput("pong 7\n"));
    session.finish();
    const std::string reply = nthMove(session.out(), 1);
    EXPECT_TRUE(legalIn(afterCentralCannon, reply)) << session.out();
    // The pong comes after the move, and thinking lines read "ply score time nodes pv".
    const std::string tail = session.out().substr(features.size());
    EXPECT_LT(tail.find("move " + reply), tail.find("pong 7"));
    std::istringstream lines(tail);
    std::string line;
    int posts = 0;
    while (std::getline(lines, line)) {
        if (line.rfind("move ", 0) == 0 || line.rfind("pong", 0) == 0) continue;
        int ply = 0, score = 0;
        long long time = 0, nodes = 0;
        std::string first;
        std::istringstream fields(line);
        ASSERT_TRUE(fields >> ply >> score >> time >> nodes >> first) << line;
        EXPECT_EQ(ply, ++posts) << line;
        // Centiseconds of a search that lasts a few seconds at most, then the nodes.
        EXPECT_LE(time, 1000) << line;
        EXPECT_TRUE(legalIn(afterCentralCannon, first)) << line;
    }
    EXPECT_GE(posts, 2);
}

TEST(XBoard, SetPositionsAndRefusals) {
    // A mid-game position in the front end's letters, then "go"; refused moves and positions
    // leave everything as it was.
    const std::string xboardFen = "r1bakabr1/9/1cn3nc1/p1p1p1p1p/9/9/P1P1P1P1P/1C2C1N2/9/RNBAKAB1R b - - 4 3";
    const std::string ours = "r1eakaer1/9/1ch3hc1/p1p1p1p1p/9/9/P1P1P1P1P/1C2C1H2/9/RHEAKAE1R b";
    Session session({"-xboard"}, bookFreeDirectory());
    session.send("protover 2\nnew\nforce\nusermove a0a5\nusermove h9g7\nsetboard 9/9 w\n"
                 "setboard 4k4/9/9/9/9/9/9/9/R8/4K4 w\nsetboard " + xboardFen + "\nsd 3\ngo\n");
    ASSERT_TRUE(session.waitForOutput("\nmove "));
    session.finish();
    const std::string replies = session.out().substr(0, session.out().find("\nmove ") + 1);
    EXPECT_EQ(replies, features + "Illegal move: a0a5\nIllegal move (Out of turn): h9g7\n"
                                  "tellusererror Illegal position\ntellusererror Illegal position\n");
    EXPECT_TRUE(legalIn(ours, nthMove(session.out(), 1))) << session.out();
}

TEST(XBoard, NewGameAnswersAsBlue) {
    Session session({"-xboard"}, bookFreeDirectory());
    session.send("protover 2\nnew\nforce\nusermove h2e2\nusermove h9g7\nforce\nnew\nsd 2\nusermove b2e2\n");
    ASSERT_TRUE(session.waitForOutput("\nmove "));
    session.finish();
    EXPECT_TRUE(legalIn("rheakaehr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/4C2C1/9/RHEAKAEHR b", nthMove(session.out(), 1)))
        << session.out();
}

TEST(XBoard, InterruptWhileThinking) {
    // Started bare, the program ignores the signal once it has read "xboard"; the features
    // show that it has.
    Session session({}, bookFreeDirectory());
    session.send("xboard\nprotover 2\n");
    ASSERT_TRUE(session.waitForOutput("feature done=1\n"));
    session.send("new\npost\nst 1\nusermove h2e2\n");
    ASSERT_TRUE(session.waitForOutput("\n1 "));
    session.sendSignal(SIGINT);
    ASSERT_TRUE(session.waitForOutput("\nmove ", std::chrono::seconds(10)));
    session.finish();
    EXPECT_EQ(session.exitStatus(), 0);
    EXPECT_TRUE(legalIn(afterCentralCannon, nthMove(session.out(), 1))) << session.out();
}

TEST(XBoard, LittleTimeLeftMovesFast) {
    // Half a second on the clock of a one-minute game: the move comes before it runs out,
    // however deep the search could go. The clock starts once the handshake is over.
    Session session({"-xboard"}, bookFreeDirectory());
    session.send("protover 2\nnew\nlevel 0 1 0\nping 1\n");
    ASSERT_TRUE(session.waitForOutput("pong 1\n"));
    session.send("time 50\notim 6000\nusermove h2e2\n");
    ASSERT_TRUE(session.waitForOutput("\nmove ", std::chrono::milliseconds(500)));
    session.finish();
    EXPECT_TRUE(legalIn(afterCentralCannon, nthMove(session.out(), 1)));
}

TEST(XBoard, ClassicSearchesKeepToTheMovesShare) {
    // Two minutes and two seconds a move: the move's share is some five and a half seconds.
    // A classic iteration costs several times all before it and is lost when cut short: one
    // that cannot end within the share is not begun, and none runs past it. The engine keeps
    // to it by the wall clock, so a loaded machine only makes it search less deep; the limit
    // is twice the share, and an iteration once left to run on took over sixteen seconds.
    for (const char* search : {"mtd", "negascout"}) {
        Session session({"-xboard"}, bookFreeDirectory());
        session.send(std::string("protover 2\nnew\noption Search=") + search + "\nlevel 0 2 2\npost\nping 1\n");
        ASSERT_TRUE(session.waitForOutput("pong 1\n")) << search;
        session.send("time 12000\notim 12000\ngo\n");
        EXPECT_TRUE(session.waitForOutput("\nmove ", std::chrono::seconds(11))) << search << session.out();
        session.finish();
        EXPECT_TRUE(legalIn(startPositionFen, nthMove(session.out(), 1))) << search << session.out();
    }
}

TEST(XBoard, ClaimsOnlyMateAndStalemate) {
    // A perpetual check and a chase are the front end's to judge; a stalemate (a loss for the
    // side that cannot move) and a mate are ours.
    const std::string perpetual = "setboard 4k4/9/9/9/9/9/9/9/5R3/5K3 w\nf1e1\ne9d9\ne1d1\nd9e9\nd1e1\ne9d9\ne1d1\n";
    const std::string chase = "setboard 3k5/9/9/9/6r2/9/2H6/9/9/4K4 w\nc3e4\ng5h5\ne4f6\nh5g5\nf6e4\n";
    const std::string stalemate = "setboard 3k5/9/R8/9/9/9/9/9/9/4K4 w\na7a8\n";
    const RunResult run = runProgram({"-xboard"}, "protover 2\nnew\nforce\n" + perpetual + chase + stalemate +
                                                      "setboard 5k3/9/9/9/r8/9/9/9/8r/4K4 b\na5a0\n");
    EXPECT_EQ(run.out, features + "1-0 {Blue stalemated}\n0-1 {Blue mates}\n");
}

TEST(XBoard, RefusedPositionRefusesMovesUntilTheNext) {
    // The front end's board and ours must never part: after a refused position no move is
    // played until a position is set again.
    Session session({"-xboard"}, bookFreeDirectory());
    session.send("protover 2\nnew\nsetboard 4k4/9/9/9/9/9/9/9/R8/4K4 w\nusermove h2e2\ngo\nping 1\n"
                 "new\nforce\nusermove h2e2\nresult 1-0 {resigns}\nping 2\n");
    ASSERT_TRUE(session.waitForOutput("pong 2\n"));
    session.finish();
    EXPECT_EQ(session.out(), features + "tellusererror Illegal position\nIllegal move (no position): h2e2\n"
                                        "Error (command not legal now): go\npong 1\npong 2\n");
}

}  // namespace
}  // namespace qorat::testing
