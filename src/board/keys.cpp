// The two tables of random position keys, one entry per (square, piece code).
#include "board/keys.h"

#include <cstdlib>
#include <unordered_set>

#include "board/random_seed.h"

namespace qorat {

std::array<std::uint64_t, KeyTableSize> keyTable1;
std::array<std::uint64_t, KeyTableSize> keyTable2;

namespace {

bool keyTablesFilled = false;
constexpr std::uint64_t KeyValueMask = 0x7FFFFFFF;  // bit 31 stays free for the side to move
constexpr int HalfShift = 16;

std::uint64_t drawKey() {
    const auto a = static_cast<std::uint64_t>(std::rand());
    const auto b = static_cast<std::uint64_t>(std::rand());
    return (b ^ (a << HalfShift)) & KeyValueMask;
}

void fillTable(std::array<std::uint64_t, KeyTableSize>& table, std::unordered_set<std::uint64_t>& used) {
    for (auto& entry : table) {
        std::uint64_t v = drawKey();
        while (v == 0 || used.count(v)) v = drawKey();
        entry = v;
        used.insert(v);
    }
}

}  // namespace

void fillKeyTables(unsigned seed) {
    std::srand(seed);
    std::unordered_set<std::uint64_t> used;
    fillTable(keyTable1, used);
    fillTable(keyTable2, used);
    keyTablesFilled = true;
}

void ensureKeyTables() {
    if (!keyTablesFilled) fillKeyTables(randomSeed());
}

}  // namespace qorat
