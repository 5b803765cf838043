// Pixel format conversion.
//
// A conversion is planned once per pair of formats and then run over bands
// of rows in parallel. Each row passes through up to three stages while it
// is still in the cache, each stage a row kernel:
//
//   decode    packed or YUV source row -> unpacked row (RowFormat)
//   demosaic  Bayer rows y-1, y, y+1   -> color row at the raw depth
//   repack    unpacked row             -> unpacked row of other order/depth
//             (also gray <-> color)
//
// Stages that have nothing to do are left out: an unpacked source is read in
// place, and the last stage writes straight into the output image, so
// RGB8 -> BGRa8, Mono12 -> Mono8 and BayerRG8 -> RGB8 are single passes.
//
// Every format can be read; the outputs are the unpacked formats. Packed
// outputs come as a fourth stage, encode (unpacked row -> packed row), after
// repack; bands start at multiples of 16 rows, so bit streams written by
// different bands never share a byte. Other demosaicing kernels for the
// conversion modes slot in beside the bilinear one.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/image.h"
#include "core/pixel_format.h"
#include "orx_tarn_lux.h"

namespace orx::convert {

// Checks that `mode` is one of the three conversion modes
// (TARN_LUX_RETURN_CODE_INVALID_ARGUMENT otherwise).
void checkMode(TARN_LUX_ConversionMode mode);

// Whether images of `from` can be converted into `to`.
bool canConvert(const PixelFormatInfo& from, const PixelFormatInfo& to);

// Refuses formats that are not known pixel formats (INVALID_ARGUMENT) and
// pairs that cannot be converted (IMAGE_FORMAT_NOT_SUPPORTED, naming both).
void requireConvertible(TARN_LUX_PixelFormatName from, TARN_LUX_PixelFormatName to);

// Converts into `output`, an image the caller made with the output format
// and the input's size (over pooled memory, say); carries the timestamp.
void convertPixels(const Image& image, Image& output, TARN_LUX_ConversionMode mode);

// A new image of `to` with the pixels of `image`, its size and timestamp.
// Unsupported pairs answer TARN_LUX_RETURN_CODE_IMAGE_FORMAT_NOT_SUPPORTED
// naming both formats.
Image convertImage(const Image& image, TARN_LUX_PixelFormatName to, TARN_LUX_ConversionMode mode);

// The same into caller memory: the returned image uses `buffer` and does not
// own it. Too small a buffer answers TARN_LUX_RETURN_CODE_BUFFER_TOO_SMALL
// naming both sizes; nothing is written then.
Image convertImageInto(const Image& image, TARN_LUX_PixelFormatName to, uint8_t* buffer, size_t bufferSize,
                       TARN_LUX_ConversionMode mode);

}  // namespace orx::convert
