// Input at its extremes: a huge line, binary junk, CRLF endings, and input that ends
// in the middle of a line. Each is answered within the protocol and ends with status 0.
#include <gtest/gtest.h>

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
    // The carriage return stays part of the line: commands read it as white space, while
    // move text followed by it is no move.
    const RunResult run = runProgram({}, "force\r\nh2e2\r\nsd 3\r\nnew\r\n");
    Transcript expected;
    expected.reply("").reply("Error (unknown command): h2e2\r\n").reply("").setPosition(startPositionFen);
    EXPECT_EQ(run.out, expected.text);
    EXPECT_EQ(run.status, 0);
}

TEST(InputExtremes, InputEndsInTheMiddleOfALine) {
    const RunResult run = runProgram({}, "force\nh2e");
    EXPECT_EQ(run.out, Transcript().reply("").reply("Error (unknown command): h2e\n").text);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(runProgram({"-cxboard"}, "").status, 0);
}

}  // namespace
}  // namespace qorat::testing
