// The net's output layer: from the accumulators of the side to move and of the other side,
// the evaluation in centipawns for the side to move.
#pragma once

#include <cstdint>

#include "nnue/kernels.h"
#include "nnue/net.h"

namespace qorat {

// As the definitions give it, each division rounding toward zero; not yet kept within the
// search's range of scores.
int netEvaluation(const Net& net, const std::int16_t* toMove, const std::int16_t* other, const Kernels& kernels);

}  // namespace qorat
