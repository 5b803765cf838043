// AVX-512 (BW, VBMI) row kernels of 2 x 2 binning of 8-bit samples and of
// decimation: one byte permute gathers what a 64-byte window holds, so each
// step makes up to 32 output bytes (a masked store writes exactly those) where the 16-byte AVX2 windows make 6 to 8
// (three-channel pixels fit a 16-byte window only twice).
#include "core/kernel_dispatch.h"
#include "sensor/block_reduction.h"

#if ORX_HAVE_FAST_KERNELS
#include <immintrin.h>
#endif

namespace orx {

#if ORX_HAVE_FAST_KERNELS

namespace {

constexpr size_t kWindowBytes = 64;  // one 512-bit load per source row
// Masked forms with every lane on: the unmasked intrinsics start from an undefined register that GCC 12 reports.
constexpr __mmask64 kAllLanes = ~__mmask64{0};
constexpr __mmask32 kAllWords = ~__mmask32{0};

// The first `bytes` lanes of a store (at most 32).
inline __mmask64 firstLanes(size_t bytes) { return (__mmask64{1} << bytes) - 1; }

}  // namespace

ORX_WIDE_TARGET size_t binHalfWide(const uint8_t* const* rows, size_t channels, bool sum, size_t sourceSamples,
                                   uint8_t* target, size_t begin, size_t end) {
    if (!useWideKernels() || channels > 4) return begin;
    const size_t step = kWindowBytes / (2 * channels) * channels;  // outputs per window
    if (begin % step != 0) return begin;
    // Puts the two samples of each output side by side for one multiply-add with ones.
    alignas(64) uint8_t order[kWindowBytes] = {};
    for (size_t j = 0; j < step; ++j) {
        const size_t first = (j / channels) * 2 * channels + j % channels;
        order[2 * j] = static_cast<uint8_t>(first);
        order[2 * j + 1] = static_cast<uint8_t>(first + channels);
    }
    const __m512i pairs = _mm512_load_si512(order);
    const __m512i ones = _mm512_set1_epi8(1);
    const __m512i two = _mm512_set1_epi16(2);  // rounds the mean of four
    const __m512i top = _mm512_set1_epi16(0xFF);
    const __mmask64 stored = firstLanes(step);
    size_t e = begin;
    for (; e + step <= end && 2 * e + kWindowBytes <= sourceSamples; e += step) {
        const __m512i upper = _mm512_maskz_permutexvar_epi8(kAllLanes, pairs, _mm512_loadu_si512(rows[0] + 2 * e));
        const __m512i lower = _mm512_maskz_permutexvar_epi8(kAllLanes, pairs, _mm512_loadu_si512(rows[1] + 2 * e));
        const __m512i sums = _mm512_add_epi16(_mm512_maddubs_epi16(upper, ones), _mm512_maddubs_epi16(lower, ones));
        const __m512i values = sum ? _mm512_min_epu16(sums, top) : _mm512_srli_epi16(_mm512_add_epi16(sums, two), 2);
        _mm512_mask_storeu_epi8(target + e, stored,
                                _mm512_castsi256_si512(_mm512_maskz_cvtepi16_epi8(kAllWords, values)));
    }
    return e;
}

ORX_WIDE_TARGET size_t pickWide(const uint8_t* source, size_t sourceBytes, size_t unitBytes, size_t factor,
                                uint8_t* target, size_t begin, size_t end) {
    if (!useWideKernels() || factor < 2) return begin;
    const size_t step = kWindowBytes / (unitBytes * factor) * unitBytes;  // output bytes per window
    if (step == 0 || begin % step != 0) return begin;
    alignas(64) uint8_t order[kWindowBytes] = {};
    for (size_t b = 0; b < step; ++b)
        order[b] = static_cast<uint8_t>((b / unitBytes) * factor * unitBytes + b % unitBytes);
    const __m512i picks = _mm512_load_si512(order);
    const __mmask64 stored = firstLanes(step);
    size_t e = begin;
    for (; e + step <= end && e * factor + kWindowBytes <= sourceBytes; e += step) {
        const __m512i picked = _mm512_maskz_permutexvar_epi8(kAllLanes, picks, _mm512_loadu_si512(source + e * factor));
        _mm512_mask_storeu_epi8(target + e, stored, picked);
    }
    return e;
}

#else

size_t binHalfWide(const uint8_t* const*, size_t, bool, size_t, uint8_t*, size_t begin, size_t) { return begin; }
size_t pickWide(const uint8_t*, size_t, size_t, size_t, uint8_t*, size_t begin, size_t) { return begin; }

#endif

}  // namespace orx
