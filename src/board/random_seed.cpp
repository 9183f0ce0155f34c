// The seed of everything random (position keys, book choice): the time, unless a run
// fixes it so that it can be reproduced.
#include "board/random_seed.h"

#include <ctime>
#include <optional>

namespace qorat {

namespace {
std::optional<unsigned> fixedSeed;
}

void fixRandomSeed(unsigned seed) { fixedSeed = seed; }

unsigned randomSeed() { return fixedSeed ? *fixedSeed : static_cast<unsigned>(std::time(nullptr)); }

}  // namespace qorat
