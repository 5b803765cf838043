// Layout of the 4:2:0 semiplanar formats (see orx_tarn_lux.h): the Y plane,
// then rows of chroma pairs, one pair per 2 x 2 block of pixels.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orx::semiplanar {

constexpr size_t kBlock = 2;      // pixels per chroma pair, in each direction
constexpr size_t kPairBytes = 2;  // U and V, in the format's order

inline size_t chromaRowBytes(size_t width) { return (width + kBlock - 1) / kBlock * kPairBytes; }

inline size_t chromaRows(size_t height) { return (height + kBlock - 1) / kBlock; }

// The chroma pairs that serve pixel row y.
inline const uint8_t* chromaRowFor(const uint8_t* data, size_t width, size_t height, size_t y) {
    return data + width * height + (y / kBlock) * chromaRowBytes(width);
}

}  // namespace orx::semiplanar
