// A rectangle of interleaved samples in memory: what the geometry kernels
// read and write. Rows may be further apart than one row of samples, which
// lets a Bayer image be handled as two grids of every other row.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orx {

struct GridShape {
    size_t width = 0;        // pixels per row
    size_t height = 0;       // rows
    size_t channels = 1;     // samples per pixel
    size_t sampleBytes = 1;  // 1, or 2 for little-endian 16-bit storage
    size_t rowStride = 0;    // bytes from the start of one row to the next
    uint32_t maxValue = 255; // largest valid sample; results are clamped to it

    size_t samplesPerRow() const { return width * channels; }
    size_t pixelBytes() const { return channels * sampleBytes; }
};

struct ConstGrid {
    const uint8_t* data;
    GridShape shape;
    const uint8_t* row(size_t y) const { return data + y * shape.rowStride; }
};

struct Grid {
    uint8_t* data;
    GridShape shape;
    uint8_t* row(size_t y) const { return data + y * shape.rowStride; }
};

}  // namespace orx
