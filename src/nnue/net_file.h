// The net file and its reading. The trainer writes it so, every number little-endian:
//
//   8 bytes        "QORATNN1"
//   u32            the inputs: 1260 (features.h says which is which)
//   u32            H, the hidden size: a multiple of 32, from 32 up to 1024
//   i16 [1260][H]  the feature transformer's weights: one row of H for each input
//   i16 [H]        its biases
//   i16 [2H]       the output weights: H for the side to move's accumulator, then H for the
//                  other side's; each within -127..127
//   i32            the output bias
//   u64            the checksum: FNV-1a 64 (offset basis 14695981039346656037, prime
//                  1099511628211) of every byte before it
//
// A file of any other size, magic, input count, hidden size or checksum, or with an output
// weight beyond 127 either way, is refused. output.h tells how the numbers make an evaluation.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "nnue/net.h"

namespace qorat {

// The file looked for until another is named.
inline constexpr char DefaultNetFile[] = "qorat.nnue";

// A net read, or the reason there is none.
struct NetLoad {
    std::unique_ptr<Net> net;
    std::string problem;
};

// FNV-1a 64 of the bytes.
std::uint64_t netChecksum(std::span<const unsigned char> bytes);
// The net that the whole of a file's bytes hold; else the reason, as it follows "... is no net: ".
NetLoad parseNet(std::span<const unsigned char> bytes);
// The net of the named file: a bare file name is looked for in the installed data folder,
// then in the current directory; a path with a folder is read as given. The problem says
// which file it is about.
NetLoad loadNet(const std::string& name);

}  // namespace qorat
