// AVX2 row kernel of decimation: one byte shuffle picks the kept units of a 16-byte window, two windows per turn (one
// per 128-bit lane).
#include "core/kernel_dispatch.h"
#include "sensor/block_reduction.h"

#if ORX_HAVE_FAST_KERNELS
#include <immintrin.h>
#endif

namespace orx {

#if ORX_HAVE_FAST_KERNELS

namespace {

constexpr size_t kWindowBytes = 16;  // one SSE load per step
constexpr size_t kStoreBytes = 8;    // one 64-bit store per step; a step never yields more (factor >= 2)

}  // namespace

ORX_FAST_TARGET size_t pickFast(const uint8_t* source, size_t sourceBytes, size_t unitBytes, size_t factor,
                                uint8_t* target, size_t begin, size_t end) {
    const size_t units = kWindowBytes / (unitBytes * factor);
    if (units == 0 || factor < 2) return begin;
    const size_t step = units * unitBytes;  // output bytes per window
    if (begin % step != 0) return begin;
    alignas(16) int8_t order[kWindowBytes];
    for (size_t b = 0; b < kWindowBytes; ++b)
        order[b] = b < step ? static_cast<int8_t>((b / unitBytes) * factor * unitBytes + b % unitBytes) : -1;
    const __m256i shuffle = _mm256_broadcastsi128_si256(_mm_load_si128(reinterpret_cast<const __m128i*>(order)));
    const size_t advance = step * factor;  // source bytes per window
    size_t e = begin;
    // The second store begins where the first one's valid bytes end.
    for (; e + step + kStoreBytes <= end && (e + step) * factor + kWindowBytes <= sourceBytes; e += 2 * step) {
        const uint8_t* at = source + e * factor;
        const __m256i window =
            _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at))),
                                    _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + advance)), 1);
        const __m256i picked = _mm256_shuffle_epi8(window, shuffle);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(target + e), _mm256_castsi256_si128(picked));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(target + e + step), _mm256_extracti128_si256(picked, 1));
    }
    return e;
}

#else

size_t pickFast(const uint8_t*, size_t, size_t, size_t, uint8_t*, size_t begin, size_t) { return begin; }

#endif

}  // namespace orx
