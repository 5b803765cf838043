// Cropping: a new image of one rectangle of another.
//
// Works for formats whose pixels are whole bytes, for the LSB-first bit
// streams ("p" formats) and for the 4:2:0 formats at even positions (a chroma
// pair covers a 2x2 block). A Bayer crop that starts on an odd column or row
// reports the pattern found at its origin (BayerRG cropped at x = 1 is
// BayerGR). The grouped vendor formats are refused with
// TARN_LUX_RETURN_CODE_IMAGE_FORMAT_NOT_SUPPORTED.
#pragma once

#include <cstddef>

#include "core/image.h"

namespace orx {

// A zero width or height answers TARN_LUX_RETURN_CODE_INVALID_ARGUMENT, a
// rectangle reaching outside the image TARN_LUX_RETURN_CODE_OUT_OF_RANGE.
Image cropImage(const Image& image, size_t x, size_t y, size_t width, size_t height);

}  // namespace orx
