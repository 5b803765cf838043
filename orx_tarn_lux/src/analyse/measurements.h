// Histograms and pixel lines: plain data taken from an image when the object
// is made.
//
// Channels, in storage order:
//  - gray formats: one;
//  - RGB, BGR, RGBa, BGRa: three or four, as stored (BGR8 gives B, G, R);
//  - Bayer formats: a histogram has four, one per site of the 2 x 2 colour
//    tile in row order, (0,0), (1,0), (0,1), (1,1): BayerRG8 gives R, G (on
//    the red rows), G (on the blue rows), B, and BayerGB8 gives G, B, R, G.
//    A pixel line has one, the raw samples along the line;
//  - the 4:2:0 formats: Y, then the two chroma samples in stored order (U, V
//    or V, U); a histogram counts each chroma pair once, a pixel line gives
//    every pixel the pair of its 2 x 2 block.
// A histogram has one bin per value the format can hold (256, 1024 or 4096);
// samples of 16-bit formats with unused high bits set count in the top bin,
// and the pixel sum adds them as that top value. Packed formats answer
// TARN_LUX_RETURN_CODE_IMAGE_FORMAT_NOT_SUPPORTED ("image has a packed pixel
// format").
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/image.h"

namespace orx {

struct HistogramChannel {
    uint64_t pixelSum = 0;
    uint64_t pixelCount = 0;
    std::vector<uint64_t> bins;
};

struct Histogram {
    TARN_LUX_PixelFormatName format;
    std::vector<HistogramChannel> channels;
};

Histogram histogramOf(const Image& image);

struct PixelLine {
    TARN_LUX_PixelFormatName format;
    TARN_LUX_Orientation orientation;
    size_t offset;
    std::vector<std::vector<uint32_t>> channels;
};

// A row (horizontal, offset = y) or a column (vertical, offset = x). Another
// orientation answers TARN_LUX_RETURN_CODE_INVALID_ARGUMENT, an offset outside
// the image TARN_LUX_RETURN_CODE_OUT_OF_RANGE.
PixelLine pixelLineOf(const Image& image, TARN_LUX_Orientation orientation, size_t offset);

// Counts 8-bit samples of one run that starts on channel 0: sample i into
// tables[i % period], 1 <= period <= 4. Exposed for the tests.
void countBytes(const uint8_t* samples, size_t count, size_t period, uint64_t* const* tables);

}  // namespace orx

ORX_BIND_HANDLE(TARN_LUX_HistogramHandle, orx::Histogram);
ORX_BIND_HANDLE(TARN_LUX_PixelLineHandle, orx::PixelLine);
