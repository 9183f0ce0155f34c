// How games end through the main loop, and how the controller follows its options.
#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>
#include <memory>
#include <vector>

#include "session.h"
#include "transcript.h"

namespace qorat::testing {
namespace {

// Sets the position in force mode, plays the moves, and expects the result line after them.
void expectEnding(const char* fen, std::initializer_list<const char*> moves, const char* result) {
    std::string input = "force\nsetboard " + std::string(fen) + "\n";
    Transcript expected;
    expected.reply("").setPosition(fen);
    for (const char* m : moves) {
        input += std::string(m) + "\n";
        expected.move(m);
    }
    expected.result(result);
    EXPECT_EQ(runProgram({}, input).out, expected.text) << result;
}

TEST(GameEnd, ResultLines) {
    expectEnding("3k5/9/9/9/4R4/9/9/9/9/R4K3 r", {"a0a8"}, "1-0 {Blue stalemated}\n");
    expectEnding("5k3/9/9/9/r8/9/9/9/8r/4K4 b", {"a5a0"}, "0-1 {Blue mates}\n");
    expectEnding("3k5/9/9/9/6r2/9/2H6/9/9/4K4 r", {"c3e4", "g5h5", "e4f6", "h5g5", "f6e4"}, "0-1 {Perpetual Chase}\n");
}

TEST(GameEnd, ClockOptions) {
    // A negative time runs both clocks out at once; Red's is looked at first.
    EXPECT_EQ(runProgram({}, "st -5\n").out, Transcript().reply("").result("0-1 {Red runs out of time}\n").text);
    // A time that is no number changes nothing.
    Transcript expected;
    expected.reply("").reply("").move("h2e2");
    EXPECT_EQ(runProgram({}, "st x\nforce\nh2e2\n").out, expected.text);
}

TEST(GameEnd, ComputerColourValuesOtherThanOneLetter) {
    for (const char* value : {"rb", "red", "n"}) {
        Transcript expected;
        expected.reply("").move("h2e2").move("h9g7");
        EXPECT_EQ(runProgram({}, std::string("set computerColor ") + value + "\nh2e2\nh9g7\n").out, expected.text) << value;
    }
}

TEST(GameEnd, UnknownInterfaceValueLeavesTheFrontEndState) {
    // The controller leaves cxboard mode, so human moves are echoed again, through the
    // front end's state, on both streams.
    const RunResult run = runProgram({"-cxboard"}, "force\nset interface console\nh2e2\n");
    EXPECT_EQ(run.out, "move h2e2\n");
    EXPECT_EQ(run.err, std::string(noBookMessages) + "engine move: h2e2\n");
}

TEST(GameEnd, ComputerPlayingRedMovesFirst) {
    Session session({"-red", "-cxboard", "-nobook", "-depth", "2"}, bookFreeDirectory());
    ASSERT_TRUE(session.waitForOutput("\n", std::chrono::seconds(20)));
    session.finish();
    ASSERT_EQ(session.out().substr(0, 5), "move ");
    EXPECT_EQ(session.out().size(), 10u);
}

TEST(GameEnd, BookUseAndItsFallbacks) {
    const std::string directory = bookFreeDirectory() + "/illegal-book";
    ASSERT_EQ(system(("mkdir -p " + directory).c_str()), 0);
    std::ofstream(directory + "/book.dat") << startPositionFen << ":a0a5\n"
                                           << "rheakaehr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C2C4/9/RHEAKAEHR b:i9i8\n";
    // An illegal book move falls through to the search.
    Session red({"-red", "-cxboard", "-depth", "2"}, directory);
    ASSERT_TRUE(red.waitForOutput("\n", std::chrono::seconds(20)));
    red.finish();
    EXPECT_EQ(red.out().substr(0, 5), "move ");
    EXPECT_NE(red.out(), "move a0a5\n");
    // With the book switched off the search runs and posts, though the book holds the position.
    Session blue({"-cxboard", "-nobook"}, directory);
    blue.send("post\nsd 2\nh2e2\n");
    ASSERT_TRUE(blue.waitForOutput("move ", std::chrono::seconds(20)));
    blue.finish();
    EXPECT_EQ(blue.out().substr(0, 2), "1\t");
    EXPECT_EQ(blue.out().find("move i9i8"), std::string::npos);
}

TEST(GameEnd, OnlyTimeUsedInThisGameIsCharged) {
    // Each case idles past a one-second control, then moves at once: a new game, a set
    // position, a takeback or no limit at all ("st 0") leaves nothing to lose on time.
    struct Case {
        const char* before;
        const char* after;
        bool lost;
    };
    const Case cases[] = {
        {"force\nst 1\n", "h2e2\n", true},
        {"force\nst 1\nh2e2\n", "new\nh2e2\n", false},
        {"force\nst 1\nh2e2\n", "setboard rheakaehr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RHEAKAEHR r\nh2e2\n", false},
        {"force\nst 1\nh2e2\n", "undo\nh2e2\n", false},
        {"force\nst 1\nh2e2\nh9g7\n", "remove\nh2e2\n", false},
        {"force\nst 0\n", "h2e2\n", false},
    };
    std::vector<std::unique_ptr<Session>> sessions;
    for (const Case& c : cases) {
        sessions.push_back(std::make_unique<Session>(std::vector<std::string>{}, bookFreeDirectory()));
        sessions.back()->send(c.before);
    }
    // The idle time counts from the prompts after the first lines, however slow the programs
    // are to start: past two whole seconds the one-second control has run out. The lines
    // sent next come in one write, well within a second of each other.
    for (std::size_t i = 0; i < sessions.size(); ++i) {
        const int prompts = 1 + occurrences(cases[i].before, "\n");
        ASSERT_TRUE(sessions[i]->waitForOutput(prompt, std::chrono::seconds(20), prompts)) << cases[i].before;
    }
    usleep(2200000);
    for (std::size_t i = 0; i < sessions.size(); ++i) {
        Session& s = *sessions[i];
        s.send(cases[i].after);
        s.finish();
        const bool lost = s.out().find("0-1 {Red runs out of time}\n") != std::string::npos;
        EXPECT_EQ(lost, cases[i].lost) << cases[i].before << cases[i].after;
        EXPECT_NE(s.out().find("    h2e2 ...\n"), std::string::npos) << cases[i].before << cases[i].after;
    }
}

TEST(GameEnd, BookPathThatCannotBeReadIsNoBook) {
    const std::string directory = bookFreeDirectory() + "/book-folder";
    ASSERT_EQ(system(("mkdir -p " + directory + "/book.dat").c_str()), 0);
    EXPECT_EQ(runProgram({}, "quit\n", directory).err, noBookMessages);
}

}  // namespace
}  // namespace qorat::testing
