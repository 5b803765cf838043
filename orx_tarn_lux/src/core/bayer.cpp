#include "core/bayer.h"

namespace orx::bayer {
namespace {

constexpr TARN_LUX_BayerPattern kTiles[] = {TARN_LUX_BayerPattern_RG, TARN_LUX_BayerPattern_GR,
                                            TARN_LUX_BayerPattern_GB, TARN_LUX_BayerPattern_BG};

}  // namespace

unsigned tileOf(TARN_LUX_BayerPattern pattern) {
    unsigned tile = 0;
    while (tile < 3 && kTiles[tile] != pattern) ++tile;
    return tile;
}

TARN_LUX_BayerPattern patternOf(unsigned tile) { return kTiles[tile & 3u]; }

TARN_LUX_PixelFormatName withPattern(const PixelFormatInfo& format, TARN_LUX_BayerPattern pattern) {
    for (const PixelFormatInfo& other : pixelFormats())
        if (other.isBayered() && other.bayerPattern == pattern && other.packing == format.packing &&
            other.significantBitsPerChannel == format.significantBitsPerChannel)
            return other.name;
    return format.name;  // every Bayer format exists in all four patterns
}

}  // namespace orx::bayer
