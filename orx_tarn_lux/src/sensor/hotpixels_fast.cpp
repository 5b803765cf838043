// AVX2 row kernel of hot-pixel detection: the two largest of eight neighbours kept with running max/min, 32 (8-bit) or
// 16 (16-bit) samples per step; the rare hot lanes come out of a mask.
#include "core/kernel_dispatch.h"
#include "sensor/hotpixels.h"

#if ORX_HAVE_FAST_KERNELS
#include <immintrin.h>
#endif

namespace orx {

#if ORX_HAVE_FAST_KERNELS

namespace {

constexpr size_t kVectorBytes = 32;

ORX_FAST_TARGET inline __m256i load(const uint8_t* p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

struct Lanes8 {
    static __m256i max(__m256i a, __m256i b) ORX_FAST_TARGET { return _mm256_max_epu8(a, b); }
    static __m256i min(__m256i a, __m256i b) ORX_FAST_TARGET { return _mm256_min_epu8(a, b); }
    static __m256i addSaturated(__m256i a, __m256i b) ORX_FAST_TARGET { return _mm256_adds_epu8(a, b); }
    static __m256i subSaturated(__m256i a, __m256i b) ORX_FAST_TARGET { return _mm256_subs_epu8(a, b); }
    static __m256i broadcast(uint32_t v) ORX_FAST_TARGET { return _mm256_set1_epi8(char(std::min(v, 255u))); }
    static constexpr size_t kSampleBytes = 1;
};

struct Lanes16 {
    static __m256i max(__m256i a, __m256i b) ORX_FAST_TARGET { return _mm256_max_epu16(a, b); }
    static __m256i min(__m256i a, __m256i b) ORX_FAST_TARGET { return _mm256_min_epu16(a, b); }
    static __m256i addSaturated(__m256i a, __m256i b) ORX_FAST_TARGET { return _mm256_adds_epu16(a, b); }
    static __m256i subSaturated(__m256i a, __m256i b) ORX_FAST_TARGET { return _mm256_subs_epu16(a, b); }
    static __m256i broadcast(uint32_t v) ORX_FAST_TARGET { return _mm256_set1_epi16(short(std::min(v, 65535u))); }
    static constexpr size_t kSampleBytes = 2;
};

// Appends the hot samples among x0 + lane for lanes from `firstLane` on.
template <typename L>
ORX_FAST_TARGET __attribute__((always_inline)) inline void detectBlock(const uint8_t* const* rows, size_t shift,
                                                                       __m256i limit, size_t x0, size_t firstLane,
                                                                       std::vector<size_t>& hot) {
    const size_t at = x0 * L::kSampleBytes;
    const __m256i neighbours[] = {load(rows[0] + at - shift), load(rows[0] + at),         load(rows[0] + at + shift),
                                  load(rows[1] + at - shift), load(rows[1] + at + shift), load(rows[2] + at - shift),
                                  load(rows[2] + at),         load(rows[2] + at + shift)};
    const __m256i zero = _mm256_setzero_si256();
    __m256i largest = zero;
    __m256i second = zero;
    for (const __m256i& n : neighbours) {
        second = L::max(second, L::min(largest, n));
        largest = L::max(largest, n);
    }
    const __m256i excess = L::subSaturated(load(rows[1] + at), L::addSaturated(second, limit));
    const uint32_t calm = uint32_t(_mm256_movemask_epi8(_mm256_cmpeq_epi8(
        L::kSampleBytes == 1 ? excess : _mm256_or_si256(excess, _mm256_srli_epi16(excess, 8)), zero)));
    uint32_t flagged = ~calm & ~((uint32_t(1) << (firstLane * L::kSampleBytes)) - 1);
    while (flagged != 0) {
        const unsigned lane = unsigned(__builtin_ctz(flagged)) / L::kSampleBytes;
        hot.push_back(x0 + lane);
        flagged &= ~(((1u << L::kSampleBytes) - 1) << (lane * L::kSampleBytes));
    }
}

template <typename L>
ORX_FAST_TARGET size_t detectRow(const uint8_t* const* rows, size_t period, uint32_t threshold, size_t begin,
                                 size_t end, std::vector<size_t>& hot) {
    constexpr size_t kSamples = kVectorBytes / L::kSampleBytes;
    if (end - begin < kSamples) return begin;
    const size_t shift = period * L::kSampleBytes;
    // A threshold at or above the largest lane value can never be exceeded; the saturating add below then yields the
    // lane maximum, which no sample exceeds either.
    const __m256i limit = L::broadcast(threshold);
    size_t x = begin;
    for (; x + kSamples <= end; x += kSamples) detectBlock<L>(rows, shift, limit, x, 0, hot);
    // The rest of the row as one block ending at `end`, its lanes done already skipped.
    if (x < end) detectBlock<L>(rows, shift, limit, end - kSamples, x - (end - kSamples), hot);
    return end;
}

}  // namespace

ORX_FAST_TARGET size_t detectRowFast(const uint8_t* const* rows, size_t sampleBytes, size_t period, uint32_t threshold,
                                     size_t begin, size_t end, std::vector<size_t>& hot) {
    return sampleBytes == 1 ? detectRow<Lanes8>(rows, period, threshold, begin, end, hot)
                            : detectRow<Lanes16>(rows, period, threshold, begin, end, hot);
}

#else

size_t detectRowFast(const uint8_t* const*, size_t, size_t, uint32_t, size_t begin, size_t, std::vector<size_t>&) {
    return begin;
}

#endif

}  // namespace orx
