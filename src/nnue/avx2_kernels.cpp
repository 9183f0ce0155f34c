// The net's inner loops with AVX2, compiled for it function by function so that the rest of
// the program runs on any x86-64; used only where the processor says it has AVX2. Elsewhere
// there are none.
#include <climits>
#include <cstdint>

#include "nnue/kernels.h"
#include "nnue/net.h"

#if defined(__x86_64__)
#include <immintrin.h>
#define QORAT_HAS_AVX2_KERNELS 1
#endif

namespace qorat {

#ifdef QORAT_HAS_AVX2_KERNELS

namespace {

// 16 numbers of 16 bits to a vector.
constexpr int Lanes = 16;
static_assert(NetHiddenStep % Lanes == 0, "a hidden size is whole vectors");
// A 32-bit lane adds two products of each vector: NetMostHidden / 8 products at the most.
static_assert(std::int64_t{NetMostHidden} / 8 * NetActivationTop * NetMostOutputWeight * NetActivationTop <= INT_MAX,
              "a lane's sum fits 32 bits");

__attribute__((target("avx2"))) __m256i load(const std::int16_t* p) {
    return _mm256_load_si256(reinterpret_cast<const __m256i*>(p));
}

__attribute__((target("avx2"))) void update(const std::int16_t* parent, std::int16_t* child, int hidden,
                                            const std::int16_t* added, const std::int16_t* removed,
                                            const std::int16_t* captured) {
    for (int i = 0; i < hidden; i += Lanes) {
        __m256i v = _mm256_sub_epi16(_mm256_add_epi16(load(parent + i), load(added + i)), load(removed + i));
        if (captured != nullptr) v = _mm256_sub_epi16(v, load(captured + i));
        _mm256_store_si256(reinterpret_cast<__m256i*>(child + i), v);
    }
}

__attribute__((target("avx2"))) std::int64_t weigh(const std::int16_t* accumulator, const std::int16_t* weights,
                                                   int hidden) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i top = _mm256_set1_epi16(NetActivationTop);
    __m256i lanes = zero;
    for (int i = 0; i < hidden; i += Lanes) {
        const __m256i c = _mm256_min_epi16(_mm256_max_epi16(load(accumulator + i), zero), top);
        // c * weight fits 16 bits; madd multiplies it by c again and adds pairs in 32 bits.
        lanes = _mm256_add_epi32(lanes, _mm256_madd_epi16(_mm256_mullo_epi16(c, load(weights + i)), c));
    }
    const __m256i wide = _mm256_add_epi64(_mm256_cvtepi32_epi64(_mm256_castsi256_si128(lanes)),
                                          _mm256_cvtepi32_epi64(_mm256_extracti128_si256(lanes, 1)));
    const __m128i pair = _mm_add_epi64(_mm256_castsi256_si128(wide), _mm256_extracti128_si256(wide, 1));
    return _mm_cvtsi128_si64(pair) + _mm_extract_epi64(pair, 1);
}

const Kernels avx2{update, weigh};

}  // namespace

const Kernels* avx2Kernels() { return __builtin_cpu_supports("avx2") ? &avx2 : nullptr; }

#else

const Kernels* avx2Kernels() { return nullptr; }

#endif

}  // namespace qorat
