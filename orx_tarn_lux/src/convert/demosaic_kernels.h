// Bilinear demosaicing row kernel: each missing color of a pixel is the
// rounded mean of the nearest samples of that color (two horizontal, two
// vertical, four orthogonal or four diagonal neighbours). Gray output is the
// luma of that color, as the repack kernel computes it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "convert/repack_kernels.h"
#include "convert/row_format.h"
#include "orx_tarn_lux.h"

namespace orx::convert {

struct Mosaic {
    size_t width;
    uint8_t sampleBytes;
    uint32_t mask;           // the raw format's maximum; higher bits are ignored
    TARN_LUX_BayerPattern pattern;
    RowFormat out;           // color at the raw depth, any order, alpha opaque; or its luma
};

// The two colors of row y of a mosaic: whether even columns hold green, and
// whether the row's other color is red (else blue).
struct MosaicRow {
    bool greenFirst;
    bool redRow;
};

inline MosaicRow mosaicRow(TARN_LUX_BayerPattern pattern, size_t y) {
    const bool odd = y % 2 != 0;
    switch (pattern) {
        case TARN_LUX_BayerPattern_RG: return {odd, !odd};
        case TARN_LUX_BayerPattern_GR: return {!odd, !odd};
        case TARN_LUX_BayerPattern_GB: return {!odd, odd};
        default: return {odd, odd};  // BG
    }
}

// Column x's neighbours, mirrored at the borders (column -1 is column 1) so
// that they keep the color of the column they stand for.
inline size_t leftOf(size_t x, size_t width) { return x > 0 ? x - 1 : (width > 1 ? 1 : 0); }
inline size_t rightOf(size_t x, size_t width) { return x + 1 < width ? x + 1 : (width > 1 ? width - 2 : 0); }

// Pixel x of a demosaiced row: its colour in the output's order (alpha
// opaque), or its luma.
inline void storeDemosaiced(const Mosaic& mosaic, uint8_t* out, size_t x, uint32_t red, uint32_t green,
                            uint32_t blue) {
    const RowFormat& format = mosaic.out;
    uint8_t* pixel = out + x * format.pixelBytes();
    if (!format.isColor()) {
        writeSample(pixel, 0, format.sampleBytes, luma(red, green, blue));
        return;
    }
    writeSample(pixel, format.indexOf(Channel::Red), format.sampleBytes, red);
    writeSample(pixel, format.indexOf(Channel::Green), format.sampleBytes, green);
    writeSample(pixel, format.indexOf(Channel::Blue), format.sampleBytes, blue);
    if (format.hasAlpha()) writeSample(pixel, format.indexOf(Channel::Alpha), format.sampleBytes, mosaic.mask);
}

// Pixels [begin, end) of row y; `up` and `down` are rows y - 1 and y + 1,
// mirrored at the image's borders in the same way.
inline void demosaicScalar(const uint8_t* up, const uint8_t* row, const uint8_t* down,
                           const Mosaic& mosaic, size_t y, uint8_t* out, size_t begin, size_t end) {
    const MosaicRow colors = mosaicRow(mosaic.pattern, y);
    const size_t sampleBytes = mosaic.sampleBytes;
    const auto at = [&](const uint8_t* line, size_t x) { return readSample(line, x, sampleBytes) & mosaic.mask; };
    for (size_t x = begin; x < end; ++x) {
        const size_t left = leftOf(x, mosaic.width);
        const size_t right = rightOf(x, mosaic.width);
        const uint32_t centre = at(row, x);
        uint32_t own, middle, other;  // the row's color, green, the other color
        if ((x % 2 == 0) == colors.greenFirst) {
            own = (at(row, left) + at(row, right) + 1) >> 1;
            middle = centre;
            other = (at(up, x) + at(down, x) + 1) >> 1;
        } else {
            own = centre;
            middle = (at(up, x) + at(down, x) + at(row, left) + at(row, right) + 2) >> 2;
            other = (at(up, left) + at(up, right) + at(down, left) + at(down, right) + 2) >> 2;
        }
        storeDemosaiced(mosaic, out, x, colors.redRow ? own : other, middle, colors.redRow ? other : own);
    }
}

// Demosaicing methods that work out whole rows of red, green and blue
// first (values at most mosaic.mask) store them with this: pixels
// [begin, end) of the row into `out`.
inline void storePlanesScalar(const uint16_t* red, const uint16_t* green, const uint16_t* blue, const Mosaic& mosaic,
                              uint8_t* out, size_t begin, size_t end) {
    for (size_t x = begin; x < end; ++x) storeDemosaiced(mosaic, out, x, red[x], green[x], blue[x]);
}

// The same with vector instructions; handles what it can of [begin, end)
// and returns where it stopped.
size_t storePlanesFast(const uint16_t* red, const uint16_t* green, const uint16_t* blue, const Mosaic& mosaic,
                       uint8_t* out, size_t begin, size_t end);

// 8-bit mosaics: handles what it can of [begin, end), begin >= 1, and
// returns where it stopped.
size_t demosaicFast(const uint8_t* up, const uint8_t* row, const uint8_t* down, const Mosaic& mosaic,
                    size_t y, uint8_t* out, size_t begin, size_t end);

}  // namespace orx::convert
