// Scaling of whole images.
//
// Every unpacked format scales, 16-bit storage included; results are clamped
// to the format's maximum. Bayer images scale per color plane, so the result
// is a valid mosaic of the same pattern: each plane (every other pixel of
// every other row) is resampled on its own, which needs even widths and
// heights, source and target. Packed and YUV formats are refused with
// TARN_LUX_RETURN_CODE_IMAGE_FORMAT_NOT_SUPPORTED.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/image.h"
#include "orx_tarn_lux.h"

namespace orx {

// A new image of width x height with the source's format and timestamp.
Image scaleImage(const Image& image, size_t width, size_t height, TARN_LUX_InterpolationAlgorithm algorithm);

// The same into caller memory of at least the scaled image's byte count
// (TARN_LUX_RETURN_CODE_BUFFER_TOO_SMALL otherwise, naming both sizes).
void scaleImageInto(const Image& image, size_t width, size_t height, uint8_t* buffer, size_t bufferSize,
                    TARN_LUX_InterpolationAlgorithm algorithm);

}  // namespace orx
