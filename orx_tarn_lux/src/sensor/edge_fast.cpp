// AVX2 kernel of edge enhancement's horizontal pass: 16 samples per step, the difference and its scaling in 32-bit
// lanes, exactly the scalar arithmetic (arithmetic shift, then clamp).
#include "core/kernel_dispatch.h"
#include "sensor/edge_enhancement.h"

#if ORX_HAVE_FAST_KERNELS
#include <immintrin.h>
#endif

namespace orx {

#if ORX_HAVE_FAST_KERNELS

namespace {

constexpr size_t kStep = 16;  // samples per turn: one register of 16-bit sums

ORX_FAST_TARGET inline __m256i loadSums(const uint16_t* p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

// v + ((factor * (16 v - S) + 32) >> 6), clamped, for eight 32-bit lanes.
ORX_FAST_TARGET inline __m256i enhanceLanes(__m256i v, __m256i sum, __m256i factor, __m256i maxValue) {
    const __m256i difference = _mm256_sub_epi32(_mm256_slli_epi32(v, 4), sum);
    const __m256i scaled =
        _mm256_srai_epi32(_mm256_add_epi32(_mm256_mullo_epi32(difference, factor), _mm256_set1_epi32(32)), 6);
    return _mm256_min_epi32(_mm256_max_epi32(_mm256_add_epi32(v, scaled), _mm256_setzero_si256()), maxValue);
}

}  // namespace

ORX_FAST_TARGET size_t edgeRowFast(const uint16_t* column, const uint8_t* centre, size_t sampleBytes, size_t channels,
                                   uint32_t factor, uint32_t maxValue, uint8_t* target, size_t begin, size_t end) {
    // Alpha lanes (every fourth sample of RGBa rows) keep their value; steps start on pixel borders, so the pattern is
    // the same in every step.
    if (channels == 4 && begin % 4 != 0) return begin;
    const __m256i alpha = channels == 4 ? _mm256_set1_epi64x(int64_t(0xFFFF000000000000ull)) : _mm256_setzero_si256();
    const __m256i f = _mm256_set1_epi32(int32_t(factor));
    const __m256i top = _mm256_set1_epi32(int32_t(maxValue));
    size_t e = begin;
    for (; e + kStep <= end; e += kStep) {
        const __m256i sums =
            _mm256_add_epi16(_mm256_add_epi16(loadSums(column + e - channels), loadSums(column + e + channels)),
                             _mm256_slli_epi16(loadSums(column + e), 1));
        const __m256i v = sampleBytes == 1
                              ? _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(centre + e)))
                              : _mm256_loadu_si256(reinterpret_cast<const __m256i*>(centre + 2 * e));
        const __m256i low = enhanceLanes(_mm256_cvtepu16_epi32(_mm256_castsi256_si128(v)),
                                         _mm256_cvtepu16_epi32(_mm256_castsi256_si128(sums)), f, top);
        const __m256i high = enhanceLanes(_mm256_cvtepu16_epi32(_mm256_extracti128_si256(v, 1)),
                                          _mm256_cvtepu16_epi32(_mm256_extracti128_si256(sums, 1)), f, top);
        // packus works within 128-bit lanes; the permute restores sample order.
        __m256i words = _mm256_permute4x64_epi64(_mm256_packus_epi32(low, high), 0xD8);
        words = _mm256_blendv_epi8(words, v, alpha);
        if (sampleBytes == 1) {
            const __m256i bytes = _mm256_permute4x64_epi64(_mm256_packus_epi16(words, words), 0xD8);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(target + e), _mm256_castsi256_si128(bytes));
        } else {
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(target + 2 * e), words);
        }
    }
    return e;
}

#else

size_t edgeRowFast(const uint16_t*, const uint8_t*, size_t, size_t, uint32_t, uint32_t, uint8_t*, size_t begin,
                   size_t) {
    return begin;
}

#endif

}  // namespace orx
