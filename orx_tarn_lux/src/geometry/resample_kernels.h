// Row kernels of separable resampling. The scalar versions define the
// result; the fast versions handle a prefix of [begin, end) and return where
// they stopped, and the scalar version finishes from there.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace orx {

// Horizontal pass: one source row to one row of float sums. Tap k of output
// sample e reads the source sample at byte offset offset[k * stride + e]
// with weight weight[k * stride + e].
//
// For the fast kernel, output samples form blocks of kWindowBlock. When the
// samples tap k of block b reads lie within kWindowSamples consecutive source
// samples, windowStart[k * blocks + b] is the first of them (else -1) and
// lane[k * stride + e] is the position of e's sample in that window. Blocks
// without windows gather their samples one by one, each lane reading
// kGatherBytes; gatherSafe[b] says whether that stays inside the row.
constexpr size_t kWindowBlock = 8;
constexpr size_t kWindowSamples = 16;
constexpr size_t kGatherBytes = 4;

// Two-tap resampling of 8-bit samples (linear, and area where it enlarges)
// holds its weights in 11-bit fixed point, as image-processing libraries
// do: each tap's weight is a multiple of 2^-kPairWeightBits and the two add
// up to one. Horizontal sums are then exact integers scaled by 2^-11, in
// float as in integer arithmetic, so the fast kernel can form them with one
// integer multiply-add per pair. Each half of a block (four samples) reads
// one 16-byte window of the source row, from pairStart[2b] and
// pairStart[2b + 1] on, where both taps of its samples fit (-1 in
// pairStart[2b] where they do not); pairShuffle's 32 bytes for the block
// move each pair into one 32-bit lane (two 16-bit words) and pairWeight
// holds the two integer weights of each sample.
constexpr unsigned kPairWeightBits = 11;
constexpr size_t kPairShuffleBytes = 32;

struct HorizontalTable {
    size_t taps = 0;
    size_t stride = 0;  // samples per output row
    size_t blocks = 0;  // stride / kWindowBlock, rounded down
    const int32_t* offset = nullptr;
    const float* weight = nullptr;
    const int32_t* windowStart = nullptr;
    const int32_t* lane = nullptr;
    const uint8_t* gatherSafe = nullptr;
    const int32_t* pairStart = nullptr;  // null: not an 8-bit two-tap table
    const int8_t* pairShuffle = nullptr;
    const int16_t* pairWeight = nullptr;
};

inline float loadSample(const uint8_t* p, size_t sampleBytes) {
    if (sampleBytes == 1) return static_cast<float>(*p);
    uint16_t v;
    std::memcpy(&v, p, sizeof v);
    return static_cast<float>(v);
}

inline void horizontalScalar(const uint8_t* source, size_t sampleBytes, const HorizontalTable& table,
                             float* out, size_t begin, size_t end) {
    for (size_t e = begin; e < end; ++e) {
        float sum = table.weight[e] * loadSample(source + table.offset[e], sampleBytes);
        for (size_t k = 1; k < table.taps; ++k) {
            const size_t i = k * table.stride + e;
            sum = sum + table.weight[i] * loadSample(source + table.offset[i], sampleBytes);
        }
        out[e] = sum;
    }
}

// Vertical pass: weighted sum of `taps` float rows, clamped to
// [0, maxValue], rounded to nearest (ties to even) and stored.
inline void verticalScalar(const float* const* rows, const float* weights, size_t taps,
                           uint8_t* target, size_t sampleBytes, uint32_t maxValue, size_t begin,
                           size_t end) {
    const float top = static_cast<float>(maxValue);
    for (size_t e = begin; e < end; ++e) {
        float sum = weights[0] * rows[0][e];
        for (size_t k = 1; k < taps; ++k) sum = sum + weights[k] * rows[k][e];
        sum = std::fmin(std::fmax(sum, 0.0f), top);
        const auto value = static_cast<uint32_t>(std::nearbyint(sum));
        if (sampleBytes == 1) {
            target[e] = static_cast<uint8_t>(value);
        } else {
            const auto wide = static_cast<uint16_t>(value);
            std::memcpy(target + 2 * e, &wide, sizeof wide);
        }
    }
}

size_t horizontalFast(const uint8_t* source, size_t sampleBytes, const HorizontalTable& table,
                      float* out, size_t begin, size_t end);

size_t verticalFast(const float* const* rows, const float* weights, size_t taps, uint8_t* target,
                    size_t sampleBytes, uint32_t maxValue, size_t begin, size_t end);

}  // namespace orx
