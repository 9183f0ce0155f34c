// The net's output layer, in 64-bit integers.
#include "nnue/output.h"

namespace qorat {

int netEvaluation(const Net& net, const std::int16_t* toMove, const std::int16_t* other, const Kernels& kernels) {
    const std::int16_t* weights = net.outputWeights.data();
    // At most 2 * 1024 * 255 * 255 * 127 in size, some 2^34: the output, even times the scale,
    // is far within 64 bits, and the evaluation within 32.
    const std::int64_t sum = kernels.weigh(toMove, weights, net.hidden) + kernels.weigh(other, weights + net.hidden, net.hidden);
    const std::int64_t output = sum / NetActivationTop + net.outputBias;
    return static_cast<int>(output * NetCentipawnScale / (NetActivationTop * NetOutputQuantum));
}

}  // namespace qorat
