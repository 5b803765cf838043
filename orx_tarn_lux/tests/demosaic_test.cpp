// Demosaicing in the three conversion modes: flat colours stay flat in
// every pattern, depth and size; the vector builds and any split into bands
// and threads give the bytes of the scalar reference; each method
// reproduces what it promises on simple scenes.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <vector>

#include "convert/conversion.h"
#include "convert/demosaic.h"
#include "support/kernel_paths.h"

namespace orx {
namespace {

using convert::convertImage;

constexpr TARN_LUX_ConversionMode kModes[] = {TARN_LUX_ConversionMode_Fast, TARN_LUX_ConversionMode_HighQuality,
                                               TARN_LUX_ConversionMode_Classic};

struct Pattern {
    TARN_LUX_BayerPattern pattern;
    TARN_LUX_PixelFormatName formats[3];  // 8, 10, 12 bits
};

constexpr Pattern kPatterns[] = {
    {TARN_LUX_BayerPattern_RG,
     {TARN_LUX_PixelFormatName_BayerRG8, TARN_LUX_PixelFormatName_BayerRG10, TARN_LUX_PixelFormatName_BayerRG12}},
    {TARN_LUX_BayerPattern_GR,
     {TARN_LUX_PixelFormatName_BayerGR8, TARN_LUX_PixelFormatName_BayerGR10, TARN_LUX_PixelFormatName_BayerGR12}},
    {TARN_LUX_BayerPattern_GB,
     {TARN_LUX_PixelFormatName_BayerGB8, TARN_LUX_PixelFormatName_BayerGB10, TARN_LUX_PixelFormatName_BayerGB12}},
    {TARN_LUX_BayerPattern_BG,
     {TARN_LUX_PixelFormatName_BayerBG8, TARN_LUX_PixelFormatName_BayerBG10, TARN_LUX_PixelFormatName_BayerBG12}},
};

constexpr TARN_LUX_PixelFormatName kRgbOfDepth[] = {TARN_LUX_PixelFormatName_RGB8, TARN_LUX_PixelFormatName_RGB10,
                                                    TARN_LUX_PixelFormatName_RGB12};

// The colour a mosaic of `pattern` samples at (x, y).
size_t colorAt(TARN_LUX_BayerPattern pattern, size_t x, size_t y) {
    const convert::MosaicRow row = convert::mosaicRow(pattern, y);
    if ((x % 2 == 0) == row.greenFirst) return 1;
    return row.redRow ? 0 : 2;
}

// A mosaic of `format` sampling the colour image `pixel(x, y)`.
template <typename Pixel>
Image mosaicOf(TARN_LUX_PixelFormatName format, size_t width, size_t height, Pixel pixel) {
    const PixelFormatInfo& info = formatInfo(format);
    Image image(format, width, height);
    for (size_t y = 0; y < height; ++y)
        for (size_t x = 0; x < width; ++x) {
            const uint32_t value = pixel(x, y)[colorAt(info.bayerPattern, x, y)];
            if (info.storageBitsPerChannel == 8)
                image.row(y)[x] = uint8_t(value);
            else
                std::memcpy(image.row(y) + 2 * x, &value, 2);
        }
    return image;
}

uint32_t sampleOf(const Image& image, size_t x, size_t y, size_t channel) {
    const uint8_t* row = image.row(y);
    if (image.formatInfo().storageBitsPerChannel == 8) return row[3 * x + channel];
    uint16_t value;
    std::memcpy(&value, row + 2 * (3 * x + channel), 2);
    return value;
}

std::vector<uint8_t> bytesOf(const Image& image) {
    return std::vector<uint8_t>(image.data(), image.data() + image.byteCount());
}

TEST(Demosaic, FlatColorsStayFlatInEveryPatternDepthModeAndSize) {
    for (const Pattern& pattern : kPatterns)
        for (size_t depth = 0; depth < 3; ++depth) {
            const uint32_t scale = 1u << (2 * depth);  // 8 -> 10 -> 12 bits
            const std::array<uint32_t, 3> color = {200 * scale, 100 * scale + 1, 30 * scale + 3};
            for (const auto& [width, height] : {std::pair<size_t, size_t>{2, 2}, {3, 3}, {7, 5}, {40, 5}, {53, 70}})
                for (const TARN_LUX_ConversionMode mode : kModes) {
                    const Image mosaic = mosaicOf(pattern.formats[depth], width, height,
                                                  [&](size_t, size_t) { return color; });
                    const Image rgb = convertImage(mosaic, kRgbOfDepth[depth], mode);
                    for (size_t y = 0; y < height; ++y)
                        for (size_t x = 0; x < width; ++x)
                            for (size_t c = 0; c < 3; ++c)
                                ASSERT_EQ(sampleOf(rgb, x, y, c), color[c])
                                    << describeFormat(pattern.formats[depth]) << " mode " << mode << " " << width
                                    << "x" << height << " at " << x << "," << y;
                }
        }
}

// Every width from 1 to 67 and a few large odd ones, heights 1 to 3 and a
// height of several bands, every pattern and mode: the scalar reference on
// one thread decides, vector kernels and two threads must agree exactly.
TEST(Demosaic, VectorKernelsAndThreadsGiveTheScalarBytes) {
    std::vector<std::pair<size_t, size_t>> sizes;
    for (size_t width = 1; width <= 67; ++width)
        for (size_t height = 1; height <= 3; ++height) sizes.emplace_back(width, height);
    sizes.insert(sizes.end(), {{255, 7}, {513, 4}, {97, 203}});
    const TARN_LUX_PixelFormatName outputs[] = {TARN_LUX_PixelFormatName_RGB8, TARN_LUX_PixelFormatName_BGRa8,
                                                TARN_LUX_PixelFormatName_Mono8, TARN_LUX_PixelFormatName_RGB12};
    for (const Pattern& pattern : kPatterns)
        for (const TARN_LUX_ConversionMode mode : kModes)
            for (const auto& [width, height] : sizes) {
                const TARN_LUX_PixelFormatName format = pattern.formats[(width + height) % 3];
                const PixelFormatInfo& info = formatInfo(format);
                Image mosaic(format, width, height);
                const auto noise = testing::noiseBytes(mosaic.byteCount(), uint32_t(width * 31 + height));
                std::memcpy(mosaic.data(), noise.data(), noise.size());
                const TARN_LUX_PixelFormatName output = outputs[(width + 3 * height) % 4];
                EXPECT_EQ(testing::firstDisagreeingPath([&] { return bytesOf(convertImage(mosaic, output, mode)); }), "")
                    << info.text << " -> " << describeFormat(output) << " mode " << mode << " " << width << "x"
                    << height;
            }
}

// Gray from a mosaic is the luma of the demosaiced colour in every mode.
TEST(Demosaic, GrayIsTheLumaOfTheColorInEveryMode) {
    for (const TARN_LUX_ConversionMode mode : kModes) {
        Image mosaic(TARN_LUX_PixelFormatName_BayerGB12, 45, 19);
        const auto noise = testing::noiseBytes(mosaic.byteCount(), 11);
        std::memcpy(mosaic.data(), noise.data(), noise.size());
        const Image colored = convertImage(mosaic, TARN_LUX_PixelFormatName_RGB12, mode);
        EXPECT_EQ(bytesOf(convertImage(mosaic, TARN_LUX_PixelFormatName_Mono8, mode)),
                  bytesOf(convertImage(colored, TARN_LUX_PixelFormatName_Mono8, mode)))
            << "mode " << mode;
    }
}

// Linear ramps are what gradient correction was made for: it reproduces
// them exactly away from the borders, where bilinear interpolation already
// does too, and the directional method keeps them within one step.
TEST(Demosaic, RampsComeBackInTheInterior) {
    const size_t width = 40, height = 36;
    const auto ramp = [](size_t x, size_t y) {
        return std::array<uint32_t, 3>{uint32_t(20 + 3 * x + y), uint32_t(40 + 2 * x + 2 * y), uint32_t(60 + x + 3 * y)};
    };
    const Image mosaic = mosaicOf(TARN_LUX_PixelFormatName_BayerRG8, width, height, ramp);
    for (const TARN_LUX_ConversionMode mode : kModes) {
        const Image rgb = convertImage(mosaic, TARN_LUX_PixelFormatName_RGB8, mode);
        const uint32_t tolerance = mode == TARN_LUX_ConversionMode_HighQuality ? 1 : 0;
        for (size_t y = 3; y + 3 < height; ++y)
            for (size_t x = 3; x + 3 < width; ++x)
                for (size_t c = 0; c < 3; ++c) {
                    const int64_t error = int64_t(sampleOf(rgb, x, y, c)) - int64_t(ramp(x, y)[c]);
                    ASSERT_LE(std::abs(error), int64_t(tolerance)) << "mode " << mode << " at " << x << "," << y;
                }
    }
}

// A vertical edge between two grays: the directional method interpolates
// along it and leaves no colour fringe; bilinear interpolation does.
TEST(Demosaic, TheDirectionalMethodLeavesNoFringeAtAnEdge) {
    const size_t width = 32, height = 32;
    const auto edge = [](size_t x, size_t) {
        const uint32_t level = x < 15 ? 40 : 220;
        return std::array<uint32_t, 3>{level, level, level};
    };
    const Image mosaic = mosaicOf(TARN_LUX_PixelFormatName_BayerRG8, width, height, edge);
    const auto worstFringe = [&](TARN_LUX_ConversionMode mode) {
        const Image rgb = convertImage(mosaic, TARN_LUX_PixelFormatName_RGB8, mode);
        uint32_t worst = 0;
        for (size_t y = 4; y + 4 < height; ++y)
            for (size_t x = 4; x + 4 < width; ++x) {
                const uint32_t r = sampleOf(rgb, x, y, 0), g = sampleOf(rgb, x, y, 1), b = sampleOf(rgb, x, y, 2);
                worst = std::max({worst, r > g ? r - g : g - r, b > g ? b - g : g - b});
            }
        return worst;
    };
    EXPECT_LE(worstFringe(TARN_LUX_ConversionMode_HighQuality), 2u);
    EXPECT_GE(worstFringe(TARN_LUX_ConversionMode_Classic), 40u);
}

TEST(Demosaic, MirroringKeepsParityAndFoldsTinySizes) {
    EXPECT_EQ(convert::mirrored(-1, 5), 1u);
    EXPECT_EQ(convert::mirrored(-2, 5), 2u);
    EXPECT_EQ(convert::mirrored(5, 5), 3u);
    EXPECT_EQ(convert::mirrored(6, 5), 2u);
    EXPECT_EQ(convert::mirrored(-12, 2), 0u);
    EXPECT_EQ(convert::mirrored(-11, 2), 1u);
    EXPECT_EQ(convert::mirrored(7, 1), 0u);
    for (ptrdiff_t i = -30; i < 40; ++i) EXPECT_EQ(convert::mirrored(i, 7) % 2, size_t(i & 1)) << i;
}

}  // namespace
}  // namespace orx
