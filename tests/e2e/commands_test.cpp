// The game commands end to end, with their exact output on standard output and error.
#include <gtest/gtest.h>

#include <unistd.h>

#include "session.h"
#include "transcript.h"

namespace qorat::testing {
namespace {

const std::string blueFirst = "rheakaehr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C2C4/9/RHEAKAEHR b";

TEST(Commands, UndoAndRemove) {
    const RunResult run = runProgram({}, "undo\nh2e2\nundo\nforce\nundo\nremove\nh2e2\nh9g7\nremove\nremove\n");
    Transcript expected;
    expected.reply("Error (command not legal now): undo\n")
        .move("h2e2")
        .reply("Error (command not legal now): undo\n")
        .reply("");
    expected.board.unmakeMove();
    expected.text += boardText(startPositionFen) + prompt;
    expected.reply("Error (command not legal now): remove\n").move("h2e2").move("h9g7");
    expected.text += boardText(startPositionFen) + prompt;
    expected.reply("Error (command not legal now): remove\n");
    EXPECT_EQ(run.out, expected.text);
}

TEST(Commands, SetboardRefusals) {
    const RunResult alone = runProgram({}, "setboard\n");
    EXPECT_EQ(alone.out, Transcript().reply("Error (invalid format): setboard\n").text);
    EXPECT_EQ(alone.err, std::string(noBookMessages) + "1\n");

    const RunResult trailing = runProgram({}, "setboard \n");
    EXPECT_EQ(trailing.out, Transcript().reply("Error (invalid format): setboard \n").text);
    EXPECT_EQ(trailing.err, std::string(noBookMessages) + "space\n0\n");

}

TEST(Commands, ImpossiblePositionsAreRefused) {
    // Unreadable text, no king, kings facing on an open file, the side that has just moved
    // in check, material or placements no game reaches: each is refused with the whole line, and the game goes on as it was.
    const char* const refused[] = {
        "setboard 9/9 r",
        "setboard 4k4/9/9/9/9/9/9/9/R8/9 r",
        "setboard 4k4/9/9/9/9/9/9/9/R8/4K4 r",
        "setboard 4k4/9/9/9/9/9/9/9/R8/4K4 b",
        "setboard 3k5/9/9/9/9/9/9/9/R8/3K5 r",
        "setboard 3k5/9/9/9/9/9/9/9/9/R2K5 r",
        // Material or placements no game reaches.
        "setboard rrrrkrrrr/rrrrr4/9/9/9/9/9/9/RRRRR4/RRRRKRRRR r",
        "setboard 3k5/9/9/9/9/9/9/9/9/2A1K4 r",
        "setboard 3k5/9/9/9/2E6/9/9/9/9/4K4 r",
        "setboard 3k5/9/9/9/9/9/9/P8/9/4K4 r",
    };
    for (const char* line : refused) {
        const RunResult run = runProgram({}, std::string("force\nh2e2\n") + line + "\nh9g7\n");
        Transcript expected;
        expected.reply("").move("h2e2").reply(std::string("Error (invalid format): ") + line + "\n").move("h9g7");
        EXPECT_EQ(run.out, expected.text) << line;
    }
}

TEST(Commands, RefusedPositionKeepsTheComputersMove) {
    // "?" makes the computer play what it has; a refused position in between changes nothing:
    // the move comes at once and is an answer to h2e2.
    Session session({"-nobook"}, bookFreeDirectory());
    session.send("post\nsd 30\nh2e2\n");
    ASSERT_TRUE(session.waitForOutput("\n3\t"));
    session.send("setboard 4k4/9/9/9/9/9/9/9/R8/4K4 r\n?\n");
    ASSERT_TRUE(session.waitForOutput("    ... ", std::chrono::seconds(20)));
    session.finish();
    EXPECT_NE(session.out().find("Error (invalid format): setboard 4k4/9/9/9/9/9/9/9/R8/4K4 r\n"), std::string::npos);
    const std::string reply = session.out().substr(session.out().find("    ... ") + 8, 4);
    EXPECT_TRUE(legalIn(blueFirst, reply)) << session.out();
}

TEST(Commands, SetboardUsesTwoFieldsAndRecordsTheGame) {
    const RunResult run = runProgram({}, "force\nsetboard " + blueFirst + " - - 0 1\nh9g7\nh0g2\nb9c7\nvomit\n");
    Transcript expected;
    expected.reply("").setPosition(blueFirst).move("h9g7").move("h0g2").move("b9c7").reply("");
    EXPECT_EQ(run.out, expected.text);
    EXPECT_EQ(run.err, std::string(noBookMessages) + "Starting Position: " + blueFirst + "\n" +
                           " Current Position: " + expected.board.toFen() + "\n" +
                           "  1. ...  h9g7\n  3. h0g2 b9c7\n");
}

TEST(Commands, VomitNumbersPairsFromRed) {
    const RunResult run = runProgram({}, "force\nh2e2\nh9g7\nh0g2\nvomit\n");
    Transcript expected;
    expected.reply("").move("h2e2").move("h9g7").move("h0g2").reply("");
    EXPECT_EQ(run.out, expected.text);
    EXPECT_EQ(run.err, std::string(noBookMessages) + "Starting Position: " + startPositionFen + "\n" +
                           " Current Position: " + expected.board.toFen() + "\n" + "  1. h2e2 h9g7\n  3. h0g2 \n");
}

TEST(Commands, TimeReports) {
    // Whole seconds may tick over between the commands, so one second less is also right.
    const RunResult run = runProgram({}, "st 10\ntime\n");
    const std::string start = Transcript().reply("").text;
    EXPECT_TRUE(run.out == start + "Time left is: 10 second to make 1 moves.\n" + prompt ||
                run.out == start + "Time left is: 9 second to make 1 moves.\n" + prompt)
        << run.out.substr(start.size());

    const RunResult none = runProgram({}, "t\n");
    EXPECT_TRUE(none.out == Transcript().reply("Time left is: 0 second to make 0 moves.\n").text ||
                none.out == Transcript().reply("Time left is: -1 second to make 0 moves.\n").text)
        << none.out;
}

TEST(Commands, NewKeepsTheSidesAndTheTimeControl) {
    const RunResult run = runProgram({}, "force\nst 10\nh2e2\nnew\nh2e2\nh9g7\ntime\nquit\nh0g2\n");
    Transcript expected;
    expected.reply("").reply("").move("h2e2");
    expected.setPosition(startPositionFen).move("h2e2").move("h9g7");
    const std::string tail = run.out.substr(std::min(run.out.size(), expected.text.size()));
    EXPECT_EQ(run.out.substr(0, expected.text.size()), expected.text);
    EXPECT_TRUE(tail == std::string("Time left is: 10 second to make 1 moves.\n") + prompt ||
                tail == std::string("Time left is: 9 second to make 1 moves.\n") + prompt)
        << tail;
    EXPECT_EQ(run.status, 0);
}

TEST(Commands, QuestionMarkAndGoWhileIdle) {
    // "?" with nothing to interrupt does nothing; "go" in force mode hands the side to move
    // to the computer, which then answers.
    Session session({"-nobook"}, bookFreeDirectory());
    session.send("force\n?\nsd 1\nh2e2\ngo\n");
    Transcript expected;
    expected.reply("").reply("").reply("").move("h2e2").reply("");
    EXPECT_TRUE(session.waitForOutput("    ... "));
    session.finish();
    EXPECT_EQ(session.out().substr(0, expected.text.size()), expected.text);
}

TEST(Commands, TakebacksReopenAFinishedGame) {
    // Any Red move lets Blue mate with b9b0.
    const std::string fen = "1r1k5/9/9/9/9/9/P8/9/r8/4K4 r";
    const RunResult run = runProgram({}, "force\nsetboard " + fen + "\na3a4\nb9b0\nundo\nb9b0\n");
    Transcript expected;
    expected.reply("").setPosition(fen).move("a3a4").move("b9b0").result("0-1 {Blue mates}\n");
    expected.setPosition("1r1k5/9/9/9/9/P8/9/9/r8/4K4 b").move("b9b0").result("0-1 {Blue mates}\n");
    EXPECT_EQ(run.out, expected.text);

    // Against the computer: after "remove" another move is answered, and the second mate announced.
    Session session({"-nobook"}, bookFreeDirectory());
    session.send("sd 2\nsetboard " + fen + "\na3a4\n");
    ASSERT_TRUE(session.waitForOutput("0-1 {Blue mates}\n"));
    session.send("remove\ne0f0\n");
    ASSERT_TRUE(session.waitForOutput("0-1 {Blue mates}\n", std::chrono::seconds(20), 2)) << session.out();
    session.finish();
}

}  // namespace
}  // namespace qorat::testing
