// Small helpers for the ORX_WIDE_TARGET (AVX-512 BW + VBMI) kernels.
#pragma once

#include <cstddef>

#include "core/kernel_dispatch.h"

#if ORX_HAVE_FAST_KERNELS
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

}  // namespace orx::wide
#endif
