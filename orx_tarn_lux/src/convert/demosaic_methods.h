// The demosaicing methods behind demosaic.h, and what they share.
#pragma once

#include <memory>
#include <vector>

#include "convert/demosaic.h"

namespace orx::convert {

std::unique_ptr<BandDemosaic> makeGradientDemosaic(const Mosaic& mosaic, MosaicRows& rows, bool fast);
std::unique_ptr<BandDemosaic> makeDirectionalDemosaic(const Mosaic& mosaic, MosaicRows& rows, size_t height,
                                                      size_t begin, size_t end, bool fast);

// Sample x of a source row, without the unused high bits.
inline uint32_t mosaicSample(const Mosaic& mosaic, const uint8_t* row, size_t x) {
    return readSample(row, x, mosaic.sampleBytes) & mosaic.mask;
}

// Whole rows of red, green and blue, stored into the output's form.
struct ColorPlanes {
    explicit ColorPlanes(size_t width) : red(width), green(width), blue(width) {}

    void store(const Mosaic& mosaic, uint8_t* out, bool fast) const {
        const size_t width = red.size();
        const size_t done = fast ? storePlanesFast(red.data(), green.data(), blue.data(), mosaic, out, 0, width) : 0;
        storePlanesScalar(red.data(), green.data(), blue.data(), mosaic, out, done, width);
    }

    std::vector<uint16_t> red, green, blue;
};

}  // namespace orx::convert
