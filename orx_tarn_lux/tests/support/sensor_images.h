// Images for the tests of the sensor operations, made through the C++ side.
#pragma once

#include <cstring>
#include <random>
#include <vector>

#include "core/image.h"
#include "sensor/site_layout.h"

namespace orx::testing {

// Random samples within the format's range.
inline Image noiseImage(TARN_LUX_PixelFormatName format, size_t width, size_t height, uint32_t seed) {
    Image image(format, width, height);
    const SiteLayout layout = siteLayout(image.formatInfo());
    std::mt19937 generator(seed);
    const size_t samples = image.byteCount() / layout.sampleBytes;
    for (size_t i = 0; i < samples; ++i)
        storeSample(image.data(), i, layout.sampleBytes, generator() % (layout.maxValue + 1));
    return image;
}

inline uint32_t sampleAt(const Image& image, size_t index) {
    return loadSample(image.data(), index, siteLayout(image.formatInfo()).sampleBytes);
}

inline std::vector<uint8_t> bytesOf(const Image& image) {
    return std::vector<uint8_t>(image.data(), image.data() + image.byteCount());
}

}  // namespace orx::testing
