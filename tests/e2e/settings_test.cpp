// The engine settings both front ends reach, end to end: a front end that asks again for the
// options is shown them as they stand.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "session.h"

namespace qorat::testing {
namespace {

// The output split after the first occurrence of the end of an answer.
std::pair<std::string, std::string> splitAfter(const std::string& out, const std::string& end) {
    const std::size_t at = out.find(end);
    if (at == std::string::npos) return {out, ""};
    return {out.substr(0, at + end.size()), out.substr(at + end.size())};
}

// The text with the line replaced; empty when the line is not in it.
std::string replaced(std::string text, const std::string& from, const std::string& to) {
    const std::size_t at = text.find(from);
    if (at == std::string::npos) return "";
    return text.replace(at, from.size(), to);
}

TEST(Settings, MoveOverheadHoldsTheSameUnderUciAndXBoard) {
    // Both protocols advertise 0 to 5000 ms; what either is sent is kept within that, and the
    // second answer differs from the first in that line alone.
    struct FrontEnd {
        const char* flag;
        const char* ask;
        const char* answered;
        const char* set;
        // The overhead's line, before and after its value.
        const char* before;
        const char* after;
    };
    const FrontEnd frontEnds[] = {
        {"-uci", "uci\n", "uciok\n", "setoption name Move Overhead value ",
         "option name Move Overhead type spin default ", " min 0 max 5000\n"},
        {"-xboard", "protover 2\n", "feature done=1\n", "option Move overhead (ms)=",
         "feature option=\"Move overhead (ms) -spin ", " 0 5000\"\n"},
    };
    struct Case {
        const char* sent;
        const char* held;
    };
    const Case cases[] = {{"99999", "5000"}, {"-7", "0"}, {"120", "120"}};
    for (const FrontEnd& f : frontEnds) {
        for (const Case& c : cases) {
            const std::string ask = f.ask;
            const RunResult run =
                runProgram({f.flag}, ask + f.set + c.sent + "\n" + ask + "quit\n", bookFreeDirectory());
            const auto [first, second] = splitAfter(run.out, f.answered);
            EXPECT_EQ(second, replaced(first, f.before + std::string("50") + f.after, f.before + std::string(c.held) + f.after))
                << f.flag << ' ' << c.sent;
        }
    }
}

TEST(Settings, XBoardShowsWhatTheConsoleOrCommandLineSet) {
    // The search, the table's use and the book, set before the front end asks, are offered as
    // they hold, not as they started.
    struct Case {
        std::vector<std::string> flags;
        const char* before;  // console lines before "xboard"
        const char* line;    // the feature line that must be offered
    };
    const Case cases[] = {
        {{"-xboard", "-nobook"}, "", "feature option=\"Opening book -check 0\"\n"},
        {{}, "set search mtd\n", "feature option=\"Search -combo pvs /// *mtd /// alphabeta /// negascout\"\n"},
        {{}, "set hash off\n", "feature option=\"Hash table -check 0\"\n"},
        {{"-xboard"}, "", "feature option=\"Search -combo *pvs /// mtd /// alphabeta /// negascout\"\n"},
    };
    for (const Case& c : cases) {
        const RunResult run =
            runProgram(c.flags, std::string(c.before) + "xboard\nprotover 2\nquit\n", bookFreeDirectory());
        EXPECT_NE(run.out.find(c.line), std::string::npos) << c.before << run.out;
    }
}

}  // namespace
}  // namespace qorat::testing
