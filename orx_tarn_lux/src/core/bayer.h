// Mosaic patterns as positions in the 2 x 2 colour tile. Every pattern is
// RG seen from another corner of the tile: bit 0 of its tile index moves one
// column, bit 1 one row. Crops, mirrors and turns follow the colour sites by
// moving that corner.
#pragma once

#include <cstddef>

#include "core/pixel_format.h"

namespace orx::bayer {

unsigned tileOf(TARN_LUX_BayerPattern pattern);
TARN_LUX_BayerPattern patternOf(unsigned tile);

// Which colour sits at (x, y) of a mosaic whose tile index is `tile`:
// 0 red, 1 green, 2 blue.
inline unsigned colourAt(unsigned tile, size_t x, size_t y) {
    const unsigned column = unsigned(x % 2) ^ (tile & 1u);
    const unsigned row = unsigned(y % 2) ^ (tile >> 1);
    return column + row;  // RG tile: R at (0,0), G at (1,0) and (0,1), B at (1,1)
}

// The mosaic of the same depth and packing with another pattern.
TARN_LUX_PixelFormatName withPattern(const PixelFormatInfo& format, TARN_LUX_BayerPattern pattern);

}  // namespace orx::bayer
