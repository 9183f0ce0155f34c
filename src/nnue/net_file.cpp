// Reading the net file: its sizes, checksum and weights, each checked before it is used.
#include "nnue/net_file.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <vector>

#include "board/notation.h"

namespace qorat {

namespace {

constexpr std::string_view Magic = "QORATNN1";
constexpr std::uint64_t FnvOffsetBasis = 14695981039346656037ULL;
constexpr std::uint64_t FnvPrime = 1099511628211ULL;
constexpr std::size_t HeaderBytes = Magic.size() + 2 * sizeof(std::uint32_t);
constexpr std::size_t ChecksumBytes = sizeof(std::uint64_t);

constexpr std::size_t fileBytes(std::size_t hidden) {
    return HeaderBytes + (static_cast<std::size_t>(NetInputs) * hidden + hidden + 2 * hidden) * sizeof(std::int16_t) +
           sizeof(std::int32_t) + ChecksumBytes;
}

// The largest net's: a larger file is refused before it is read.
constexpr std::size_t MostNetBytes = fileBytes(NetMostHidden);

// The file's numbers in order, little-endian whatever the machine.
class LittleEndianReader {
public:
    explicit LittleEndianReader(std::span<const unsigned char> b) : bytes(b) {}

    std::uint64_t next(std::size_t width) {
        std::uint64_t value = 0;
        for (std::size_t i = 0; i < width; ++i) value |= std::uint64_t{bytes[at + i]} << (8 * i);
        at += width;
        return value;
    }
    std::uint32_t u32() { return static_cast<std::uint32_t>(next(4)); }
    std::int32_t i32() { return static_cast<std::int32_t>(u32()); }
    std::int16_t i16() { return static_cast<std::int16_t>(next(2)); }
    void fill(AlignedNumbers& numbers) {
        for (std::size_t i = 0; i < numbers.size(); ++i) numbers.data()[i] = i16();
    }

private:
    std::span<const unsigned char> bytes;
    std::size_t at = 0;
};

NetLoad refusal(std::string reason) { return {nullptr, std::move(reason)}; }

NetLoad readNet(const std::string& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return refusal(printableText(path) + " is no file");
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error) return refusal("Can't read " + printableText(path));
    if (size > MostNetBytes)
        return refusal(printableText(path) + " is no net: it has " + std::to_string(size) + " bytes, more than the largest net's " +
                       std::to_string(MostNetBytes));
    std::vector<unsigned char> bytes(static_cast<std::size_t>(size));
    std::ifstream in(path, std::ios::binary);
    if (!in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size())))
        return refusal("Can't read " + printableText(path));
    NetLoad load = parseNet(bytes);
    if (!load.net) load.problem = printableText(path) + " is no net: " + load.problem;
    return load;
}

}  // namespace

std::uint64_t netChecksum(std::span<const unsigned char> bytes) {
    std::uint64_t hash = FnvOffsetBasis;
    for (unsigned char byte : bytes) hash = (hash ^ byte) * FnvPrime;
    return hash;
}

NetLoad parseNet(std::span<const unsigned char> bytes) {
    if (bytes.size() < HeaderBytes) return refusal("it has only " + std::to_string(bytes.size()) + " bytes");
    if (!std::equal(Magic.begin(), Magic.end(), bytes.begin())) return refusal("it does not begin with " + std::string(Magic));
    LittleEndianReader reader(bytes.subspan(Magic.size()));
    const std::uint32_t inputs = reader.u32();
    if (inputs != NetInputs)
        return refusal("it has " + std::to_string(inputs) + " inputs where the engine has " + std::to_string(NetInputs));
    const std::uint32_t hidden = reader.u32();
    if (hidden == 0 || hidden % NetHiddenStep != 0 || hidden > NetMostHidden)
        return refusal("its hidden size " + std::to_string(hidden) + " is no multiple of " + std::to_string(NetHiddenStep) +
                       " from " + std::to_string(NetHiddenStep) + " to " + std::to_string(NetMostHidden));
    const std::size_t expected = fileBytes(hidden);
    if (bytes.size() != expected)
        return refusal("it has " + std::to_string(bytes.size()) + " bytes where its hidden size of " + std::to_string(hidden) +
                       " makes " + std::to_string(expected));
    const std::size_t summed = bytes.size() - ChecksumBytes;
    if (LittleEndianReader(bytes.subspan(summed)).next(ChecksumBytes) != netChecksum(bytes.first(summed)))
        return refusal("its checksum does not match its contents");

    auto net = std::make_unique<Net>(static_cast<int>(hidden));
    reader.fill(net->weights);
    reader.fill(net->biases);
    reader.fill(net->outputWeights);
    net->outputBias = reader.i32();
    const std::int16_t* weights = net->outputWeights.data();
    for (std::size_t i = 0; i < net->outputWeights.size(); ++i)
        if (weights[i] < -NetMostOutputWeight || weights[i] > NetMostOutputWeight)
            return refusal("its output weight " + std::to_string(weights[i]) + " is beyond " +
                           std::to_string(NetMostOutputWeight) + " either way");
    return {std::move(net), ""};
}

NetLoad loadNet(const std::string& name) {
    if (name.empty()) return refusal("No net file is named");
    const bool bare = name.find('/') == std::string::npos;
    std::vector<std::string> places;
    if (bare) places.push_back(std::string(QORAT_DATA_DIR "/") + name);
    places.push_back(name);
    for (const std::string& place : places) {
        std::error_code error;
        if (std::filesystem::exists(place, error)) return readNet(place);
    }
    return refusal("No net file " + printableText(name) + (bare ? " in " QORAT_DATA_DIR " or the current directory" : ""));
}

}  // namespace qorat
