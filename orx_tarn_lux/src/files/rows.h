// Rows of an image in the sample layout a file wants: channel order, 8-bit
// samples (10- and 12-bit values reduced with rounding) or 16-bit big-endian
// samples (10- and 12-bit values scaled up the way PNG defines it).
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "core/pixel_format.h"

namespace orx::files {

// A value of `bits` significant bits as 8 bits, rounded to nearest, so that
// the full range maps onto the full range (1023 -> 255, 512 -> 128). Values
// above the format's maximum count as the maximum.
inline uint8_t reduceToByte(uint32_t value, uint32_t maximum) {
    value = std::min(value, maximum);
    return static_cast<uint8_t>((value * 255 + maximum / 2) / maximum);
}

// A value of `bits` significant bits spread over 16 bits by repeating its top
// bits in the new low bits (1023 -> 65535), which is how PNG scales samples;
// shifting right by 16 - bits gives the value back.
inline uint16_t expandTo16(uint32_t value, unsigned bits) {
    value = std::min(value, (1u << bits) - 1);
    return static_cast<uint16_t>((value << (16 - bits)) | (value >> (2 * bits - 16)));
}

enum class SampleDepth { Byte, Word16BigEndian };

// What a file row holds, taken from an image of `format`: the same channels,
// red and blue exchanged when `swapRedBlue`, samples of `depth`.
struct RowExport {
    const PixelFormatInfo* format;
    bool swapRedBlue;
    SampleDepth depth;

    size_t fileBytesPerPixel() const {
        return format->channels * (depth == SampleDepth::Byte ? 1 : 2);
    }
    // True when the image row already is the file row.
    bool isIdentity() const {
        return !swapRedBlue && depth == SampleDepth::Byte && format->storageBitsPerChannel == 8;
    }
};

// Pixels [0, width) of image row `in` into file row `out` (unless
// isIdentity(), where the caller uses the image row as it is).
void exportRow(const RowExport& how, const uint8_t* in, size_t width, uint8_t* out);

}  // namespace orx::files
