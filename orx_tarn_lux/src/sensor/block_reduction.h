// Binning and decimation: both shrink an image by whole factors in x and y, one site at a time (see site_layout.h), so
// a Bayer mosaic stays a mosaic of the same pattern.
//
// Output size: the image is cut into periods (1 pixel, or 2 x 2 pixels of a mosaic; a trailing odd column or row of a
// mosaic belongs to no period). Binning combines factor periods into one and drops a partial block at the right and
// bottom edge, like a sensor does: out = floor(periods / factor). Decimation keeps the first period of every block,
// partial ones included, like slicing with a step: out = ceil(periods / factor). An image that would shrink to nothing
// is refused ("the image is too small.").
//
// Binning's average rounds half up; its sum saturates at the format's largest value (a 2 x 2 sum of Mono10 samples
// stays a Mono10 value), so the output format is always the input format.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "core/image.h"

namespace orx {

enum class Reduction : uint8_t { Average, Sum, Pick };

struct BlockFactors {
    size_t x;
    size_t y;
};

// The factors an object accepts; the same for binning and decimation.
constexpr uint8_t kMinReductionFactor = 1;
constexpr uint8_t kMaxReductionFactor = 8;
// A new object halves both sides: the most common use, and one that a caller who forgets to set the factors still
// notices.
constexpr uint8_t kDefaultReductionFactor = 2;

// Throws INVALID_ARGUMENT "value isn't supported." outside the range.
void checkReductionFactor(uint8_t factor);

// Output width and height for an input of `format`; throws
// INVALID_ARGUMENT "pixelFormat isn't supported." for formats without a site layout and "the image is too small." for
// sizes that reduce to nothing.
void reducedSize(TARN_LUX_PixelFormatName format, size_t width, size_t height, BlockFactors factors,
                 Reduction reduction, size_t& outWidth, size_t& outHeight);

bool isReductionFormat(TARN_LUX_PixelFormatName format);

// Throws IMAGE_FORMAT_NOT_SUPPORTED for formats reducedSize refuses.
Image reduceBlocks(const Image& input, BlockFactors factors, Reduction reduction, const char* operation);

// Row kernel of decimation (fast path); picks the first sample of every `factor` units of `unitBytes` bytes into target
// bytes [begin, end) and returns where it stopped.
size_t pickFast(const uint8_t* source, size_t sourceBytes, size_t unitBytes, size_t factor, uint8_t* target,
                size_t begin, size_t end);

// The same with AVX-512 where the processor has it (BW and VBMI), and the
// 8-bit 2 x 2 binning kernel (means, or sums saturated at 255) of `channels`
// interleaved samples; both return `begin` when they cannot run.
size_t pickWide(const uint8_t* source, size_t sourceBytes, size_t unitBytes, size_t factor, uint8_t* target,
                size_t begin, size_t end);
size_t binHalfWide(const uint8_t* const* rows, size_t channels, bool sum, size_t sourceSamples, uint8_t* target,
                   size_t begin, size_t end);

}  // namespace orx

namespace orx {

// The settings of a binning or a decimation object. Atomic, so that a setting changed by one thread never tears a
// Process running in another.
struct ReductionSettings {
    std::atomic<uint8_t> factorX{kDefaultReductionFactor};
    std::atomic<uint8_t> factorY{kDefaultReductionFactor};
    std::atomic<TARN_LUX_BinningMode> mode{TARN_LUX_BinningMode_Average};  // binning only

    ReductionSettings() = default;
};

}  // namespace orx

ORX_BIND_HANDLE(TARN_LUX_BinningHandle, orx::ReductionSettings);
ORX_BIND_HANDLE(TARN_LUX_DecimationHandle, orx::ReductionSettings);
