// The net file: its checksum, every number read in its place, and each way a file can be no
// net refused with its reason and the file named.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "nnue/net_file.h"
#include "nnue_test_support.h"

namespace qorat::testing {
namespace {

class NetFile : public NetTest {};

std::vector<unsigned char> bytesOf(const std::string& text) { return {text.begin(), text.end()}; }

TEST_F(NetFile, TheChecksumIsFnv1a64) {
    // The published test values of FNV-1a 64.
    EXPECT_EQ(netChecksum(bytesOf("")), 0xcbf29ce484222325ULL);
    EXPECT_EQ(netChecksum(bytesOf("a")), 0xaf63dc4c8601ec8cULL);
    EXPECT_EQ(netChecksum(bytesOf("foobar")), 0x85944171f73967e8ULL);
}

TEST_F(NetFile, ReadsEveryNumberInItsPlace) {
    // Negative numbers and both bytes of each: a byte order or a row taken for a column shows.
    for (int hidden : {32, 64}) {
        const FixtureNet made = randomNet(hidden, 11, {.weight = 30000, .bias = 30000, .output = 127, .outputBias = 2000000000});
        const NetLoad load = parseNet(netBytes(made));
        ASSERT_TRUE(load.net) << load.problem;
        const Net& net = *load.net;
        ASSERT_EQ(net.hidden, hidden);
        for (int feature = 0; feature < NetInputs; ++feature)
            ASSERT_TRUE(std::equal(net.row(feature), net.row(feature) + hidden, made.weights.begin() + feature * hidden)) << feature;
        EXPECT_TRUE(std::equal(made.biases.begin(), made.biases.end(), net.biases.data()));
        EXPECT_TRUE(std::equal(made.outputWeights.begin(), made.outputWeights.end(), net.outputWeights.data()));
        EXPECT_EQ(net.outputBias, made.outputBias);
    }
}

TEST_F(NetFile, RefusesWhatIsNoNetWithTheReason) {
    const std::vector<unsigned char> good = netBytes(randomNet(32, 5));
    // The header's numbers, at their places.
    constexpr std::size_t InputsAt = 8, HiddenAt = 12;
    const auto setNumber = [](std::vector<unsigned char>& bytes, std::size_t at, std::uint32_t value) {
        for (int i = 0; i < 4; ++i) bytes[at + static_cast<std::size_t>(i)] = static_cast<unsigned char>(value >> (8 * i));
    };
    // The first of the side to move's output weights: after the header, the rows and the biases.
    const std::size_t firstOutputWeight = 16 + 2 * (NetInputs * 32 + 32);
    struct Case {
        const char* what;
        std::function<void(std::vector<unsigned char>&)> spoil;
        const char* reason;
    };
    const Case cases[] = {
        {"empty", [](auto& b) { b.clear(); }, "it has only 0 bytes"},
        {"a byte short", [](auto& b) { b.pop_back(); }, "bytes where its hidden size of 32 makes"},
        {"a byte over", [](auto& b) { b.push_back(0); }, "bytes where its hidden size of 32 makes"},
        {"another magic", [](auto& b) { b[7] = '2'; }, "it does not begin with QORATNN1"},
        {"other inputs", [&](auto& b) { setNumber(b, InputsAt, 1259); seal(b); }, "it has 1259 inputs where the engine has 1260"},
        {"hidden 48", [&](auto& b) { setNumber(b, HiddenAt, 48); seal(b); }, "its hidden size 48 is no multiple of 32 from 32 to 1024"},
        {"hidden 0", [&](auto& b) { setNumber(b, HiddenAt, 0); seal(b); }, "its hidden size 0 is no multiple"},
        {"hidden 1056", [&](auto& b) { setNumber(b, HiddenAt, 1056); seal(b); }, "its hidden size 1056 is no multiple"},
        {"hidden 64 for 32's numbers", [&](auto& b) { setNumber(b, HiddenAt, 64); seal(b); }, "where its hidden size of 64 makes"},
        {"a weight changed", [](auto& b) { b[100] ^= 1; }, "its checksum does not match its contents"},
        {"the checksum changed", [](auto& b) { b.back() ^= 0x80; }, "its checksum does not match its contents"},
        {"an output weight of 128", [&](auto& b) { b[firstOutputWeight] = 128; b[firstOutputWeight + 1] = 0; seal(b); },
         "its output weight 128 is beyond 127 either way"},
        {"an output weight of -128", [&](auto& b) { b[firstOutputWeight] = 0x80; b[firstOutputWeight + 1] = 0xff; seal(b); },
         "its output weight -128 is beyond 127 either way"},
    };
    ASSERT_TRUE(parseNet(good).net);
    for (const Case& c : cases) {
        std::vector<unsigned char> bytes = good;
        c.spoil(bytes);
        const NetLoad load = parseNet(bytes);
        EXPECT_FALSE(load.net) << c.what;
        EXPECT_NE(load.problem.find(c.reason), std::string::npos) << c.what << ": " << load.problem;
    }
}

TEST_F(NetFile, ReadsAFileAndNamesTheFileItRefuses) {
    ASSERT_FALSE(folder.empty());
    std::vector<unsigned char> bytes = netBytes(randomNet(32, 6));
    const std::string good = writeNetFile(folder, "good.nnue", bytes);
    bytes[200] ^= 4;
    const std::string damaged = writeNetFile(folder, "damaged.nnue", bytes);
    const NetLoad load = loadNet(good);
    ASSERT_TRUE(load.net) << load.problem;
    EXPECT_EQ(load.net->hidden, 32);

    struct Case {
        std::string name;
        std::string problem;
    };
    const Case cases[] = {
        {damaged, damaged + " is no net: its checksum does not match its contents"},
        {folder + "/missing.nnue", "No net file " + folder + "/missing.nnue"},
        {folder, folder + " is no file"},
        {"", "No net file is named"},
        // A bare name is looked for in the installed folder and then here, in neither of which it is.
        {"qorat-fixture-nowhere.nnue", "No net file qorat-fixture-nowhere.nnue in " QORAT_DATA_DIR " or the current directory"},
    };
    for (const Case& c : cases) {
        const NetLoad refused = loadNet(c.name);
        EXPECT_FALSE(refused.net) << c.name;
        EXPECT_EQ(refused.problem, c.problem);
    }
}

}  // namespace
}  // namespace qorat::testing
