// The demosaicing methods behind demosaic.h, and what they share.
#pragma once

#include <memory>
#include <vector>

#include "convert/demosaic.h"

// The rows and planes the methods' loops read and write never overlap;
// such loops may be vectorised without run-time checks (more pointers than
// the compiler is willing to check).
#define ORX_NO_ALIASING _Pragma("GCC ivdep")

namespace orx::convert {

std::unique_ptr<BandDemosaic> makeGradientDemosaic(const Mosaic& mosaic, MosaicRows& rows, bool fast);
std::unique_ptr<BandDemosaic> makeDirectionalDemosaic(const Mosaic& mosaic, MosaicRows& rows, size_t height,
                                                      size_t begin, size_t end, bool fast);

// Sample x of a source row, without the unused high bits.
inline uint32_t mosaicSample(const Mosaic& mosaic, const uint8_t* row, size_t x) {
    return readSample(row, x, mosaic.sampleBytes) & mosaic.mask;
}

// Row `source` widened into `line`, with `reach` mirrored samples before
// and after it: line[reach + x] is sample x.
template <typename T>
void loadMirroredLine(const Mosaic& mosaic, const uint8_t* source, size_t reach, T* line) {
    const size_t width = mosaic.width;
    for (size_t x = 0; x < reach; ++x) {
        line[reach - 1 - x] = T(mosaicSample(mosaic, source, mirrored(-ptrdiff_t(x) - 1, width)));
        line[reach + width + x] = T(mosaicSample(mosaic, source, mirrored(ptrdiff_t(width + x), width)));
    }
    T* samples = line + reach;
    if (mosaic.sampleBytes == 1) {
        for (size_t x = 0; x < width; ++x) samples[x] = T(source[x]);
    } else {
        for (size_t x = 0; x < width; ++x) samples[x] = T(mosaicSample(mosaic, source, x));
    }
}

// A row of red, green and blue, stored into the output's form.
inline void storeColorRow(const uint16_t* red, const uint16_t* green, const uint16_t* blue, const Mosaic& mosaic,
                          uint8_t* out, bool fast) {
    const size_t width = mosaic.width;
    const size_t done = fast ? storePlanesFast(red, green, blue, mosaic, out, 0, width) : 0;
    storePlanesScalar(red, green, blue, mosaic, out, done, width);
}

// Whole rows of red, green and blue, stored into the output's form.
struct ColorPlanes {
    explicit ColorPlanes(size_t width) : red(width), green(width), blue(width) {}

    void store(const Mosaic& mosaic, uint8_t* out, bool fast) const {
        storeColorRow(red.data(), green.data(), blue.data(), mosaic, out, fast);
    }

    std::vector<uint16_t> red, green, blue;
};

}  // namespace orx::convert
