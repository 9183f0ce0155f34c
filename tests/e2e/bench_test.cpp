// "qorat bench": the testers' signature of a build, in the words their tools read.
#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "net_fixture.h"
#include "protocol/bench.h"
#include "session.h"

namespace qorat::testing {
namespace {

TEST(Bench, EndsWithTheNodeTotalAndTheSpeed) {
    const RunResult run = runProgram({"bench", "5"}, "");
    ASSERT_EQ(run.status, 0) << run.err;
    // The last four lines, each a label and a number.
    const std::size_t rule = run.out.rfind("\n===========================\n");
    ASSERT_NE(rule, std::string::npos) << run.out;
    std::istringstream summary(run.out.substr(rule + 29));
    std::string line, searched;
    for (const char* label : {"Total time (ms) : ", "Nodes searched  : ", "Nodes/second    : "}) {
        ASSERT_TRUE(std::getline(summary, line)) << run.out;
        ASSERT_EQ(line.rfind(label, 0), 0u) << line;
        const std::string number = line.substr(std::string(label).size());
        EXPECT_EQ(number.find_first_not_of("0123456789"), std::string::npos) << line;
        if (std::string(label).find("searched") != std::string::npos) searched = number;
    }
    EXPECT_FALSE(std::getline(summary, line)) << "after the summary: " << line;
    // The same search of the same positions as the bench table's.
    BenchSettings settings;
    settings.depth = 5;
    std::int64_t nodes = 0;
    ASSERT_TRUE(runBench(settings, [&](const BenchPosition& p) { nodes += p.nodes; }));
    EXPECT_EQ(searched, std::to_string(nodes));
}

TEST(Bench, RefusesWhatItCannotRead) {
    const std::vector<std::vector<std::string>> bad = {{"bench", "0"}, {"bench", "x"}, {"bench", "129"},
                                                       {"bench", "3", "1", "8", "net", "more"}};
    for (const std::vector<std::string>& args : bad) {
        const RunResult run = runProgram(args, "");
        EXPECT_EQ(run.status, 2) << args[1];
        EXPECT_EQ(run.out, "") << args[1];
        EXPECT_NE(run.err.find("usage: qorat bench [DEPTH [THREADS [MEGABYTES [NETFILE]]]]"), std::string::npos) << args[1];
    }
}

TEST(Bench, EvaluatesWithTheNetOfAFileGiven) {
    // Another search than the hand-written evaluation's; a file that holds no net is refused.
    const std::string net = writeNetFile(bookFreeDirectory(), "fixture.nnue", netBytes(randomNet(32, 1)));
    const RunResult byNet = runProgram({"bench", "4", "1", "8", net}, "");
    const RunResult classic = runProgram({"bench", "4"}, "");
    ASSERT_EQ(byNet.status, 0) << byNet.err;
    ASSERT_EQ(classic.status, 0) << classic.err;
    const auto searched = [](const std::string& out) { return out.substr(out.find("Nodes searched")); };
    EXPECT_NE(searched(byNet.out), searched(classic.out));
    const RunResult missing = runProgram({"bench", "4", "1", "8", bookFreeDirectory() + "/missing.nnue"}, "");
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("No net file " + bookFreeDirectory() + "/missing.nnue; the evaluation stays classic\n"),
              std::string::npos)
        << missing.err;
}

}  // namespace
}  // namespace qorat::testing
