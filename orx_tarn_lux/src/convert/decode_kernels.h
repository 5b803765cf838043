// Row kernels that unpack the packed and YUV formats into the engine's row
// form (see row_format.h). Packed formats are one stream over all pixels of
// the image in row order, so row y starts at pixel y * width; the layouts
// are those documented in orx_tarn_lux.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "convert/row_format.h"
#include "core/image.h"

namespace orx::convert {

// Writes row y of `image`, unpacked, to `out`.
using DecodeRow = void (*)(const Image& image, size_t y, uint8_t* out);

struct Decoder {
    DecodeRow decode;  // the reference, one pixel at a time
    RowFormat format;  // what `decode` writes
    // Whole groups of pixels at a time, the same values; null where the
    // reference is all there is.
    DecodeRow decodeFast = nullptr;
};

// The decoder of a packed or YUV format; nothing for the others (unpacked
// formats are read in place).
std::optional<Decoder> decoderFor(const PixelFormatInfo& format);

}  // namespace orx::convert
