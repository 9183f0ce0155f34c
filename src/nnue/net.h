// A net as the engine holds it: one feature transformer that both perspectives share, and
// the output weights of the side to move's half and the other's; every number an integer.
#pragma once

#include <cstdint>

#include "nnue/aligned_numbers.h"
#include "nnue/features.h"

namespace qorat {

// The quantisation the trainer exports with: an activation is clamped to 0..NetActivationTop
// (the float 1.0); the output weights carry NetOutputQuantum to the float 1.0; the output
// times NetCentipawnScale over both is the evaluation in centipawns.
constexpr int NetActivationTop = 255;
constexpr int NetOutputQuantum = 64;
constexpr int NetCentipawnScale = 400;
// The trainer clips the output weights here, so that an activation times a weight fits 16
// bits: the vector path multiplies in 16 bits (255 * 127 = 32385).
constexpr int NetMostOutputWeight = 127;
// Hidden sizes come in whole vector blocks of 32 numbers, up to what a search's accumulator
// stack can hold on every thread.
constexpr int NetHiddenStep = 32;
constexpr int NetMostHidden = 1024;

struct Net {
    explicit Net(int hiddenSize)
        : hidden(hiddenSize),
          weights(static_cast<std::size_t>(NetInputs) * static_cast<std::size_t>(hiddenSize)),
          biases(static_cast<std::size_t>(hiddenSize)),
          outputWeights(2 * static_cast<std::size_t>(hiddenSize)) {}

    // The feature transformer's weights of one input, a row of the hidden size.
    const std::int16_t* row(int feature) const { return weights.data() + static_cast<std::size_t>(feature) * static_cast<std::size_t>(hidden); }

    int hidden;
    AlignedNumbers weights;
    AlignedNumbers biases;
    // The side to move's half first, then the other side's.
    AlignedNumbers outputWeights;
    std::int32_t outputBias = 0;
};

}  // namespace qorat
