// Small helpers for the ORX_WIDE_TARGET (AVX-512 BW + VBMI) kernels.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/kernel_dispatch.h"

#if ORX_HAVE_FAST_KERNELS
// GCC 12's AVX-512 intrinsics pass an undefined register to their builtins
// and then warn about it at every use (GCC bug 105593); the warning says
// nothing about the kernels of the file that includes this header.
#if defined(__GNUC__) && !defined(__clang__) && __GNUC__ < 13
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <immintrin.h>

namespace orx::wide {

constexpr size_t kBytes = 64;

// Byte i of the result is byte order[i] of `bytes`. (The unmasked intrinsic
// passes an undefined register to the compiler, which then warns.)
ORX_WIDE_TARGET inline __m512i permuteBytes(__m512i order, __m512i bytes) {
    return _mm512_mask_permutexvar_epi8(bytes, ~__mmask64(0), order, bytes);
}

// Selects the first `count` bytes of a register, count <= 64.
inline __mmask64 firstBytes(size_t count) {
    return count >= kBytes ? ~__mmask64(0) : (__mmask64(1) << count) - 1;
}

// Blocks of exactly 64 or 48 bytes, without masks (masked stores are slow
// on some processors); 48 bytes are sixteen 3-byte pixels.
constexpr size_t kThreeQuarterBytes = 48;

template <size_t Bytes>
ORX_WIDE_TARGET inline __m512i loadBlock(const uint8_t* p) {
    static_assert(Bytes == kBytes || Bytes == kThreeQuarterBytes);
    if constexpr (Bytes == kBytes) return _mm512_loadu_si512(p);
    const __m256i low = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
    const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 32));
    return _mm512_inserti32x4(_mm512_zextsi256_si512(low), high, 2);
}

template <size_t Bytes>
ORX_WIDE_TARGET inline void storeBlock(uint8_t* p, __m512i v) {
    static_assert(Bytes == kBytes || Bytes == kThreeQuarterBytes);
    if constexpr (Bytes == kBytes) return _mm512_storeu_si512(p, v);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), _mm512_castsi512_si256(v));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p + 32), _mm512_extracti32x4_epi32(v, 2));
}

}  // namespace orx::wide
#endif
