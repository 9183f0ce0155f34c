// The net's inner loops in plain C++, for every processor, and the choice of the fastest.
#include <algorithm>

#include "nnue/kernels.h"
#include "nnue/net.h"

namespace qorat {

namespace {

void update(const std::int16_t* parent, std::int16_t* child, int hidden, const std::int16_t* added,
            const std::int16_t* removed, const std::int16_t* captured) {
    for (int i = 0; i < hidden; ++i) {
        const int taken = captured != nullptr ? captured[i] : 0;
        child[i] = static_cast<std::int16_t>(parent[i] + added[i] - removed[i] - taken);
    }
}

std::int64_t weigh(const std::int16_t* accumulator, const std::int16_t* weights, int hidden) {
    std::int64_t sum = 0;
    for (int i = 0; i < hidden; ++i) {
        const int c = std::clamp<int>(accumulator[i], 0, NetActivationTop);
        sum += (c * weights[i]) * c;
    }
    return sum;
}

const Kernels plain{update, weigh};

}  // namespace

const Kernels& plainKernels() { return plain; }

const Kernels& fastestKernels() {
    static const Kernels& chosen = avx2Kernels() != nullptr ? *avx2Kernels() : plain;
    return chosen;
}

}  // namespace qorat
