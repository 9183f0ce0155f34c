// The net evaluation end to end: chosen with its file under UCI, xboard and at the console, a
// search with it, and each file that holds no net refused with its reason, the hand-written
// evaluation kept and searching as before.
#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "net_fixture.h"
#include "session.h"

namespace qorat::testing {
namespace {

using namespace std::chrono_literals;

const std::string start = "rheakaehr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RHEAKAEHR r";

// A small net's file in the scratch folder, spoiled as asked.
std::string netFile(const std::string& name, const std::function<void(std::vector<unsigned char>&)>& spoil = {}) {
    std::vector<unsigned char> bytes = netBytes(randomNet(32, 1));
    if (spoil) spoil(bytes);
    return writeNetFile(bookFreeDirectory(), name, bytes);
}

// The value after the keyword in the last line that starts with the prefix, or "".
std::string lastField(const std::string& out, const std::string& prefix, const std::string& key) {
    std::istringstream lines(out);
    std::string line, found;
    while (std::getline(lines, line))
        if (line.rfind(prefix, 0) == 0) found = line;
    std::istringstream words(found);
    for (std::string word; words >> word;)
        if (word == key && words >> word) return word;
    return "";
}

// A UCI session that sends the lines, searches the start position to depth 5, then asks
// for the options again; its output.
std::string uciSearch(const std::string& lines) {
    Session session({"-uci"}, bookFreeDirectory());
    session.send("uci\n" + lines + "position startpos\ngo depth 5\n");
    EXPECT_TRUE(session.waitForOutput("bestmove ", 60s));
    session.send("uci\n");
    EXPECT_TRUE(session.waitForOutput("uciok\n", 20s, 2));
    session.finish();
    return session.out();
}

// The options as the second "uci" shows them.
std::string secondOptions(const std::string& out) { return out.substr(out.find("uciok\n") + 6); }

TEST(ChoosingTheNet, UciSearchesWithTheNetOfItsFile) {
    const std::string path = netFile("fixture.nnue");
    const std::string byNet = uciSearch("setoption name EvalFile value " + path + "\nsetoption name Evaluation value net\n");
    const std::string classic = uciSearch("");
    EXPECT_EQ(byNet.find("info string"), std::string::npos) << byNet;
    EXPECT_TRUE(legalIn(start, lastField(byNet, "bestmove", "bestmove"))) << byNet;
    EXPECT_FALSE(lastField(byNet, "info depth 5 ", "cp").empty()) << byNet;
    EXPECT_NE(lastField(byNet, "info depth 5 ", "nodes"), lastField(classic, "info depth 5 ", "nodes"));
    EXPECT_NE(secondOptions(byNet).find("option name EvalFile type string default " + path + "\n"), std::string::npos) << byNet;
    EXPECT_NE(secondOptions(byNet).find("option name Evaluation type combo default net var classic var net\n"), std::string::npos)
        << byNet;
}

TEST(ChoosingTheNet, UciRefusesAFileThatHoldsNoNetAndSearchesAsBefore) {
    const std::string classic = uciSearch("");
    struct Case {
        std::string path;
        std::string reason;
    };
    const Case cases[] = {
        {netFile("damaged.nnue", [](auto& b) { b[300] ^= 1; }), " is no net: its checksum does not match its contents"},
        {netFile("short.nnue", [](auto& b) { b.resize(b.size() - 2); }),
         " is no net: it has 80858 bytes where its hidden size of 32 makes 80860"},
        {bookFreeDirectory() + "/missing.nnue", ""},
    };
    for (const Case& c : cases) {
        const std::string out = uciSearch("setoption name EvalFile value " + c.path + "\nsetoption name Evaluation value net\n");
        const std::string said = c.reason.empty() ? "info string No net file " + c.path : "info string " + c.path + c.reason;
        EXPECT_NE(out.find(said + "; the evaluation stays classic\n"), std::string::npos) << out;
        EXPECT_TRUE(legalIn(start, lastField(out, "bestmove", "bestmove"))) << out;
        EXPECT_EQ(lastField(out, "info depth 5 ", "nodes"), lastField(classic, "info depth 5 ", "nodes")) << out;
        EXPECT_NE(secondOptions(out).find("option name Evaluation type combo default classic var classic var net\n"),
                  std::string::npos)
            << out;
    }
    // A net in use stays when the next file is none.
    const std::string good = netFile("fixture.nnue");
    const std::string damaged = netFile("damaged.nnue", [](auto& b) { b[300] ^= 1; });
    const std::string out = uciSearch("setoption name EvalFile value " + good + "\nsetoption name Evaluation value net\n" +
                                      "setoption name EvalFile value " + damaged + "\n");
    EXPECT_NE(out.find("info string " + damaged + " is no net: its checksum does not match its contents; the net stays as it was\n"),
              std::string::npos)
        << out;
    EXPECT_NE(secondOptions(out).find("option name EvalFile type string default " + good + "\n"), std::string::npos) << out;
    EXPECT_NE(secondOptions(out).find("option name Evaluation type combo default net "), std::string::npos) << out;
}

TEST(ChoosingTheNet, XBoardOffersTheNetAndPlaysWithIt) {
    const std::string good = netFile("fixture.nnue");
    const std::string damaged = netFile("damaged.nnue", [](auto& b) { b[300] ^= 1; });
    Session session({"-xboard"}, bookFreeDirectory());
    session.send("protover 2\noption EvalFile=" + damaged + "\noption Evaluation=net\nprotover 2\n");
    ASSERT_TRUE(session.waitForOutput("feature done=1\n", 20s, 2));
    session.send("option EvalFile=" + good + "\noption Evaluation=net\nprotover 2\nnew\nsd 4\nusermove h2e2\nping 1\n");
    ASSERT_TRUE(session.waitForOutput("pong 1\n", 60s));
    session.finish();
    const std::string out = session.out();
    EXPECT_NE(out.find("tellusererror " + damaged +
                       " is no net: its checksum does not match its contents; the evaluation stays classic\n"),
              std::string::npos)
        << out;
    EXPECT_EQ(occurrences(out, "tellusererror"), 1) << out;
    // Offered as it stands: the file kept, the net refused, then both taken.
    EXPECT_EQ(occurrences(out, "feature option=\"EvalFile -file " + damaged + "\"\n"), 1) << out;
    EXPECT_EQ(occurrences(out, "feature option=\"Evaluation -combo *classic /// net\"\n"), 2) << out;
    EXPECT_EQ(occurrences(out, "feature option=\"Evaluation -combo classic /// *net\"\n"), 1) << out;
    const std::string reply = lastField(out, "move ", "move");
    EXPECT_TRUE(legalIn("rheakaehr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C2C4/9/RHEAKAEHR b", reply)) << out;
}

TEST(ChoosingTheNet, TheConsoleSetsTheNetAndItsFile) {
    const std::string good = netFile("fixture.nnue");
    Session session({}, bookFreeDirectory());
    session.send("set evaluation net\nset evalFile " + good + "\nset evaluation net\nset search pvs\nsd 4\nh2e2\n");
    ASSERT_TRUE(session.waitForOutput("    ... ", 60s));
    session.send("xboard\nprotover 2\n");
    ASSERT_TRUE(session.waitForOutput("feature done=1\n"));
    session.finish();
    // Without a file the net is refused; with one it is taken, and the computer plays with it.
    EXPECT_EQ(session.err(), std::string(noBookMessages) + "No net file qorat.nnue in " QORAT_DATA_DIR
                                                           " or the current directory; the evaluation stays classic\n");
    EXPECT_NE(session.out().find("feature option=\"EvalFile -file " + good + "\"\n"), std::string::npos) << session.out();
    EXPECT_NE(session.out().find("feature option=\"Evaluation -combo classic /// *net\"\n"), std::string::npos) << session.out();
}

}  // namespace
}  // namespace qorat::testing
