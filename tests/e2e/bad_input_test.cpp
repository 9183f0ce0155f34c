// Bad input in every mode: numbers far out of range, a table the machine cannot give, book
// paths that are no book, bytes that cannot be shown. Each gets an answer at once, loses
// nothing, and the game goes on.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "session.h"
#include "transcript.h"

namespace qorat::testing {
namespace {

const std::string afterCentralCannon = "rheakaehr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C2C4/9/RHEAKAEHR b";
constexpr auto AnswerLimit = std::chrono::seconds(1);

bool sanitizerSpoke(const std::string& err) {
    return err.find("runtime error") != std::string::npos || err.find("Sanitizer") != std::string::npos;
}

// A folder holding a book that answers h2e2 with h9g7, and paths that are no book.
struct BookPaths {
    BookPaths() {
        const std::string folder = bookFreeDirectory() + "/bad-books";
        std::filesystem::create_directories(folder);
        good = folder + "/good.dat";
        std::ofstream(good) << afterCentralCannon << ":h9g7\n";
        pipe = folder + "/pipe";
        mkfifo(pipe.c_str(), 0600);
        // Sparse: larger than any book, yet nothing is written.
        huge = folder + "/huge.dat";
        std::ofstream(huge).close();
        std::filesystem::resize_file(huge, std::uintmax_t{65} << 20);
        directory = folder;
    }
    std::string good, pipe, huge, directory;
};

TEST(BadInput, XBoardNumbersOutOfRange) {
    // Each line is answered or refused, then the next ping is answered at once and the
    // computer still plays a legal move.
    const char* const lines[] = {
        "time -999999999999999999999",
        "time 9223372036854775808",
        "otim -999999999999999999999",
        "otim 9223372036854775808",
        "time 1e400",
        "level 99999999999999999999 99999999999999999999 99999999999999999999",
        "level 40 -1e308:-1e308 1e308",
        "level 40 5:99999999999999999999 0",
        "st 1e308",
        "st -1e308",
        "sd 99999999999999999999",
        "sd -99999999999999999999",
        "option Hash size (MB)=-99999999999999999999",
    };
    for (const char* line : lines) {
        Session session({"-xboard"}, bookFreeDirectory());
        session.send(std::string("protover 2\nnew\n") + line + "\nping 1\n");
        EXPECT_TRUE(session.waitForOutput("pong 1\n", AnswerLimit)) << line;
        session.send("st 1\nsd 2\nusermove h2e2\nping 2\n");
        ASSERT_TRUE(session.waitForOutput("pong 2\n", std::chrono::seconds(20))) << line;
        session.finish();
        const std::string out = session.out();
        const std::size_t move = out.find("\nmove ");
        ASSERT_NE(move, std::string::npos) << line << '\n' << out;
        EXPECT_TRUE(legalIn(afterCentralCannon, out.substr(move + 6, 4))) << line;
        EXPECT_FALSE(sanitizerSpoke(session.err())) << line << '\n' << session.err();
    }
}

TEST(BadInput, XBoardNumbersThatAreNoNumbers) {
    const RunResult run = runProgram({"-xboard"}, "time x\notim\nst abc\nlevel 40 x 0\nlevel 40 5\nping 3\n");
    EXPECT_EQ(run.out.substr(run.out.find("Error")),
              "Error (invalid format): time x\nError (invalid format): otim\nError (invalid format): st abc\n"
              "Error (invalid format): level 40 x 0\nError (invalid format): level 40 5\npong 3\n");
}

TEST(BadInput, ConsoleAndCXBoardNumbersOutOfRange) {
    // sd and st with numbers no int holds: the depth is as deep as a search goes, the time
    // control unreadable and so unchanged; the game goes on.
    for (const bool cxboard : {false, true}) {
        const std::vector<std::string> args = cxboard ? std::vector<std::string>{"-cxboard", "-nobook"}
                                                      : std::vector<std::string>{"-nobook"};
        Session session(args, bookFreeDirectory());
        session.send("sd 99999999999999999999\nst 99999999999999999999\nset searchPly -99999999999999999999\nxyz\n");
        EXPECT_TRUE(session.waitForOutput("Error (unknown command): xyz\n", AnswerLimit)) << cxboard;
        session.send("h2e2\n");
        ASSERT_TRUE(session.waitForOutput(cxboard ? "move " : "    ... ", std::chrono::seconds(20))) << cxboard;
        session.finish();
        EXPECT_FALSE(sanitizerSpoke(session.err())) << session.err();
    }
}

TEST(BadInput, TableTheMachineCannotGive) {
    // Allocations beyond 256 MB fail: the table keeps its size, the front end is told, and
    // the game goes on.
    Session xboard({"-xboard"}, bookFreeDirectory(), false, 256);
    xboard.send("protover 2\nnew\noption Hash size (MB)=1024\nping 1\n");
    ASSERT_TRUE(xboard.waitForOutput("pong 1\n", std::chrono::seconds(5)));
    xboard.send("sd 2\nusermove h2e2\nping 2\n");
    ASSERT_TRUE(xboard.waitForOutput("pong 2\n", std::chrono::seconds(20)));
    xboard.finish();
    EXPECT_NE(xboard.out().find("tellusererror Not enough memory for a 1024 MB table; it keeps its 8 MB\n"),
              std::string::npos)
        << xboard.out();
    EXPECT_NE(xboard.out().find("\nmove "), std::string::npos);
    EXPECT_EQ(xboard.exitStatus(), 0);

    // At the console the message goes to standard error.
    Session console({"-nobook"}, bookFreeDirectory(), false, 256);
    console.send("set hashSize 1024\nsd 2\nh2e2\n");
    ASSERT_TRUE(console.waitForOutput("    ... ", std::chrono::seconds(20)));
    console.finish();
    EXPECT_NE(console.err().find("Not enough memory for a 1024 MB table; it keeps its 8 MB\n"), std::string::npos)
        << console.err();
    EXPECT_EQ(console.exitStatus(), 0);
}

TEST(BadInput, BookPathsThatAreNoBook) {
    // A device that never ends, a pipe without a writer, a folder and a file beyond any book's
    // size are refused at once; the book in use stays and still answers h2e2.
    const BookPaths paths;
    for (const std::string& bad : {std::string("/dev/zero"), paths.pipe, paths.directory, paths.huge}) {
        Session session({"-xboard"}, bookFreeDirectory());
        session.send("protover 2\nnew\noption Book file=" + paths.good + "\noption Book file=" + bad + "\nping 1\n");
        EXPECT_TRUE(session.waitForOutput("pong 1\n", AnswerLimit)) << bad;
        session.send("usermove h2e2\nping 2\n");
        ASSERT_TRUE(session.waitForOutput("pong 2\n", std::chrono::seconds(20))) << bad;
        session.finish();
        EXPECT_NE(session.out().find("tellusererror Can't open " + bad + "; the book stays as it was\n"),
                  std::string::npos)
            << session.out();
        EXPECT_NE(session.out().find("\nmove h9g7\n"), std::string::npos) << bad << '\n' << session.out();
    }

    // At the console the reader's own message says so.
    Session console({}, bookFreeDirectory());
    console.send("set bookFile " + paths.good + "\nset bookFile /dev/zero\nh2e2\n");
    ASSERT_TRUE(console.waitForOutput("    ... h9g7\n", std::chrono::seconds(20))) << console.out();
    console.finish();
    EXPECT_NE(console.err().find("Can't open /dev/zero\n"), std::string::npos) << console.err();
}

TEST(BadInput, PositionsNoGameReachesAreRefusedUnderTheFrontEnds) {
    // Thirteen rooks a side: refused like any impossible position, so nothing searches it,
    // and the program still answers and ends at once.
    const std::string crowded = "rrrrkrrrr/rrrrr4/9/9/9/9/9/9/RRRRR4/RRRRKRRRR";
    const RunResult uci = runProgram({"-uci"}, "position startpos moves h2e2\nposition fen " + crowded +
                                                   " w\ngo movetime 100\nstop\nisready\nquit\n");
    EXPECT_EQ(uci.out, "info string Illegal position\ninfo string No position to search\nbestmove (none)\nreadyok\n");

    Session xboard({"-xboard"}, bookFreeDirectory());
    xboard.send("protover 2\nnew\nforce\nanalyze\nsetboard " + crowded + " w\nping 1\n");
    ASSERT_TRUE(xboard.waitForOutput("pong 1\n"));
    xboard.send("exit\nquit\n");
    EXPECT_TRUE(xboard.finish());
    EXPECT_NE(xboard.out().find("tellusererror Illegal position\npong 1\n"), std::string::npos) << xboard.out();
}

TEST(BadInput, EchoesShowOnlyPrintableText) {
    // Every answer that repeats what was sent shows its printable text, UTF-8 included, as it
    // is and every other byte as \xNN: unknown commands, refused moves and positions,
    // numbers, option names, variants, pings and book paths, in every mode.
    using namespace std::string_literals;
    const std::string missing = bookFreeDirectory() + "/missing\x1b";
    const std::string shown = bookFreeDirectory() + "/missing\\x1b";
    struct Case {
        std::vector<std::string> args;
        std::string input;
        std::string out;
        std::string err;
    };
    const Case cases[] = {
        {{},
         "\xff\xfe\nsetboard \x01 r\nset bookFile " + missing + "\n",
         Transcript()
             .reply("Error (unknown command): \\xff\\xfe\n")
             .reply("Error (invalid format): setboard \\x01 r\n")
             .reply("")
             .text,
         noBookMessages + "Can't open "s + shown + "\n"},
        {{"-cxboard"},
         "h2\0e2\ncaf\xc3\xa9\x07\n"s,
         "Error (unknown command): h2\\x00e2\nError (unknown command): caf\xc3\xa9\\x07\n",
         noBookMessages},
        {{"-xboard"},
         "xboard\n\xff\nusermove \x01\x02\nvariant \x1b[31m\ntime \x7f\noption \x80=1\noption \xff\n"
         "exclude \0\nping \x1b\noption Book file="s + missing + "\n",
         "Error (unknown command): \\xff\nIllegal move: \\x01\\x02\nError (unsupported variant): \\x1b[31m\n"
         "Error (invalid format): time \\x7f\nError (unknown option): \\x80\nError (invalid format): option \\xff\n"
         "Error (invalid move): \\x00\npong \\x1b\ntellusererror Can't open " + shown + "; the book stays as it was\n",
         ""},
        {{"-uci"},
         "\xff\xfe\nposition startpos moves h2e2 \xe9\nsetoption name \x07 value 1\nsetoption name Book File value " +
             missing + "\n",
         "info string Unknown command: \\xff\\xfe\ninfo string Illegal move: \\xe9\ninfo string Unknown option: \\x07\n"
         "info string Can't open " + shown + "; the book stays as it was\n",
         ""},
    };
    for (const Case& c : cases) {
        const RunResult run = runProgram(c.args, c.input);
        EXPECT_EQ(run.out, c.out) << ::testing::PrintToString(c.input);
        EXPECT_EQ(run.err, c.err) << ::testing::PrintToString(c.input);
        EXPECT_EQ(run.status, 0) << ::testing::PrintToString(c.input);
    }
}

}  // namespace
}  // namespace qorat::testing
