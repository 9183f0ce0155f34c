// The two inner loops of the net, in plain C++ and, where the processor has it, with AVX2,
// chosen when the program starts; both give the same numbers, to the last bit.
#pragma once

#include <cstdint>

namespace qorat {

struct Kernels {
    // child = parent + added - removed - captured over the hidden size (captured may be
    // null), in 16 bits: the trainer keeps every accumulator within them.
    void (*update)(const std::int16_t* parent, std::int16_t* child, int hidden, const std::int16_t* added,
                   const std::int16_t* removed, const std::int16_t* captured);
    // The sum over the hidden size of clamp(accumulator, 0, top)^2 * weight, exact. Each
    // product is formed as (c * weight) * c, which fits 32 bits; the vector path adds at most
    // NetMostHidden / 8 of them in a 32-bit lane before the lanes are widened to 64 bits.
    std::int64_t (*weigh)(const std::int16_t* accumulator, const std::int16_t* weights, int hidden);
};

const Kernels& plainKernels();
// The AVX2 loops; null where the processor lacks AVX2.
const Kernels* avx2Kernels();
// AVX2 where the processor has it, else the plain loops.
const Kernels& fastestKernels();

}  // namespace qorat
