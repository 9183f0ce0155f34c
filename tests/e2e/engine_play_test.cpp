// The computer's turn end to end: its answers at the console and through cxboard, moving
// at once on "?", playing without time, and the post lines.
#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>
#include <memory>
#include <sstream>

#include "board/keys.h"
#include "board/notation.h"
#include "rules/lawyer.h"
#include "session.h"
#include "transcript.h"

namespace qorat::testing {
namespace {

const std::string afterCentralCannon = "rheakaehr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C2C4/9/RHEAKAEHR b";

// The four characters after the first occurrence of the prefix, when the suffix follows them.
std::string moveAfter(const std::string& text, const std::string& prefix, const std::string& suffix) {
    const std::size_t at = text.find(prefix);
    if (at == std::string::npos || text.compare(at + prefix.size() + 4, suffix.size(), suffix) != 0) return "";
    return text.substr(at + prefix.size(), 4);
}

std::vector<std::string> split(const std::string& line, char separator) {
    std::vector<std::string> fields;
    std::istringstream in(line);
    std::string field;
    while (std::getline(in, field, separator)) fields.push_back(field);
    return fields;
}

bool isNumber(const std::string& text) {
    const std::size_t start = !text.empty() && text[0] == '-' ? 1 : 0;
    return text.size() > start && text.find_first_not_of("0123456789", start) == std::string::npos;
}

TEST(EnginePlay, AnswersAtTheConsole) {
    Session session({"-nobook"}, bookFreeDirectory());
    session.send("sd 3\nh2e2\n");
    // The start, "sd", the move and the computer's reply each end with a prompt.
    ASSERT_TRUE(session.waitForOutput(prompt, std::chrono::seconds(30), 4));
    session.finish();
    Transcript expected;
    expected.reply("").move("h2e2");
    ASSERT_EQ(session.out().substr(0, expected.text.size()), expected.text);
    const std::string reply = moveAfter(session.out(), "    ... ", "\n\n");
    ASSERT_TRUE(legalIn(afterCentralCannon, reply)) << reply;
    Transcript full = expected;
    full.board.setFen(afterCentralCannon);
    full.move(reply);
    EXPECT_EQ(session.out(), full.text);
    EXPECT_EQ(session.exitStatus(), 0);
}

TEST(EnginePlay, AnswersThroughCxboard) {
    Session session({"-cxboard", "-nobook"}, bookFreeDirectory());
    session.send("sd 3\nh2e2\n");
    ASSERT_TRUE(session.waitForOutput("\n", std::chrono::seconds(30)));
    session.finish();
    const std::string reply = moveAfter(session.out(), "move ", "\n");
    ASSERT_TRUE(legalIn(afterCentralCannon, reply)) << session.out();
    EXPECT_EQ(session.err(), std::string(noBookMessages) + "engine move: " + reply + "\n");
}

TEST(EnginePlay, QuestionMarkMovesAtOnce) {
    // Forty plies would take far longer than any wait here; "?" makes the computer move on
    // what it has, whether it comes while the search runs or before it has begun: sent with
    // the move, it is read before the computer starts to think.
    struct Case {
        std::vector<std::string> args;
        std::string setup;
        bool pause;
        const char* move;
    };
    const Case cases[] = {
        {{"-cxboard", "-nobook"}, "sd 40\n", true, "move "},
        {{"-cxboard", "-nobook"}, "sd 40\n", false, "move "},
        {{"-nobook"}, "sd 40\n", false, "    ... "},
        // Under xboard the classic searches think the same way.
        {{"-xboard"}, "protover 2\nnew\noption Search=mtd\nsd 40\nusermove ", false, "\nmove "},
    };
    for (const Case& c : cases) {
        Session session(c.args, bookFreeDirectory());
        if (c.pause) {
            session.send(c.setup + "h2e2\n");
            usleep(300000);
            EXPECT_EQ(session.out(), "");
            session.send("?\n");
        } else {
            session.send(c.setup + "h2e2\n?\n");
        }
        ASSERT_TRUE(session.waitForOutput(c.move, std::chrono::seconds(10))) << c.setup << session.out();
        // The move's line comes whole; the rest arrives by the exit.
        session.finish();
        const std::string out = session.out();
        const std::string reply = out.substr(out.find(c.move) + std::string(c.move).size(), 4);
        EXPECT_TRUE(legalIn(afterCentralCannon, reply)) << c.setup << out;
    }
}

TEST(EnginePlay, NoTimeStillGivesAMove) {
    Session session({"-cxboard", "-nobook"}, bookFreeDirectory());
    session.send("st 1\nh2e2\n");
    ASSERT_TRUE(session.waitForOutput("\n", std::chrono::seconds(10)));
    session.finish();
    EXPECT_TRUE(legalIn(afterCentralCannon, moveAfter(session.out(), "move ", "\n")))
        << session.out();
}

TEST(EnginePlay, PostLinesForEveryDepth) {
    Session session({"-cxboard", "-nobook"}, bookFreeDirectory());
    session.send("post\nsd 4\nh2e2\n");
    ASSERT_TRUE(session.waitForOutput("move ", std::chrono::seconds(30)));
    ASSERT_TRUE(session.waitForOutput("\n", std::chrono::seconds(5)));
    session.finish();
    std::istringstream lines(session.out());
    std::string line;
    for (int depth = 1; depth <= 4; ++depth) {
        ASSERT_TRUE(std::getline(lines, line));
        const std::vector<std::string> fields = split(line, '\t');
        ASSERT_EQ(fields.size(), 5u) << line;
        EXPECT_EQ(fields[0], std::to_string(depth)) << line;
        for (int i = 1; i < 4; ++i) EXPECT_TRUE(isNumber(fields[i])) << line;
        const std::vector<std::string> moves = split(fields[4], ' ');
        ASSERT_FALSE(moves.empty()) << line;
        for (std::size_t i = 0; i + 1 < moves.size(); ++i) EXPECT_EQ(moves[i].size(), 4u) << line;
    }
    ASSERT_TRUE(std::getline(lines, line));
    EXPECT_EQ(line.substr(0, 5), "move ");
}

TEST(EnginePlay, RepeatedSearchShowsTableCuts) {
    // The same position searched again meets its own table entries, and a line that ends in
    // one is marked as such.
    setenv("QORAT_SEED", "1", 1);
    Session session({"-cxboard", "-nobook"}, bookFreeDirectory());
    unsetenv("QORAT_SEED");
    session.send("post\nsd 4\nh2e2\n");
    ASSERT_TRUE(session.waitForOutput("move ", std::chrono::seconds(30)));
    session.send("remove\nh2e2\n");
    ASSERT_TRUE(session.waitForOutput("move ", std::chrono::seconds(30), 2));
    session.finish();
    const std::string second = session.out().substr(session.out().find("move ") + 10);
    EXPECT_NE(second.find(" {HT}\n"), std::string::npos) << second;
}

TEST(EnginePlay, BookMoveIsPlayedSilently) {
    const std::string directory = bookFreeDirectory() + "/with-book";
    ASSERT_EQ(system(("mkdir -p " + directory).c_str()), 0);
    {
        std::ofstream book(directory + "/book.dat");
        book << afterCentralCannon << ":h9g7\n";
    }
    Session session({"-cxboard"}, directory);
    session.send("post\nh2e2\n");
    ASSERT_TRUE(session.waitForOutput("\n", std::chrono::seconds(10)));
    session.finish();
    EXPECT_EQ(session.out(), "move h9g7\n");
}

TEST(EnginePlay, InputClosedWhileThinking) {
    Session session({"-cxboard", "-nobook"}, bookFreeDirectory());
    session.send("sd 40\nh2e2\n");
    usleep(200000);
    ASSERT_TRUE(session.finish(std::chrono::seconds(10)));
    EXPECT_EQ(session.exitStatus(), 0);
    EXPECT_EQ(session.out(), "");
}

TEST(EnginePlay, DepthBelowOneStillMoves) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"-nobook"}, "sd 0\n"}, {{"-nobook"}, "sd x\n"}, {{"-nobook"}, "sd -2\n"}, {{"-nobook", "-depth", "0"}, ""}};
    std::vector<std::unique_ptr<Session>> sessions;
    for (const auto& [args, command] : cases) {
        sessions.push_back(std::make_unique<Session>(args, bookFreeDirectory()));
        sessions.back()->send(command + "h2e2\n");
    }
    for (auto& s : sessions) {
        EXPECT_TRUE(s->waitForOutput("    ... ", std::chrono::seconds(20))) << s->out();
        s->finish();
        EXPECT_TRUE(legalIn(afterCentralCannon, moveAfter(s->out(), "    ... ", "\n\n"))) << s->out();
    }
}

TEST(EnginePlay, OneDeepSearchKeepsToTheClock) {
    // Without iterations the one deep search cannot finish in time; the computer still
    // moves within its budget and does not lose on time.
    Session session({"-nobook"}, bookFreeDirectory());
    session.send("st 2\nsd 9\nset iterative off\nh2e2\n");
    ASSERT_TRUE(session.waitForOutput("    ... ", std::chrono::seconds(8))) << session.out();
    session.finish();
    EXPECT_TRUE(legalIn(afterCentralCannon, moveAfter(session.out(), "    ... ", "\n\n"))) << session.out();
    EXPECT_EQ(session.out().find("runs out of time"), std::string::npos);
}

TEST(EnginePlay, ModernSearchUsesMostOfItsSeconds) {
    // "st 2" with a depth it cannot reach: the modern search thinks for most of the two
    // seconds, measured to the millisecond, and moves before they are up.
    Session session({"-cxboard", "-nobook"}, bookFreeDirectory());
    // The time counts from the move, sent once the program has answered the lines before it,
    // however slow it is to start.
    session.send("set search pvs\nsd 60\nst 2\nready?\n");
    ASSERT_TRUE(session.waitForOutput("Error (unknown command): ready?\n"));
    session.send("h2e2\n");
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(session.waitForOutput("move ", std::chrono::seconds(10)));
    const auto thought = std::chrono::steady_clock::now() - start;
    session.finish();
    EXPECT_GT(thought, std::chrono::milliseconds(1500));
    EXPECT_LT(thought, std::chrono::milliseconds(3500));
    EXPECT_TRUE(legalIn(afterCentralCannon, moveAfter(session.out(), "move ", "\n"))) << session.out();
}

}  // namespace
}  // namespace qorat::testing
