// Vector versions of the transformer's kernels. Byte permutes move whole
// pixels, so every result equals the scalar kernels' bytes.
#include "core/kernel_dispatch.h"
#include "core/wide_simd.h"
#include "geometry/flip_kernels.h"

#if ORX_HAVE_FAST_KERNELS
#include <immintrin.h>
#endif

namespace orx::flip {

#if ORX_HAVE_FAST_KERNELS
namespace {

constexpr size_t kVectorBytes = wide::kBytes;

// Blocks are whole 64 bytes, or 48 for the pixel sizes that do not divide
// 64 (3 and 6), and touch exactly the block's bytes.
constexpr size_t kThreeQuarterBytes = wide::kThreeQuarterBytes;
using wide::loadBlock;
using wide::storeBlock;

inline size_t blockBytes(size_t pixelBytes) {
    if (kVectorBytes % pixelBytes == 0) return kVectorBytes;
    return kThreeQuarterBytes % pixelBytes == 0 ? kThreeQuarterBytes : 0;
}

// The byte permute that reverses the order of the pixels of a block.
ORX_WIDE_TARGET __m512i reversingOrder(size_t pixelBytes, size_t bytes) {
    alignas(64) uint8_t order[kVectorBytes] = {};
    const size_t pixels = bytes / pixelBytes;
    for (size_t k = 0; k < pixels; ++k)
        for (size_t c = 0; c < pixelBytes; ++c) order[k * pixelBytes + c] = uint8_t((pixels - 1 - k) * pixelBytes + c);
    return _mm512_load_si512(order);
}

template <size_t Bytes>
ORX_WIDE_TARGET size_t reverseBlocks(const uint8_t* in, uint8_t* out, size_t n, size_t pixelBytes) {
    const __m512i order = reversingOrder(pixelBytes, Bytes);
    const size_t pixels = Bytes / pixelBytes;
    size_t x = 0;
    for (; x + pixels <= n; x += pixels)
        storeBlock<Bytes>(out + x * pixelBytes, wide::permuteBytes(order, loadBlock<Bytes>(in + (n - x - pixels) * pixelBytes)));
    return x;
}

template <size_t Bytes>
ORX_WIDE_TARGET size_t swapReversedBlocks(uint8_t* a, uint8_t* b, size_t n, size_t pixelBytes, size_t end) {
    const __m512i order = reversingOrder(pixelBytes, Bytes);
    const size_t pixels = Bytes / pixelBytes;
    size_t x = 0;
    for (; x + pixels <= end; x += pixels) {
        uint8_t* left = a + x * pixelBytes;
        uint8_t* right = b + (n - x - pixels) * pixelBytes;
        const __m512i fromLeft = loadBlock<Bytes>(left);
        const __m512i fromRight = loadBlock<Bytes>(right);
        storeBlock<Bytes>(left, wide::permuteBytes(order, fromRight));
        storeBlock<Bytes>(right, wide::permuteBytes(order, fromLeft));
    }
    return x;
}

// Sixteen rows of sixteen 32-bit elements transposed in four rounds: each
// round interleaves register pairs that differ in one bit of their index, so
// after the rounds for bits 3..0 register i holds what was column i.
ORX_WIDE_TARGET inline void transpose16x16(__m512i (&r)[16]) {
    const __m512i low = _mm512_setr_epi32(0, 16, 1, 17, 2, 18, 3, 19, 4, 20, 5, 21, 6, 22, 7, 23);
    const __m512i high = _mm512_setr_epi32(8, 24, 9, 25, 10, 26, 11, 27, 12, 28, 13, 29, 14, 30, 15, 31);
#pragma GCC unroll 4
    for (size_t distance = 8; distance > 0; distance /= 2) {
        __m512i next[16];
#pragma GCC unroll 16
        for (size_t i = 0; i < 16; ++i) {
            if (i & distance) continue;
            next[i] = _mm512_permutex2var_epi32(r[i], low, r[i | distance]);
            next[i | distance] = _mm512_permutex2var_epi32(r[i], high, r[i | distance]);
        }
#pragma GCC unroll 16
        for (size_t i = 0; i < 16; ++i) r[i] = next[i];
    }
}

// The same for bytes in 128-bit registers.
ORX_FAST_TARGET inline void transpose16x16(__m128i (&r)[16]) {
#pragma GCC unroll 4
    for (size_t distance = 8; distance > 0; distance /= 2) {
        __m128i next[16];
#pragma GCC unroll 16
        for (size_t i = 0; i < 16; ++i) {
            if (i & distance) continue;
            next[i] = _mm_unpacklo_epi8(r[i], r[i | distance]);
            next[i | distance] = _mm_unpackhi_epi8(r[i], r[i | distance]);
        }
#pragma GCC unroll 16
        for (size_t i = 0; i < 16; ++i) r[i] = next[i];
    }
}

ORX_FAST_TARGET void transposeBytes(const uint8_t* in, ptrdiff_t inStep, uint8_t* out, ptrdiff_t outStep) {
    __m128i r[16];
#pragma GCC unroll 16
    for (size_t j = 0; j < 16; ++j) r[j] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + ptrdiff_t(j) * inStep));
    transpose16x16(r);
#pragma GCC unroll 16
    for (size_t i = 0; i < 16; ++i) _mm_storeu_si128(reinterpret_cast<__m128i*>(out + ptrdiff_t(i) * outStep), r[i]);
}

// Byte permutes between 16 pixels of PixelBytes and 16 32-bit words.
template <size_t PixelBytes>
struct WordOrders {
    alignas(64) uint8_t widen[kVectorBytes] = {};
    alignas(64) uint8_t narrow[kVectorBytes] = {};
    constexpr WordOrders() {
        for (size_t k = 0; k < 16; ++k)
            for (size_t c = 0; c < PixelBytes; ++c) {
                widen[4 * k + c] = uint8_t(PixelBytes * k + c);
                narrow[PixelBytes * k + c] = uint8_t(4 * k + c);
            }
    }
};
template <size_t PixelBytes>
constexpr WordOrders<PixelBytes> kWordOrders{};

// Four-byte pixels directly; three-byte pixels widened to four on the way in
// and narrowed on the way out.
template <size_t PixelBytes>
ORX_WIDE_TARGET void transposeWords(const uint8_t* in, ptrdiff_t inStep, uint8_t* out, ptrdiff_t outStep) {
    constexpr size_t kRowBytes = 16 * PixelBytes;
    const __m512i widenOrder = _mm512_load_si512(kWordOrders<PixelBytes>.widen);
    const __m512i narrowOrder = _mm512_load_si512(kWordOrders<PixelBytes>.narrow);
    __m512i r[16];
#pragma GCC unroll 16
    for (size_t j = 0; j < 16; ++j) {
        r[j] = loadBlock<kRowBytes>(in + ptrdiff_t(j) * inStep);
        if constexpr (PixelBytes != 4) r[j] = wide::permuteBytes(widenOrder, r[j]);
    }
    transpose16x16(r);
#pragma GCC unroll 16
    for (size_t i = 0; i < 16; ++i) {
        if constexpr (PixelBytes != 4) r[i] = wide::permuteBytes(narrowOrder, r[i]);
        storeBlock<kRowBytes>(out + ptrdiff_t(i) * outStep, r[i]);
    }
}

}  // namespace

size_t reverseWide(const uint8_t* in, uint8_t* out, size_t n, size_t pixelBytes) {
    switch (blockBytes(pixelBytes)) {
        case kVectorBytes: return reverseBlocks<kVectorBytes>(in, out, n, pixelBytes);
        case kThreeQuarterBytes: return reverseBlocks<kThreeQuarterBytes>(in, out, n, pixelBytes);
        default: return 0;
    }
}

size_t swapReversedWide(uint8_t* a, uint8_t* b, size_t n, size_t pixelBytes, size_t end) {
    switch (blockBytes(pixelBytes)) {
        case kVectorBytes: return swapReversedBlocks<kVectorBytes>(a, b, n, pixelBytes, end);
        case kThreeQuarterBytes: return swapReversedBlocks<kThreeQuarterBytes>(a, b, n, pixelBytes, end);
        default: return 0;
    }
}

bool transposeTileFast(const uint8_t* in, ptrdiff_t inStep, uint8_t* out, ptrdiff_t outStep, size_t pixelBytes) {
    switch (pixelBytes) {
        case 1: transposeBytes(in, inStep, out, outStep); return true;
        case 3:
            if (!useWideKernels()) return false;
            transposeWords<3>(in, inStep, out, outStep);
            return true;
        case 4:
            if (!useWideKernels()) return false;
            transposeWords<4>(in, inStep, out, outStep);
            return true;
        default: return false;
    }
}

#else

size_t reverseWide(const uint8_t*, uint8_t*, size_t, size_t) { return 0; }
size_t swapReversedWide(uint8_t*, uint8_t*, size_t, size_t, size_t) { return 0; }
bool transposeTileFast(const uint8_t*, ptrdiff_t, uint8_t*, ptrdiff_t, size_t) { return false; }

#endif

}  // namespace orx::flip
