// What the xboard protocol offers beyond playing: analysis that follows the board and its
// status report, pondering and the move pondered on, the table's size and the threads, hints,
// the book, draw offers and resignation, and the faults mended in play: the depth of a front
// end's game, "?" in the same write as the move, a refused position stopping the search, "go"
// after the game's end.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "board/board.h"
#include "board/keys.h"
#include "board/move_list.h"
#include "board/notation.h"
#include "rules/lawyer.h"
#include "session.h"
#include "thinking/score.h"

namespace qorat::testing {
namespace {

const std::string afterCentralCannon = "rheakaehr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C2C4/9/RHEAKAEHR b";
const std::string afterCentralCannonAndHorse = "rheakae1r/9/1c4hc1/p1p1p1p1p/9/9/P1P1P1P1P/1C2C4/9/RHEAKAEHR r";

// The thinking lines of the output after the text: their depths and first moves.
struct Thinking {
    int depth;
    std::string first;
};
std::vector<Thinking> thinkingAfter(const std::string& out, const std::string& text) {
    const std::size_t start = out.find(text);
    std::istringstream lines(start == std::string::npos ? "" : out.substr(start + text.size()));
    std::vector<Thinking> found;
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        int depth = 0, score = 0;
        long long time = 0, nodes = 0;
        std::string first;
        if (fields >> depth >> score >> time >> nodes >> first) found.push_back({depth, first});
    }
    return found;
}

// The reply the engine expects, as its "Hint:" line before pondering names it.
std::string expectedReply(const std::string& out) {
    const std::size_t at = out.find("\nHint: ");
    if (at == std::string::npos) return "";
    const std::size_t start = at + std::string("\nHint: ").size();
    return out.substr(start, out.find('\n', start) - start);
}

// The move of the last "move " line, or "".
std::string lastMove(const std::string& out) {
    const std::size_t at = out.rfind("\nmove ");
    return at == std::string::npos ? "" : out.substr(at + 6, 4);
}

// Our FEN text of the position after the moves.
std::string positionAfter(const std::string& fen, const std::vector<std::string>& moves) {
    fillKeyTables(1);
    Board board;
    board.setFen(fen);
    for (const std::string& text : moves) {
        Move m = parseMove(text);
        board.makeMove(m);
    }
    return board.toFen();
}

int legalMoveCount(const std::string& fen) {
    fillKeyTables(1);
    Board board;
    Lawyer lawyer(board);
    board.addObserver(&lawyer);
    board.setFen(fen);
    MoveList moves;
    lawyer.generateMoves(moves, true);
    return static_cast<int>(moves.size());
}

// The first "stat01:" line of the output after the text: time, nodes, depth, moves left and
// the root moves in all; -1 where it has none.
struct Status {
    long long centiseconds = -1;
    long long nodes = -1;
    int depth = -1;
    int left = -1;
    int total = -1;
};
Status statusAfter(const std::string& out, const std::string& text) {
    const std::size_t start = out.find(text);
    const std::size_t at = start == std::string::npos ? start : out.find("stat01: ", start);
    Status status;
    if (at == std::string::npos) return status;
    std::istringstream fields(out.substr(at + 8));
    fields >> status.centiseconds >> status.nodes >> status.depth >> status.left >> status.total;
    return status;
}

// Material for a draw offer: Blue without its rooks, Red with one, both sides' pawns and
// guards in place, so that no search sees a mate; and the same without Red's rook.
const std::string blueRookDown = "3akae2/9/9/p1p1p1p1p/9/9/P1P1P1P1P/9/R8/3AKAE2";
const std::string levelPosition = "3akae2/9/9/p1p1p1p1p/9/9/P1P1P1P1P/9/9/3AKAE2";

TEST(XBoardEngine, AnalysisFollowsTheBoard) {
    // Each pong marks where the board changed: the lines after it are of the new position.
    Session session({"-xboard"}, bookFreeDirectory());
    session.send("protover 2\nnew\nforce\nanalyze\n");
    ASSERT_TRUE(session.waitForOutput("\n3 "));
    session.send("usermove h2e2\nping 1\n");
    ASSERT_TRUE(session.waitForOutput("pong 1\n"));
    ASSERT_TRUE(session.waitForOutput("\n3 ", std::chrono::seconds(20), 2));
    session.send(".\nundo\nping 2\n");
    ASSERT_TRUE(session.waitForOutput("pong 2\n"));
    ASSERT_TRUE(session.waitForOutput("\n3 ", std::chrono::seconds(20), 3));
    // A new game keeps the analysis going, and the computer plays neither side.
    session.send("new\nusermove h2e2\nping 3\n");
    ASSERT_TRUE(session.waitForOutput("pong 3\n"));
    const std::string upToPong = session.out().substr(0, session.out().find("pong 3\n"));
    ASSERT_TRUE(session.waitForOutput("\n3 ", std::chrono::seconds(20), occurrences(upToPong, "\n3 ") + 1));
    session.send("exit\nping 4\n");
    ASSERT_TRUE(session.waitForOutput("pong 4\n"));
    session.finish();
    const std::string out = session.out();
    const std::vector<Thinking> newGame = thinkingAfter(out.substr(0, out.find("pong 4\n")), "pong 3\n");
    ASSERT_GE(newGame.size(), 3u) << out;
    for (const Thinking& t : newGame) EXPECT_TRUE(legalIn(afterCentralCannon, t.first)) << t.first;
    const std::string afterMove = out.substr(out.find("pong 1\n"), out.find("pong 2\n") - out.find("pong 1\n"));
    const std::vector<Thinking> moved = thinkingAfter(afterMove, "pong 1\n");
    ASSERT_GE(moved.size(), 3u) << out;
    EXPECT_EQ(moved.front().depth, 1);
    for (const Thinking& t : moved) EXPECT_TRUE(legalIn(afterCentralCannon, t.first)) << t.first;
    const std::vector<Thinking> takenBack = thinkingAfter(out.substr(0, out.find("pong 3\n")), "pong 2\n");
    ASSERT_GE(takenBack.size(), 3u) << out;
    for (const Thinking& t : takenBack) EXPECT_TRUE(legalIn(startPositionFen, t.first)) << t.first;
    // A status line on request; nothing played or claimed while analysing.
    EXPECT_NE(out.find("stat01: "), std::string::npos);
    EXPECT_EQ(out.find("move "), std::string::npos) << out;
}

TEST(XBoardEngine, AnalysisOfAMatedSideSaysSo) {
    // One thinking line at depth 0 with the mate, not a hundred depths of nothing.
    Session session({"-xboard"}, bookFreeDirectory());
    session.send("protover 2\nsetboard 3k5/3R5/3R5/9/9/9/9/9/9/4K4 b\nanalyze\n");
    ASSERT_TRUE(session.waitForOutput("\n0 -100000 ")) << session.out();
    session.send("exit\nping 1\n");
    ASSERT_TRUE(session.waitForOutput("pong 1\n"));
    session.finish();
    const std::string out = session.out();
    const std::string after = out.substr(out.find("feature done=1\n") + 15);
    // The time in centiseconds may be more than nothing on a slow machine.
    const std::size_t time = after.find("0 -100000 ") + 10;
    EXPECT_EQ(after.substr(0, time), "1-0 {Red mates}\n0 -100000 ") << out;
    EXPECT_EQ(after.substr(after.find(' ', time)), " 0\npong 1\n") << out;
}

TEST(XBoardEngine, StatusTellsTheSearchAsItStands) {
    // Mate in one: the analysis soon completes its deepest iteration and waits, its last
    // thinking line growing old while the analysis goes on.
    const std::string mateInOne = "3k5/9/9/9/9/9/9/9/R8/4K4";
    Session session({"-xboard"}, bookFreeDirectory());
    session.send("protover 2\nnew\nforce\nsetboard " + mateInOne + " w\nanalyze\n");
    ASSERT_TRUE(session.waitForOutput("\n" + std::to_string(MaxPly - 1) + " "));
    const auto seen = std::chrono::steady_clock::now();
    usleep(1000000);
    const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - seen);
    session.send(".\nping 1\n");
    ASSERT_TRUE(session.waitForOutput("pong 1\n"));
    // The moves left to search, then all the root moves, the excluded ones left out.
    session.send("exclude a1d1\nping 2\n");
    ASSERT_TRUE(session.waitForOutput("pong 2\n"));
    ASSERT_TRUE(session.waitForOutput("\n3 ", std::chrono::seconds(20), 2));
    session.send(".\nping 3\n");
    ASSERT_TRUE(session.waitForOutput("pong 3\n"));
    session.send("exit\n");
    session.finish();
    const int legal = legalMoveCount(mateInOne + " r");
    // The time is the analysis's own until the question, at least the wait since its last line.
    const Status done = statusAfter(session.out(), "feature done=1\n");
    EXPECT_GE(done.centiseconds, waited.count() / 10) << session.out();
    EXPECT_GT(done.nodes, 0);
    EXPECT_EQ(done.depth, MaxPly - 1);
    EXPECT_EQ(done.left, 0);
    EXPECT_EQ(done.total, legal);
    const Status searching = statusAfter(session.out(), "pong 2\n");
    EXPECT_GE(searching.depth, 3) << session.out();
    EXPECT_GE(searching.left, 0);
    EXPECT_LE(searching.left, searching.total);
    EXPECT_EQ(searching.total, legal - 1);
}

TEST(XBoardEngine, ExcludedMovesAreNotAnalysed) {
    Session session({"-xboard"}, bookFreeDirectory());
    session.send("protover 2\nnew\nforce\nusermove h2e2\nanalyze\n");
    ASSERT_TRUE(session.waitForOutput("\n4 "));
    const std::string best = thinkingAfter(session.out(), "feature done=1\n").back().first;
    session.send("exclude " + best + "\nping 1\n");
    ASSERT_TRUE(session.waitForOutput("pong 1\n"));
    ASSERT_TRUE(session.waitForOutput("\n4 ", std::chrono::seconds(20), 2));
    // Every move excluded: nothing is analysed until one comes back.
    session.send("exclude all\nping 2\n");
    ASSERT_TRUE(session.waitForOutput("pong 2\n"));
    usleep(300000);
    session.send("include " + best + "\nping 3\n");
    ASSERT_TRUE(session.waitForOutput("pong 3\n"));
    ASSERT_TRUE(session.waitForOutput("\n4 ", std::chrono::seconds(20), 3));
    session.send("exit\n");
    session.finish();
    const std::string out = session.out();
    for (const Thinking& t : thinkingAfter(out.substr(0, out.find("pong 2\n")), "pong 1\n")) {
        EXPECT_NE(t.first, best) << out;
        EXPECT_TRUE(legalIn(afterCentralCannon, t.first)) << t.first;
    }
    EXPECT_TRUE(thinkingAfter(out.substr(0, out.find("pong 3\n")), "pong 2\n").empty()) << out;
    for (const Thinking& t : thinkingAfter(out, "pong 3\n")) EXPECT_EQ(t.first, best) << out;
}

TEST(XBoardEngine, PondersOnTheExpectedReply) {
    Session session({"-xboard"}, bookFreeDirectory());
    session.send("protover 2\nnew\nhard\npost\nmemory 16\ncores 2\nst 1\nusermove h2e2\n");
    ASSERT_TRUE(session.waitForOutput("\nmove "));
    const std::string reply = lastMove(session.out());
    EXPECT_TRUE(legalIn(afterCentralCannon, reply)) << session.out();
    // With nothing sent, the engine goes on thinking: on the position after the reply it expects.
    const std::string afterMove = "\nmove " + reply + "\n";
    ASSERT_TRUE(session.waitForOutput("\n3 ", std::chrono::seconds(20), 2)) << session.out();
    const std::vector<Thinking> pondering = thinkingAfter(session.out(), afterMove);
    ASSERT_FALSE(pondering.empty()) << session.out();
    // The reply it expected is played: it moves on what it has found.
    session.send("usermove " + expectedReply(session.out()) + "\nping 1\n");
    ASSERT_TRUE(session.waitForOutput("pong 1\n", std::chrono::seconds(20)));
    session.finish();
    EXPECT_EQ(session.out().find("Error"), std::string::npos) << session.out();
    EXPECT_NE(session.out().find("\nmove ", session.out().find(afterMove) + 1), std::string::npos) << session.out();
}

TEST(XBoardEngine, GoDuringAnalysisHoldsNoPing) {
    // Analysis plays no side: a "go" in it waits for "exit", and a ping is answered at once
    // rather than held for a move that never comes.
    Session session({"-xboard"}, bookFreeDirectory());
    session.send("protover 2\nnew\nanalyze\ngo\n?\nping 1\n");
    EXPECT_TRUE(session.waitForOutput("pong 1\n")) << session.out();
    session.send("exit\nquit\n");
    EXPECT_TRUE(session.finish());
}

TEST(XBoardEngine, SettingsChangedWhileThinkingWaitForTheMove) {
    // The table's size, the threads and the table's use changed as the search begins: the
    // move still comes from the full depth, not from a search cut short.
    Session session({"-xboard"}, bookFreeDirectory());
    session.send("protover 2\nnew\npost\nsd 13\nusermove h2e2\n");
    ASSERT_TRUE(session.waitForOutput("feature done=1\n1 "));
    session.send("memory 16\ncores 2\noption Hash table=1\n");
    ASSERT_TRUE(session.waitForOutput("\nmove ", std::chrono::seconds(60)));
    session.finish();
    const std::string out = session.out();
    const std::vector<Thinking> lines = thinkingAfter(out.substr(0, out.find("\nmove ")), "feature done=1\n");
    ASSERT_FALSE(lines.empty()) << out;
    EXPECT_EQ(lines.back().depth, 13) << out;
}

TEST(XBoardEngine, PonderingShowsTheMovePonderedOn) {
    // The front end learns the move pondered on from a hint, and reads each thinking line from
    // the position before that move.
    Session session({"-xboard"}, bookFreeDirectory());
    session.send("protover 2\nnew\nhard\npost\nst 1\nusermove h2e2\n");
    ASSERT_TRUE(session.waitForOutput("\nmove "));
    ASSERT_TRUE(session.waitForOutput("\nHint: ")) << session.out();
    ASSERT_TRUE(session.waitForOutput("\n3 ", std::chrono::seconds(20), 2)) << session.out();
    const std::string out = session.out();
    const std::string played = lastMove(out);
    const std::size_t hintAt = out.find("\nHint: ");
    const std::string guess = out.substr(hintAt + 7, 4);
    EXPECT_EQ(out.substr(out.rfind("\nmove "), hintAt - out.rfind("\nmove ")), "\nmove " + played) << out;
    EXPECT_TRUE(legalIn(positionAfter(afterCentralCannon, {played}), guess)) << out;
    const std::vector<Thinking> pondering = thinkingAfter(out, "\nHint: " + guess + "\n");
    ASSERT_FALSE(pondering.empty()) << out;
    for (const Thinking& t : pondering) EXPECT_EQ(t.first, guess) << out;
    session.send("usermove " + guess + "\nping 1\n");
    ASSERT_TRUE(session.waitForOutput("pong 1\n"));
    session.finish();
    EXPECT_TRUE(legalIn(positionAfter(afterCentralCannon, {played, guess}), lastMove(session.out()))) << session.out();
}

TEST(XBoardEngine, FrontEndGamesSearchPastSixPlies) {
    // No "new": the depth of the console's default game does not hold under the protocol.
    Session session({"-xboard"}, bookFreeDirectory());
    session.send("protover 2\npost\nst 3\nusermove h2e2\n");
    ASSERT_TRUE(session.waitForOutput("\nmove ", std::chrono::seconds(20)));
    session.finish();
    int deepest = 0;
    for (const Thinking& t : thinkingAfter(session.out(), "feature done=1\n")) deepest = std::max(deepest, t.depth);
    EXPECT_GT(deepest, 6) << session.out();
}

TEST(XBoardEngine, MoveNowInTheSameWriteAsTheMove) {
    // Thirty seconds a move, but "?" came with the move: the answer comes at once.
    Session session({"-xboard"}, bookFreeDirectory());
    session.send("protover 2\nnew\nst 30\nusermove h2e2\n?\n");
    ASSERT_TRUE(session.waitForOutput("\nmove ", std::chrono::seconds(10)));
    session.finish();
    EXPECT_TRUE(legalIn(afterCentralCannon, lastMove(session.out()))) << session.out();
}

TEST(XBoardEngine, RefusedPositionStopsTheSearch) {
    Session session({"-xboard"}, bookFreeDirectory());
    session.send("protover 2\nnew\nst 30\nusermove h2e2\n");
    usleep(300000);
    session.send("setboard 9/9 w\nping 1\n");
    ASSERT_TRUE(session.waitForOutput("pong 1\n", std::chrono::seconds(5)));
    usleep(300000);
    session.send("go\nping 2\n");
    ASSERT_TRUE(session.waitForOutput("pong 2\n", std::chrono::seconds(5)));
    session.finish();
    const std::string out = session.out();
    EXPECT_EQ(out.find("move "), std::string::npos) << out;
    EXPECT_NE(out.find("tellusererror Illegal position\npong 1\nError (command not legal now): go\npong 2\n"),
              std::string::npos)
        << out;
}

TEST(XBoardEngine, NoMoveAfterTheResult) {
    const RunResult run = runProgram({"-xboard"}, "protover 2\nnew\nforce\nusermove h2e2\nresult 1-0 {adjudicated}\ngo\nping 1\n",
                                     bookFreeDirectory());
    EXPECT_NE(run.out.find("Error (command not legal now): go\npong 1\n"), std::string::npos) << run.out;
}

TEST(XBoardEngine, HintBookAndDrawOffers) {
    const std::string folder = bookFreeDirectory() + "/hint-book";
    std::filesystem::create_directories(folder);
    const std::string book = folder + "/book.dat";
    std::ofstream(book) << afterCentralCannon << ":h9g7 h9g7 b9c7 h7e7\n";
    Session session({"-xboard"}, bookFreeDirectory());
    session.send("protover 2\nnew\noption Book file=" + book + "\nforce\nusermove h2e2\nbk\nhint\nping 1\n");
    ASSERT_TRUE(session.waitForOutput("pong 1\n"));
    EXPECT_NE(session.out().find("option=\"Book file -file \"\n"), std::string::npos);
    EXPECT_NE(session.out().find(" h9g7 50%\n b9c7 25%\n h7e7 25%\n\nHint: h9g7\npong 1\n"), std::string::npos)
        << session.out();

    // A rook down, the engine takes a draw offered; level, it plays on.
    session.send("protover 2\nnew\nsd 3\nsetboard 3k5/9/9/9/9/9/9/9/R8/4K4 b\ngo\n");
    ASSERT_TRUE(session.waitForOutput("\nmove ", std::chrono::seconds(20)));
    session.send("draw\nping 2\n");
    ASSERT_TRUE(session.waitForOutput("pong 2\n"));
    EXPECT_NE(session.out().find("offer draw\npong 2\n"), std::string::npos) << session.out();
    // The book file shown is the one in use.
    EXPECT_NE(session.out().find("option=\"Book file -file " + book + "\"\n"), std::string::npos);
    session.finish();
}

TEST(XBoardEngine, DrawOffersInAFreshPosition) {
    // Nothing has searched the position set: a short search judges the offer, whichever
    // search plays the game.
    struct Case {
        const char* search;
        std::string position;
        bool taken;
    };
    const Case cases[] = {
        {"pvs", blueRookDown, true},
        {"mtd", blueRookDown, true},
        {"pvs", levelPosition, false},
        {"negascout", levelPosition, false},
    };
    for (const Case& c : cases) {
        const RunResult run = runProgram({"-xboard"}, std::string("protover 2\nnew\noption Search=") + c.search +
                                                          "\nsetboard " + c.position + " w\ndraw\nping 1\n");
        const std::size_t pong = run.out.find("pong 1\n");
        ASSERT_NE(pong, std::string::npos) << c.search << run.out;
        EXPECT_EQ(run.out.find("offer draw\n") != std::string::npos, c.taken) << c.search << run.out;
        // The answer comes at once, before the ping that followed the offer.
        if (c.taken) {
            EXPECT_NE(run.out.find("offer draw\npong 1\n"), std::string::npos) << c.search << run.out;
        }
    }
}

TEST(XBoardEngine, DrawOffersDuringTheSearch) {
    // The engine thinks about its move, a rook down: the search under way judges the offer.
    for (const char* search : {"pvs", "mtd"}) {
        Session session({"-xboard"}, bookFreeDirectory());
        session.send(std::string("protover 2\nnew\noption Search=") + search + "\npost\nst 30\nsetboard " +
                     blueRookDown + " b\n");
        ASSERT_TRUE(session.waitForOutput("\n2 ")) << search << session.out();
        session.send("draw\n");
        EXPECT_TRUE(session.waitForOutput("offer draw\n", std::chrono::seconds(10))) << search << session.out();
        session.send("?\n");
        ASSERT_TRUE(session.waitForOutput("\nmove ")) << search;
        session.finish();
        EXPECT_TRUE(legalIn(blueRookDown + " b", lastMove(session.out()))) << search << session.out();
    }
}

TEST(XBoardEngine, AnalysisSaysWhenAClassicSearchIsChosen) {
    // Analysis always uses the modern search; a classic one chosen, before or during the
    // analysis, is named so that nobody reads the lines as its own.
    struct Case {
        const char* commands;
        const char* told;
    };
    const Case cases[] = {
        {"option Search=mtd\nanalyze\n", "telluser Analysis uses the pvs search; mtd plays only in games\n"},
        {"analyze\noption Search=alphabeta\n", "telluser Analysis uses the pvs search; alphabeta plays only in games\n"},
        {"option Search=negascout\nforce\n", ""},
        {"option Search=pvs\nanalyze\n", ""},
    };
    for (const Case& c : cases) {
        const RunResult run = runProgram({"-xboard"}, std::string("protover 2\nnew\nforce\n") + c.commands + "ping 1\nexit\n");
        const std::string upToPong = run.out.substr(0, run.out.find("pong 1\n"));
        EXPECT_EQ(occurrences(upToPong, "telluser"), *c.told ? 1 : 0) << c.commands << run.out;
        if (*c.told) {
            EXPECT_NE(upToPong.find(c.told), std::string::npos) << c.commands << run.out;
        }
    }
}

TEST(XBoardEngine, MemoryIsTheOneTableSetting) {
    // xboard sends "memory" before every game: a size of the engine's own in its settings
    // would not hold, so none is offered, and "memory" sizes the table across games.
    Session session({"-xboard"}, bookFreeDirectory(), false, 256);
    session.send("protover 2\nmemory 64\nnew\nmemory 1024\nping 1\n");
    ASSERT_TRUE(session.waitForOutput("pong 1\n", std::chrono::seconds(5)));
    session.finish();
    const std::string out = session.out();
    EXPECT_NE(out.find(" memory=1 "), std::string::npos) << out;
    EXPECT_EQ(out.find("Hash size"), std::string::npos) << out;
    EXPECT_NE(out.find("tellusererror Not enough memory for a 1024 MB table; it keeps its 64 MB\npong 1\n"),
              std::string::npos)
        << out;
}

TEST(XBoardEngine, ResignsWhenLostIfAllowed) {
    Session session({"-xboard"}, bookFreeDirectory());
    session.send("protover 2\nnew\noption Resign=1\nsd 3\nforce\nsetboard 3k5/9/9/9/9/9/9/9/RR7/4K4 b\ngo\n");
    ASSERT_TRUE(session.waitForOutput("\nmove "));
    for (int i = 0; i < 3 && session.out().find("resign\n") == std::string::npos; ++i) {
        // The rook walks on, so that no position repeats and no draw is in sight.
        const std::string reply = "a" + std::to_string(i + 1) + "a" + std::to_string(i + 2);
        session.send("usermove " + reply + "\nping " + std::to_string(i) + "\n");
        ASSERT_TRUE(session.waitForOutput("pong " + std::to_string(i) + "\n")) << session.out();
    }
    session.finish();
    EXPECT_NE(session.out().find("resign\n"), std::string::npos) << session.out();
}

}  // namespace
}  // namespace qorat::testing
