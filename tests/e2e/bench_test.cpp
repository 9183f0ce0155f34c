// "qorat bench": the testers' signature of a build, in the words their tools read.
#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <string>

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
    for (const char* bad : {"0", "x", "129"}) {
        const RunResult run = runProgram({"bench", bad}, "");
        EXPECT_EQ(run.status, 2) << bad;
        EXPECT_EQ(run.out, "") << bad;
        EXPECT_NE(run.err.find("usage: qorat bench [DEPTH [THREADS [MEGABYTES]]]"), std::string::npos) << bad;
    }
}

}  // namespace
}  // namespace qorat::testing
