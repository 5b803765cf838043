#include "geometry/resample.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "support/kernel_paths.h"

namespace orx {
namespace {

using testing::firstDisagreeingPath;
using testing::noiseBytes;

constexpr uint32_t kMax8 = 255;
constexpr uint32_t kMax12 = 4095;

GridShape shapeOf(size_t width, size_t height, size_t channels, size_t sampleBytes,
                  uint32_t maxValue) {
    return GridShape{width, height, channels, sampleBytes, width * channels * sampleBytes, maxValue};
}

// Noise limited to the valid range, so that results are comparable with
// integer arithmetic done by hand.
std::vector<uint8_t> validNoise(const GridShape& shape, uint32_t seed) {
    std::vector<uint8_t> bytes = noiseBytes(shape.rowStride * shape.height, seed);
    if (shape.sampleBytes == 2)
        for (size_t i = 0; i + 1 < bytes.size(); i += 2) bytes[i + 1] &= uint8_t(shape.maxValue >> 8);
    return bytes;
}

std::vector<uint8_t> resample(const std::vector<uint8_t>& pixels, const GridShape& in,
                              const GridShape& out, Interpolation algorithm) {
    std::vector<uint8_t> result(out.rowStride * out.height, 0xAB);
    resampleGrid(ConstGrid{pixels.data(), in}, Grid{result.data(), out}, algorithm);
    return result;
}

std::vector<uint8_t> samples8(std::initializer_list<int> values) {
    return std::vector<uint8_t>(values.begin(), values.end());
}

struct Size {
    size_t width, height;
};

const Interpolation kAll[] = {Interpolation::Nearest,  Interpolation::Linear,
                              Interpolation::Cubic,    Interpolation::Area,
                              Interpolation::Lanczos4, Interpolation::LinearExact,
                              Interpolation::NearestExact};

TEST(Resample, EveryPathGivesTheSameBytes) {
    // Odd widths, single rows and columns, whole and fractional factors in
    // both directions; window and gather blocks of the fast kernel both occur.
    const std::pair<Size, Size> cases[] = {
        {{37, 29}, {81, 57}}, {{101, 51}, {50, 25}}, {{64, 48}, {32, 24}}, {{33, 21}, {100, 21}},
        {{1, 1}, {5, 3}},     {{9, 1}, {4, 1}},      {{1, 17}, {3, 6}},    {{120, 90}, {47, 35}},
        {{40, 30}, {60, 45}}, {{66, 12}, {22, 4}},   {{23, 23}, {23, 23}}, {{130, 10}, {65, 5}},
    };
    for (Interpolation algorithm : kAll)
        for (size_t channels = 1; channels <= 4; ++channels)
            for (size_t sampleBytes : {1u, 2u})
                for (const auto& [from, to] : cases) {
                    const uint32_t maxValue = sampleBytes == 1 ? kMax8 : kMax12;
                    const GridShape in = shapeOf(from.width, from.height, channels, sampleBytes, maxValue);
                    const GridShape out = shapeOf(to.width, to.height, channels, sampleBytes, maxValue);
                    const auto pixels = validNoise(in, uint32_t(from.width * 131 + channels));
                    EXPECT_EQ(firstDisagreeingPath([&] { return resample(pixels, in, out, algorithm); }), "")
                        << "algorithm " << int(algorithm) << ", " << channels << " channels of "
                        << sampleBytes << " bytes, " << from.width << "x" << from.height << " -> "
                        << to.width << "x" << to.height;
                }
}

TEST(Resample, KeepsAFlatImageFlat) {
    for (Interpolation algorithm : kAll) {
        const GridShape in = shapeOf(13, 7, 3, 2, kMax12);
        const GridShape out = shapeOf(29, 4, 3, 2, kMax12);
        std::vector<uint8_t> pixels(in.rowStride * in.height);
        for (size_t i = 0; i < pixels.size(); i += 2) pixels[i] = 0x34, pixels[i + 1] = 0x0C;
        const auto result = resample(pixels, in, out, algorithm);
        for (size_t i = 0; i < result.size(); i += 2)
            ASSERT_EQ(result[i] | result[i + 1] << 8, 0x0C34) << "algorithm " << int(algorithm);
    }
}

TEST(Resample, LinearInterpolatesBetweenPixelCentresAndReplicatesBorders) {
    // Centres of 4 outputs over 2 inputs sit at -0.25, 0.25, 0.75 and 1.25.
    const auto row = resample(samples8({0, 100}), shapeOf(2, 1, 1, 1, kMax8),
                              shapeOf(4, 1, 1, 1, kMax8), Interpolation::Linear);
    EXPECT_EQ(row, samples8({0, 25, 75, 100}));
}

TEST(Resample, AreaAveragesWholeBlocksAndBoxesFractionalOnes) {
    const GridShape in = shapeOf(4, 2, 1, 1, kMax8);
    const auto pixels = samples8({10, 20, 30, 41, 10, 20, 30, 40});
    // (10 + 20 + 10 + 20) / 4 and (30 + 41 + 30 + 40) / 4 = 35.25.
    EXPECT_EQ(resample(pixels, in, shapeOf(2, 1, 1, 1, kMax8), Interpolation::Area), samples8({15, 35}));
    // Bilinear sampling at half size lands between the same blocks.
    EXPECT_EQ(resample(pixels, in, shapeOf(2, 1, 1, 1, kMax8), Interpolation::Linear), samples8({15, 35}));
    // 4 -> 3 columns: each output covers 4/3 inputs, so the first is
    // (10 + 20/3) * 3/4 = 12.5 (a tie, rounded to even), the middle
    // (2/3 * 20 + 2/3 * 30) * 3/4 = 25 and the last the mean of the rows'
    // (30/3 + 41) * 3/4 = 38.25 and (30/3 + 40) * 3/4 = 37.5.
    const auto boxed = resample(pixels, in, shapeOf(3, 1, 1, 1, kMax8), Interpolation::Area);
    EXPECT_EQ(boxed, samples8({12, 25, 38}));
}

TEST(Resample, NearestVariantsPickTheirSourcePixels) {
    const GridShape in = shapeOf(4, 1, 1, 1, kMax8);
    const auto pixels = samples8({0, 1, 2, 3});
    // Plain nearest takes floor(d * 4/3); the exact variant the pixel under
    // each destination centre (2/3, 2, 10/3), a centre on a border going to
    // the lower pixel.
    EXPECT_EQ(resample(pixels, in, shapeOf(3, 1, 1, 1, kMax8), Interpolation::Nearest), samples8({0, 1, 2}));
    EXPECT_EQ(resample(pixels, in, shapeOf(3, 1, 1, 1, kMax8), Interpolation::NearestExact),
              samples8({0, 1, 3}));
    EXPECT_EQ(resample(pixels, in, shapeOf(2, 1, 1, 1, kMax8), Interpolation::NearestExact), samples8({0, 2}));
}

TEST(Resample, ClampsOvershootToTheFormatsMaximum) {
    // A hard step makes the cubic and Lanczos lobes overshoot on both sides.
    const GridShape in = shapeOf(8, 1, 1, 2, kMax12);
    std::vector<uint8_t> pixels(in.rowStride);
    for (size_t x = 4; x < 8; ++x) pixels[2 * x] = 0xFF, pixels[2 * x + 1] = 0x0F;
    for (Interpolation algorithm : {Interpolation::Cubic, Interpolation::Lanczos4}) {
        const auto result = resample(pixels, in, shapeOf(29, 1, 1, 2, kMax12), algorithm);
        for (size_t i = 0; i < result.size(); i += 2) EXPECT_LE(result[i] | result[i + 1] << 8, int(kMax12));
    }
}

}  // namespace
}  // namespace orx
