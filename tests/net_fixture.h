// Nets made up for the tests: seeded random weights of a chosen hidden size, their bytes in
// the engine's file format, and those bytes written into a test's scratch folder.
#pragma once

#include <cstdint>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "nnue/features.h"
#include "nnue/net_file.h"

namespace qorat::testing {

// The widest weights drawn, either way. Small ones keep every accumulator of a real position
// well within 16 bits (32 pieces * 400 + 1000); the output's may reach the trainer's clip.
struct NetRanges {
    int weight = 40;
    int bias = 100;
    int output = NetMostOutputWeight;
    int outputBias = 5000;
};

struct FixtureNet {
    int hidden = 0;
    // [input][hidden]
    std::vector<std::int16_t> weights;
    std::vector<std::int16_t> biases;
    // The side to move's half, then the other side's.
    std::vector<std::int16_t> outputWeights;
    std::int32_t outputBias = 0;

    std::int16_t& weight(int feature, int i) { return weights[static_cast<std::size_t>(feature * hidden + i)]; }
};

// A net of zeros, to be filled by hand.
inline FixtureNet zeroNet(int hidden) {
    const auto h = static_cast<std::size_t>(hidden);
    return {hidden, std::vector<std::int16_t>(NetInputs * h), std::vector<std::int16_t>(h), std::vector<std::int16_t>(2 * h), 0};
}

inline FixtureNet randomNet(int hidden, unsigned seed, const NetRanges& ranges = {}) {
    std::mt19937 random(seed);
    const auto draw = [&random](int most) { return std::uniform_int_distribution<int>(-most, most)(random); };
    FixtureNet net = zeroNet(hidden);
    for (auto* numbers : {&net.weights, &net.biases, &net.outputWeights}) {
        const int most = numbers == &net.weights ? ranges.weight : numbers == &net.biases ? ranges.bias : ranges.output;
        for (std::int16_t& n : *numbers) n = static_cast<std::int16_t>(draw(most));
    }
    net.outputBias = draw(ranges.outputBias);
    return net;
}

inline void appendLittleEndian(std::vector<unsigned char>& bytes, std::uint64_t value, int width) {
    for (int i = 0; i < width; ++i) bytes.push_back(static_cast<unsigned char>(value >> (8 * i)));
}

// Sets the last eight bytes to the checksum of those before them.
inline void seal(std::vector<unsigned char>& bytes) {
    bytes.resize(bytes.size() - 8);
    const std::uint64_t sum = netChecksum(bytes);
    appendLittleEndian(bytes, sum, 8);
}

inline std::vector<unsigned char> netBytes(const FixtureNet& net) {
    std::vector<unsigned char> bytes{'Q', 'O', 'R', 'A', 'T', 'N', 'N', '1'};
    appendLittleEndian(bytes, NetInputs, 4);
    appendLittleEndian(bytes, static_cast<std::uint64_t>(net.hidden), 4);
    for (const auto* numbers : {&net.weights, &net.biases, &net.outputWeights})
        for (std::int16_t n : *numbers) appendLittleEndian(bytes, static_cast<std::uint16_t>(n), 2);
    appendLittleEndian(bytes, static_cast<std::uint32_t>(net.outputBias), 4);
    appendLittleEndian(bytes, 0, 8);
    seal(bytes);
    return bytes;
}

// The net the engine reads from the fixture's bytes.
inline std::unique_ptr<Net> engineNet(const FixtureNet& net) { return parseNet(netBytes(net)).net; }

// Writes the bytes into the folder under the name; returns the file's path.
inline std::string writeNetFile(const std::string& folder, const std::string& name, const std::vector<unsigned char>& bytes) {
    const std::string path = folder + "/" + name;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path;
}

}  // namespace qorat::testing
