// AVX-512 versions of the corrector kernels: table lookups through byte
// permutes of the tables held in registers, and the colour matrix on sixteen
// pixels at a time with the scalar kernel's float operations in its order.
#include "core/kernel_dispatch.h"
#include "core/wide_simd.h"
#include "correct/correct_kernels.h"

namespace orx::correct {

#if ORX_HAVE_FAST_KERNELS
namespace {

constexpr size_t kTableRegisters = 256 / wide::kBytes;
constexpr size_t kPixelsPerStep = 16;

struct Table {
    __m512i part[kTableRegisters];
};

// Two permutes of 128 entries each; bit 7 of the index picks between them.
ORX_WIDE_TARGET inline __m512i lookUp(const Table& table, __m512i index) {
    const __m512i low = _mm512_permutex2var_epi8(table.part[0], index, table.part[1]);
    const __m512i high = _mm512_permutex2var_epi8(table.part[2], index, table.part[3]);
    return _mm512_mask_blend_epi8(_mm512_movepi8_mask(index), low, high);
}

// Sample i of a block that starts at channel `phase` belongs to channel
// (phase + i) % period.
inline __mmask64 channelMask(size_t phase, size_t channel, size_t period) {
    __mmask64 mask = 0;
    for (size_t i = 0; i < wide::kBytes; ++i)
        if ((phase + i) % period == channel) mask |= __mmask64(1) << i;
    return mask;
}

ORX_WIDE_TARGET inline __m512i byteOrder(const uint8_t (&order)[wide::kBytes]) { return _mm512_loadu_si512(order); }

// Byte permutes between interleaved pixels of `channels` bytes and one
// 128-bit lane per channel.
struct PlanarOrders {
    uint8_t split[wide::kBytes] = {};
    uint8_t join[wide::kBytes] = {};
    explicit PlanarOrders(size_t channels) {
        for (size_t k = 0; k < kPixelsPerStep; ++k)
            for (size_t c = 0; c < channels; ++c) {
                split[c * kPixelsPerStep + k] = uint8_t(k * channels + c);
                join[k * channels + c] = uint8_t(c * kPixelsPerStep + k);
            }
    }
};

template <size_t Channels>
ORX_WIDE_TARGET size_t matrixSteps(const uint8_t* in, uint8_t* out, size_t pixels, const Matrix& matrix) {
    constexpr size_t kBlock = kPixelsPerStep * Channels;
    const PlanarOrders orders(Channels);
    const __m512i split = byteOrder(orders.split);
    const __m512i join = byteOrder(orders.join);
    __m512 m[3][3];
    for (size_t k = 0; k < 3; ++k)
        for (size_t c = 0; c < 3; ++c) m[k][c] = _mm512_set1_ps(matrix.m[k][c]);
    const __m512 zero = _mm512_setzero_ps();
    const __m512 top = _mm512_set1_ps(matrix.maximum);
    size_t x = 0;
    for (; x + kPixelsPerStep <= pixels; x += kPixelsPerStep) {
        const __m512i planes = wide::permuteBytes(split, wide::loadBlock<kBlock>(in + x * Channels));
        __m512 c[3];
        for (size_t k = 0; k < 3; ++k)
            c[k] = _mm512_cvtepi32_ps(_mm512_cvtepu8_epi32(_mm512_extracti32x4_epi32(planes, int(k))));
        __m512i result = planes;  // keeps the alpha lane
        for (size_t k = 0; k < 3; ++k) {
            __m512 sum = _mm512_mul_ps(m[k][0], c[0]);
            sum = _mm512_fmadd_ps(m[k][1], c[1], sum);
            sum = _mm512_fmadd_ps(m[k][2], c[2], sum);
            sum = _mm512_min_ps(_mm512_max_ps(sum, zero), top);
            const __m128i bytes = _mm512_cvtepi32_epi8(_mm512_cvtps_epi32(sum));
            switch (k) {
                case 0: result = _mm512_inserti32x4(result, bytes, 0); break;
                case 1: result = _mm512_inserti32x4(result, bytes, 1); break;
                default: result = _mm512_inserti32x4(result, bytes, 2); break;
            }
        }
        wide::storeBlock<kBlock>(out + x * Channels, wide::permuteBytes(join, result));
    }
    return x;
}

}  // namespace

ORX_WIDE_TARGET size_t applyTables8Wide(const uint8_t* in, uint8_t* out, size_t samples, const uint8_t* const* tables,
                                        size_t period) {
    if (period == 0 || period > kMaxPeriod) return 0;
    Table table[kMaxPeriod];
    for (size_t k = 0; k < period; ++k)
        for (size_t r = 0; r < kTableRegisters; ++r) table[k].part[r] = _mm512_loadu_si512(tables[k] + r * wide::kBytes);
    // Blocks of 64 samples start at channel 0 unless the period is 3.
    constexpr size_t kPhases = 3;
    __mmask64 masks[kPhases][kMaxPeriod];
    for (size_t phase = 0; phase < kPhases; ++phase)
        for (size_t k = 0; k < period; ++k) masks[phase][k] = channelMask(phase, k, period);
    size_t x = 0;
    for (; x + wide::kBytes <= samples; x += wide::kBytes) {
        const size_t phase = x % period % kPhases;
        const __m512i index = _mm512_loadu_si512(in + x);
        __m512i result = lookUp(table[0], index);
        for (size_t k = 1; k < period; ++k) result = _mm512_mask_mov_epi8(result, masks[phase][k], lookUp(table[k], index));
        _mm512_storeu_si512(out + x, result);
    }
    return x;
}

size_t applyMatrix8Wide(const uint8_t* in, uint8_t* out, size_t pixels, const Matrix& matrix) {
    return matrix.channels == 4 ? matrixSteps<4>(in, out, pixels, matrix) : matrixSteps<3>(in, out, pixels, matrix);
}

#else

size_t applyTables8Wide(const uint8_t*, uint8_t*, size_t, const uint8_t* const*, size_t) { return 0; }
size_t applyMatrix8Wide(const uint8_t*, uint8_t*, size_t, const Matrix&) { return 0; }

#endif

}  // namespace orx::correct
