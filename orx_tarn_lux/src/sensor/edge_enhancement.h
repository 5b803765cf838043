// Edge enhancement by unsharp masking: each sample gains factor / 4 times its difference from a 3 x 3 binomial blur of
// its channel,
//     out = clamp(v + (factor * (16 v - S) + 32) >> 6, 0, max)
// where S is the blur's sum with weights 1 2 1 / 2 4 2 / 1 2 1 (the image border repeats its outermost samples). Factor
// 0 changes nothing, the default 4 adds the difference once; flat areas stay flat because their difference is 0, and
// the clamp keeps every result a valid sample of the format. Alpha channels are copied unchanged.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "core/image.h"

namespace orx {

constexpr uint32_t kEdgeFactorMin = 0;
constexpr uint32_t kEdgeFactorMax = 40;  // ten times the difference: beyond that only noise grows
constexpr uint32_t kEdgeFactorIncrement = 1;
constexpr uint32_t kEdgeFactorDefault = 4;

// Mono and RGB family formats of 8 to 12 significant bits, unpacked.
bool isEdgeEnhancementFormat(TARN_LUX_PixelFormatName name);

// Throws INVALID_ARGUMENT "value isn't supported." outside the range.
void checkEdgeFactor(uint32_t factor);

// Writes the enhanced `source` into `target` (a fresh image of the same format and size; not the source itself). Throws
// IMAGE_FORMAT_NOT_SUPPORTED ("pixel format isn't supported.") for other formats.
void enhanceEdges(const Image& source, Image& target, uint32_t factor, const char* operation);

// Throws for an unsupported format, so that in-place callers can check first.
void checkEdgeEnhancementFormat(TARN_LUX_PixelFormatName name);

struct EdgeEnhancementSettings {
    std::atomic<uint32_t> factor{kEdgeFactorDefault};
};

// The part of one output row that the fast kernel computes: samples [begin, end) of a row of `channels`-sample pixels
// from the 16-bit vertical sums `column` (a + 2b + c) and the centre row. Returns where it stopped.
size_t edgeRowFast(const uint16_t* column, const uint8_t* centre, size_t sampleBytes, size_t channels, uint32_t factor,
                   uint32_t maxValue, uint8_t* target, size_t begin, size_t end);

}  // namespace orx

ORX_BIND_HANDLE(TARN_LUX_EdgeEnhancementHandle, orx::EdgeEnhancementSettings);
