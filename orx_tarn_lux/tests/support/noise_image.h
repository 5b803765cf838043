// Images filled with deterministic noise, and their bytes, for kernel tests.
#pragma once

#include <cstring>
#include <vector>

#include "core/image.h"
#include "kernel_paths.h"

namespace orx::testing {

inline Image noiseImage(TARN_LUX_PixelFormatName format, size_t width, size_t height, uint32_t seed) {
    Image image(format, width, height);
    const std::vector<uint8_t> noise = noiseBytes(image.byteCount(), seed);
    std::memcpy(image.data(), noise.data(), noise.size());
    return image;
}

inline std::vector<uint8_t> bytesOf(const Image& image) { return {image.data(), image.data() + image.byteCount()}; }

}  // namespace orx::testing
