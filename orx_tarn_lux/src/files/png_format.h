// What the PNG reader and writer share: the signature, color types, limits
// and the chunk checksum.
#pragma once

#include <libdeflate.h>

#include <cstddef>
#include <cstdint>

namespace orx::files::png {

constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr uint32_t kMaxDimension = 0x7FFFFFFF;  // PNG sizes are 31-bit
constexpr size_t kMaxChunkBytes = 0x7FFFFFFF;

enum ColorType : uint8_t { kGray = 0, kRgb = 2, kPalette = 3, kGrayAlpha = 4, kRgbAlpha = 6 };

inline size_t channelsOf(uint8_t colorType) {
    switch (colorType) {
        case kRgb: return 3;
        case kGrayAlpha: return 2;
        case kRgbAlpha: return 4;
        default: return 1;
    }
}

// CRC-32 of a chunk's type and data.
inline uint32_t chunkCrc(const uint8_t* type, const uint8_t* data, size_t size) {
    // libdeflate answers a null buffer with the initial value, not the running one.
    const uint32_t crc = libdeflate_crc32(0, type, 4);
    return size == 0 ? crc : libdeflate_crc32(crc, data, size);
}

}  // namespace orx::files::png
