// The console protocol end to end: start-up, moves and their refusals, unknown lines,
// option commands, game ends, and the end of input.
#include <gtest/gtest.h>

#include "session.h"
#include "transcript.h"

namespace qorat::testing {
namespace {

TEST(Console, StartsWithTheBoardAndThePrompt) {
    for (const std::vector<std::string>& args : {std::vector<std::string>{}, {"-blue"}, {"-black"}, {"-nobook", "-ts", "64"}}) {
        const RunResult run = runProgram(args, "");
        EXPECT_EQ(run.out, Transcript().text);
        EXPECT_EQ(run.err, noBookMessages);
        EXPECT_EQ(run.status, 0);
    }
}

TEST(Console, ForceModeGamePlayedToMate) {
    const std::vector<std::string> moves = {"e3e4", "b9c7", "h0g2", "c7e8", "g2e3", "a9a8",
                                            "e3g4", "a8a9", "g4f6", "a9a8", "f6g8"};
    Transcript expected;
    expected.reply("");
    std::string input = "force\n";
    for (const std::string& m : moves) {
        input += m + "\n";
        expected.move(m);
    }
    expected.result("1-0 {Red mates}\n");
    // Moves are still judged after the end; no second result line follows.
    input += "h9g7\n";
    expected.reply("IllegalMove (in check): h9g7\n");
    const RunResult run = runProgram({}, input);
    EXPECT_EQ(run.out, expected.text);
    EXPECT_EQ(run.status, 0);
}

TEST(Console, RefusedMoves) {
    const RunResult run = runProgram({}, "force\nh7e7\ne4e5\na0a4\nA0A4\nh2h2\n"
                                         "setboard 4k4/9/9/9/9/9/9/4C4/9/4K4 r\ne2d2\n"
                                         "setboard 4k4/9/9/9/9/9/9/9/9/r2K1R3 r\nf0f5\n");
    Transcript expected;
    expected.reply("")
        .reply("IllegalMove (Out of turn): h7e7\n")
        .reply("IllegalMove (Out of turn): e4e5\n")
        .reply("IllegalMove: a0a4\n")
        .reply("IllegalMove: a0a4\n")
        .reply("IllegalMove: h2h2\n")
        .setPosition("4k4/9/9/9/9/9/9/4C4/9/4K4 r")
        .reply("IllegalMove (moving into check): e2d2\n")
        .setPosition("4k4/9/9/9/9/9/9/9/9/r2K1R3 r")
        .reply("IllegalMove (in check): f0f5\n");
    EXPECT_EQ(run.out, expected.text);
}

TEST(Console, ComputerSideMovesAreOutOfTurn) {
    // While the computer (Red) is to move, typed moves of either colour are refused.
    const RunResult red = runProgram({"-nobook"}, "set computerColor r\nh2e2\nh9g7\nforce\n");
    Transcript expected;
    expected.reply("").reply("IllegalMove (Out of turn): h2e2\n").reply("IllegalMove (Out of turn): h9g7\n").reply("");
    EXPECT_EQ(red.out, expected.text);
    // With Blue to move, an empty origin counts as Blue's and reaches the rules.
    const RunResult blue = runProgram({"-nobook"}, "force\nh2e2\nset computerColor r\ne4e5\nforce\n");
    Transcript second;
    second.reply("").move("h2e2").reply("").reply("IllegalMove: e4e5\n").reply("");
    EXPECT_EQ(blue.out, second.text);
}

TEST(Console, UnknownLinesAreQuoted) {
    const RunResult run = runProgram({}, "a9a9\nhello world\n\nQUIT\nh2e2 \n");
    Transcript expected;
    expected.reply("Error (unknown command): a9a9\n")
        .reply("Error (unknown command): hello world\n")
        .reply("Error (unknown command): \n")
        .reply("Error (unknown command): QUIT\n")
        .reply("Error (unknown command): h2e2 \n");
    EXPECT_EQ(run.out, expected.text);
    EXPECT_EQ(run.status, 0);
}

TEST(Console, OptionCommandsPrintNothing) {
    const RunResult run = runProgram({}, "force\nsd 3\nst 30\npost\nnopost\nlevel 40 5 0\nset hash off\nset\nh2e2\n");
    Transcript expected;
    for (int i = 0; i < 8; ++i) expected.reply("");
    expected.move("h2e2");
    EXPECT_EQ(run.out, expected.text);
}

TEST(Console, CxboardPrintsNoBoardPromptOrEcho) {
    const RunResult flag = runProgram({"-cxboard"}, "force\nh2e2\nh9g7\nxyz\n");
    EXPECT_EQ(flag.out, "Error (unknown command): xyz\n");
    // Switching back to the console shows the prompt, the board and the echo again.
    const RunResult command = runProgram({}, "cxboard\nforce\nh2e2\nconsole\nh9g7\n");
    Transcript afterRed("rheakaehr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C2C4/9/RHEAKAEHR b");
    afterRed.text = prompt;
    afterRed.move("h9g7");
    EXPECT_EQ(command.out, Transcript().text + afterRed.text);
}

TEST(Console, EndOfInputEndsTheProgram) {
    // A last line without its newline is still handled.
    const RunResult run = runProgram({}, "force\nh2e2");
    Transcript expected;
    expected.reply("").move("h2e2");
    EXPECT_EQ(run.out, expected.text);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(runProgram({}, "quit\nh2e2\n").out, Transcript().text);
}

TEST(Console, SeveralLinesInOneWriteAreAllAnswered) {
    Session session({}, bookFreeDirectory());
    session.send("force\nh2e2\nh9g7\n");
    // The input stays open: the later lines must not wait for more input to arrive.
    EXPECT_TRUE(session.waitForOutput("    ... h9g7\n", std::chrono::seconds(10)));
    session.finish();
    EXPECT_EQ(session.exitStatus(), 0);
}

TEST(Console, PerpetualCheckEndsTheGameOnce) {
    const char* fen = "4k4/9/9/9/9/9/9/9/5R3/5K3 r";
    Transcript expected;
    expected.reply("").setPosition(fen);
    std::string input = "force\nsetboard " + std::string(fen) + "\n";
    for (const char* m : {"f1e1", "e9d9", "e1d1", "d9e9", "d1e1", "e9d9", "e1d1"}) {
        input += std::string(m) + "\n";
        expected.move(m);
    }
    expected.result("0-1 {Perpetual Check}\n");
    input += "d9e9\n";
    expected.move("d9e9");
    const RunResult run = runProgram({}, input);
    EXPECT_EQ(run.out, expected.text);
}

TEST(Console, InsufficientMaterialIsADraw) {
    const char* fen = "3k5/9/9/9/9/9/9/9/4p4/3AK4 r";
    const RunResult run = runProgram({}, std::string("force\nsetboard ") + fen + "\nd0e1\n");
    Transcript expected;
    expected.reply("").setPosition(fen).move("d0e1").result("1/2-1/2 {Insufficient material}\n");
    EXPECT_EQ(run.out, expected.text);
}

TEST(Console, ChecksThatNeverRepeatAreNoPerpetual) {
    const char* fen = "4k4/9/9/9/9/9/9/9/R8/3K5 r";
    Transcript expected;
    expected.reply("").setPosition(fen);
    std::string input = "force\nsetboard " + std::string(fen) + "\n";
    for (const char* m : {"a1a9", "e9e8", "a9a8", "e8e7", "a8a7", "e7e8", "a7e7", "e8f8"}) {
        input += std::string(m) + "\n";
        expected.move(m);
    }
    EXPECT_EQ(runProgram({}, input).out, expected.text);
}

}  // namespace
}  // namespace qorat::testing
