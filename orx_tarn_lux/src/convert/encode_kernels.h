// Row kernels that pack rows of the engine's row form (see row_format.h)
// into the packed and YUV formats, the reverse of decode_kernels.h.
//
// Packed formats are one stream over all pixels in row order, so a row may
// begin inside a byte or group that the row before it began: encoders keep
// what that row wrote there and must run over the rows of a band in order.
// Bands start at multiples of 16 rows, where every stream starts on a byte
// and group border. The last row also clears the unused bits and slots of
// the stream's last byte or group, so the whole output is defined.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "convert/row_format.h"
#include "core/image.h"

namespace orx::convert {

// Packs `row`, row y of the output, into `image`.
using EncodeRow = void (*)(const uint8_t* row, Image& image, size_t y);

struct Encoder {
    EncodeRow encode;
    RowFormat format;  // what `encode` reads
    // The same bytes with vector instructions; null where `encode` is all there is.
    EncodeRow encodeFast = nullptr;
};

// The encoder of a packed or YUV format; nothing for the unpacked ones,
// which the engine writes directly.
std::optional<Encoder> encoderFor(const PixelFormatInfo& format);

}  // namespace orx::convert
