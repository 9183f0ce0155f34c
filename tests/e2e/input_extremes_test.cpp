// Input at its extremes: a huge line, binary junk, CRLF endings, and input that ends
// in the middle of a line. Each is answered within the protocol and ends with status 0.
#include <gtest/gtest.h>

#include <unistd.h>

#include <csignal>

#include "protocol.h"
#include "session.h"
#include "transcript.h"

namespace qorat::testing {
namespace {

TEST(InputExtremes, TenMegabyteLine) {
    const std::string huge(10 * 1024 * 1024, 'x');
    const RunResult run = runProgram({}, huge + "\nforce\nh2e2\n");
    Transcript expected;
    expected.reply("Error (unknown command): " + huge + "\n").reply("").move("h2e2");
    EXPECT_TRUE(run.out == expected.text);
    EXPECT_EQ(run.status, 0);
}

TEST(InputExtremes, NulBytesAndBinaryJunk) {
    std::string junk = "force\n";
    for (int i = 0; i < 4096; ++i) junk += static_cast<char>((i * 37 + 11) % 256);
    const char tail[] = "\0h2e2\n\0\0\0\n\xff\xfe\nh2e2\n";
    junk += std::string(tail, sizeof tail - 1);
    const RunResult run = runProgram({}, junk);
    EXPECT_EQ(firstForeignLine(run.out), "");
    EXPECT_NE(run.out.find("    h2e2 ...\n"), std::string::npos);
    EXPECT_EQ(run.status, 0);
}

TEST(InputExtremes, CrlfLineEndings) {
    // One carriage return before the newline is dropped, so moves from a CRLF source count;
    // any other trailing white space stays in the line (a second return, echoed, as \x0d).
    const RunResult run = runProgram({}, "force\r\nh2e2\r\nh9g7 \r\nh9g7\r\r\nsd 3\r\nnew\r\n");
    Transcript expected;
    expected.reply("")
        .move("h2e2")
        .reply("Error (unknown command): h9g7 \n")
        .reply("Error (unknown command): h9g7\\x0d\n")
        .reply("")
        .setPosition(startPositionFen);
    EXPECT_EQ(run.out, expected.text);
    EXPECT_EQ(run.status, 0);
}

TEST(InputExtremes, InputEndsInTheMiddleOfALine) {
    const RunResult run = runProgram({}, "force\nh2e");
    EXPECT_EQ(run.out, Transcript().reply("").reply("Error (unknown command): h2e\n").text);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(runProgram({"-cxboard"}, "").status, 0);
}

TEST(InputExtremes, NonBlockingStandardInput) {
    // A parent may leave the input non-blocking; a line that arrives in parts is still one line.
    Session session({}, bookFreeDirectory(), true);
    session.send("force\nh2");
    usleep(300000);
    session.send("e2\n");
    ASSERT_TRUE(session.finish());
    Transcript expected;
    expected.reply("").move("h2e2");
    EXPECT_EQ(session.out(), expected.text);
    EXPECT_EQ(session.exitStatus(), 0);
}

TEST(InputExtremes, InterruptSignal) {
    // Front ends interrupt their engine before they pass it a move: in cxboard mode, by flag
    // or by command, the signal is ignored.
    for (const std::string& start : {std::string("-cxboard"), std::string("cxboard\n")}) {
        Session session(start[0] == '-' ? std::vector<std::string>{start, "-nobook"} : std::vector<std::string>{"-nobook"},
                        bookFreeDirectory());
        session.send((start[0] == '-' ? "" : start) + "xyz\n");
        ASSERT_TRUE(session.waitForOutput("Error (unknown command): xyz\n")) << start;
        session.sendSignal(SIGINT);
        session.send("sd 2\nh2e2\n");
        EXPECT_TRUE(session.waitForOutput("move ")) << start;
        session.finish();
        EXPECT_EQ(session.exitStatus(), 0) << start;
    }
    // At the console it still ends the program.
    Session console({}, bookFreeDirectory());
    ASSERT_TRUE(console.waitForOutput(prompt));
    console.sendSignal(SIGINT);
    ASSERT_TRUE(console.finish());
    EXPECT_EQ(console.exitStatus(), 128 + SIGINT);
}

}  // namespace
}  // namespace qorat::testing
