// The seed of everything random (position keys, book choice): the time, unless a run
// fixes it so that it can be reproduced.
#pragma once

namespace qorat {

void fixRandomSeed(unsigned seed);
unsigned randomSeed();

}  // namespace qorat
