// AVX2 versions of the resampling row kernels. They perform the same float
// operations in the same order as the scalar kernels (a multiply and an add
// per tap, never a fused multiply-add), so both give identical bits.
#include "core/kernel_dispatch.h"
#include "geometry/box_kernels.h"
#include "geometry/resample_kernels.h"

#if ORX_HAVE_FAST_KERNELS
#include <immintrin.h>
#endif

namespace orx {

#if ORX_HAVE_FAST_KERNELS
namespace {

constexpr size_t kLanes = 8;          // floats per AVX2 register

ORX_FAST_TARGET inline __m256 gatherSamples(const uint8_t* source, __m256i offsets, __m256i mask) {
    const __m256i words = _mm256_i32gather_epi32(reinterpret_cast<const int*>(source), offsets, 1);
    return _mm256_cvtepi32_ps(_mm256_and_si256(words, mask));
}

// Samples [0, 8) and [8, 16) of a window, as floats.
ORX_FAST_TARGET inline void loadWindow(const uint8_t* p, size_t sampleBytes, __m256& low,
                                       __m256& high) {
    if (sampleBytes == 1) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        low = _mm256_cvtepi32_ps(_mm256_cvtepu8_epi32(bytes));
        high = _mm256_cvtepi32_ps(_mm256_cvtepu8_epi32(_mm_srli_si128(bytes, 8)));
    } else {
        const __m256i words = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
        low = _mm256_cvtepi32_ps(_mm256_cvtepu16_epi32(_mm256_castsi256_si128(words)));
        high = _mm256_cvtepi32_ps(_mm256_cvtepu16_epi32(_mm256_extracti128_si256(words, 1)));
    }
}

// Picks each lane's sample out of a 16-sample window: bit 3 of the lane
// index chooses the half, the low three bits the sample within it.
ORX_FAST_TARGET inline __m256 pickFromWindow(__m256 low, __m256 high, __m256i lanes) {
    const __m256 fromHigh = _mm256_castsi256_ps(_mm256_slli_epi32(lanes, 28));
    return _mm256_blendv_ps(_mm256_permutevar8x32_ps(low, lanes),
                            _mm256_permutevar8x32_ps(high, lanes), fromHigh);
}

ORX_FAST_TARGET bool blockHasWindows(const HorizontalTable& table, size_t block) {
    for (size_t k = 0; k < table.taps; ++k)
        if (table.windowStart[k * table.blocks + block] < 0) return false;
    return true;
}

}  // namespace

ORX_FAST_TARGET size_t horizontalFast(const uint8_t* source, size_t sampleBytes,
                                      const HorizontalTable& table, float* out, size_t begin,
                                      size_t end) {
    if (begin % kWindowBlock != 0) return begin;
    const __m256i mask = _mm256_set1_epi32(sampleBytes == 1 ? 0xFF : 0xFFFF);
    const __m256 pairScale = _mm256_set1_ps(1.0f / float(1u << kPairWeightBits));
    size_t e = begin;
    for (; e + kLanes <= end; e += kLanes) {
        const size_t block = e / kWindowBlock;
        if (table.pairStart != nullptr && table.pairStart[2 * block] >= 0) {
            const __m256i window = _mm256_inserti128_si256(
                _mm256_castsi128_si256(
                    _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + table.pairStart[2 * block]))),
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + table.pairStart[2 * block + 1])), 1);
            const __m256i pairs = _mm256_shuffle_epi8(
                window, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(table.pairShuffle +
                                                                            block * kPairShuffleBytes)));
            const __m256i sums = _mm256_madd_epi16(
                pairs, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(table.pairWeight + 2 * e)));
            _mm256_storeu_ps(out + e, _mm256_mul_ps(_mm256_cvtepi32_ps(sums), pairScale));
            continue;
        }
        const bool windowed = blockHasWindows(table, block);
        if (!windowed && !table.gatherSafe[block]) break;
        __m256 sum = _mm256_setzero_ps();
        for (size_t k = 0; k < table.taps; ++k) {
            const size_t i = k * table.stride + e;
            __m256 samples;
            if (windowed) {
                __m256 low, high;
                const size_t start = size_t(table.windowStart[k * table.blocks + block]);
                loadWindow(source + start * sampleBytes, sampleBytes, low, high);
                samples = pickFromWindow(
                    low, high, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(table.lane + i)));
            } else {
                samples = gatherSamples(
                    source, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(table.offset + i)),
                    mask);
            }
            const __m256 term = _mm256_mul_ps(_mm256_loadu_ps(table.weight + i), samples);
            sum = k == 0 ? term : _mm256_add_ps(sum, term);
        }
        _mm256_storeu_ps(out + e, sum);
    }
    return e;
}

ORX_FAST_TARGET size_t verticalFast(const float* const* rows, const float* weights, size_t taps,
                                    uint8_t* target, size_t sampleBytes, uint32_t maxValue,
                                    size_t begin, size_t end) {
    const __m256 zero = _mm256_setzero_ps();
    const __m256 top = _mm256_set1_ps(static_cast<float>(maxValue));
    size_t e = begin;
    for (; e + kLanes <= end; e += kLanes) {
        __m256 sum = _mm256_mul_ps(_mm256_set1_ps(weights[0]), _mm256_loadu_ps(rows[0] + e));
        for (size_t k = 1; k < taps; ++k)
            sum = _mm256_add_ps(sum, _mm256_mul_ps(_mm256_set1_ps(weights[k]),
                                                   _mm256_loadu_ps(rows[k] + e)));
        sum = _mm256_min_ps(_mm256_max_ps(sum, zero), top);
        const __m256i rounded = _mm256_cvtps_epi32(sum);
        const __m128i wide = _mm_packus_epi32(_mm256_castsi256_si128(rounded),
                                              _mm256_extracti128_si256(rounded, 1));
        if (sampleBytes == 1)
            _mm_storel_epi64(reinterpret_cast<__m128i*>(target + e), _mm_packus_epi16(wide, wide));
        else
            _mm_storeu_si128(reinterpret_cast<__m128i*>(target + 2 * e), wide);
    }
    return e;
}

namespace {

constexpr size_t kBoxLoadBytes = 16;   // one SSE load per source row
constexpr size_t kBoxStoreBytes = 8;   // one 64-bit store of results

// Shuffle that puts the two samples of each output sample side by side, so
// that one multiply-add with ones sums them. Pixels whose two source pixels
// do not fit into one load are left out (index -1 clears a byte).
ORX_FAST_TARGET __m128i pairingShuffle(size_t channels, size_t& outputsPerStep) {
    const size_t pixels = kBoxLoadBytes / (2 * channels);
    outputsPerStep = pixels * channels;
    alignas(16) int8_t order[kBoxLoadBytes];
    for (size_t j = 0; j < kBoxLoadBytes / 2; ++j) {
        const bool used = j < outputsPerStep;
        const size_t first = (j / channels) * 2 * channels + j % channels;
        order[2 * j] = used ? static_cast<int8_t>(first) : -1;
        order[2 * j + 1] = used ? static_cast<int8_t>(first + channels) : -1;
    }
    return _mm_load_si128(reinterpret_cast<const __m128i*>(order));
}

}  // namespace

ORX_FAST_TARGET size_t boxHalfFast(const uint8_t* const* rows, const BoxBlock& box,
                                   size_t sourceSamples, uint8_t* target, size_t begin,
                                   size_t end) {
    if (box.sampleBytes != 1 || box.factorX != 2 || box.factorY != 2 || box.channels > 4)
        return begin;
    size_t step = 0;
    const __m256i order = _mm256_broadcastsi128_si256(pairingShuffle(box.channels, step));
    if (begin % step != 0) return begin;
    const __m256i ones = _mm256_set1_epi8(1);
    const __m256i half = _mm256_set1_epi16(2);  // rounds the mean of four
    // Two steps per turn, one per 128-bit lane: output sample e starts
    // source sample 2e of both rows, and lane 1 carries on `step` samples on.
    const auto load = [&](const uint8_t* row, size_t e) ORX_FAST_TARGET {
        return _mm256_inserti128_si256(
            _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(row + 2 * e))),
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + 2 * (e + step))), 1);
    };
    size_t e = begin;
    for (; e + step + kBoxStoreBytes <= end && 2 * (e + step) + kBoxLoadBytes <= sourceSamples; e += 2 * step) {
        const __m256i sums =
            _mm256_add_epi16(_mm256_maddubs_epi16(_mm256_shuffle_epi8(load(rows[0], e), order), ones),
                             _mm256_maddubs_epi16(_mm256_shuffle_epi8(load(rows[1], e), order), ones));
        // Packing saturates, which is what a sum of 8-bit samples needs.
        const __m256i means = box.sum ? sums : _mm256_srli_epi16(_mm256_add_epi16(sums, half), 2);
        const __m256i bytes = _mm256_packus_epi16(means, means);
        // The second store starts where the first one's valid bytes end.
        _mm_storel_epi64(reinterpret_cast<__m128i*>(target + e), _mm256_castsi256_si128(bytes));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(target + e + step), _mm256_extracti128_si256(bytes, 1));
    }
    // One last single step where two no longer fit.
    for (; e + kBoxStoreBytes <= end && 2 * e + kBoxLoadBytes <= sourceSamples; e += step) {
        const __m128i sums = _mm_add_epi16(
            _mm_maddubs_epi16(_mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[0] + 2 * e)),
                                               _mm256_castsi256_si128(order)),
                              _mm256_castsi256_si128(ones)),
            _mm_maddubs_epi16(_mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[1] + 2 * e)),
                                               _mm256_castsi256_si128(order)),
                              _mm256_castsi256_si128(ones)));
        const __m128i means = box.sum ? sums : _mm_srli_epi16(_mm_add_epi16(sums, _mm256_castsi256_si128(half)), 2);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(target + e), _mm_packus_epi16(means, means));
    }
    return e;
}

#else

size_t boxHalfFast(const uint8_t* const*, const BoxBlock&, size_t, uint8_t*, size_t begin, size_t) {
    return begin;
}

size_t horizontalFast(const uint8_t*, size_t, const HorizontalTable&, float*, size_t begin, size_t) {
    return begin;
}

size_t verticalFast(const float* const*, const float*, size_t, uint8_t*, size_t, uint32_t,
                    size_t begin, size_t) {
    return begin;
}

#endif

}  // namespace orx
