// The game commands end to end, with their exact output on standard output and error.
#include <gtest/gtest.h>

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

    // A text the board refuses leaves the position; the board is shown all the same.
    const RunResult refused = runProgram({}, "force\nh2e2\nsetboard 9/9 r\nh9g7\n");
    Transcript expected;
    expected.reply("").move("h2e2");
    expected.text += boardText(expected.board.toFen()) + prompt;
    expected.move("h9g7");
    EXPECT_EQ(refused.out, expected.text);
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
                           " Current Position: " + expected.board.toFen() + "\n" + "  1. h2e2 h9g7\n  3. h0g2 ");
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

}  // namespace
}  // namespace qorat::testing
