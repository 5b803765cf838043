#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <set>

#include "sensor/edge_enhancement.h"
#include "sensor/hotpixels.h"
#include "sensor/sharpness.h"
#include "support/kernel_paths.h"
#include "support/sensor_images.h"
#include "test_support.h"

namespace orx {
namespace {

using testing::bytesOf;
using testing::firstDisagreeingPath;
using testing::noiseImage;
using testing::sampleAt;

// A smooth slope with Gaussian noise of `sigma` DN.
Image noisySlope(TARN_LUX_PixelFormatName format, size_t width, size_t height, double sigma, uint32_t seed) {
    Image image(format, width, height);
    const SiteLayout layout = siteLayout(image.formatInfo());
    std::mt19937 generator(seed);
    std::normal_distribution<double> noise(0, sigma);
    const double base = layout.maxValue / 4.0;
    for (size_t y = 0; y < height; ++y)
        for (size_t x = 0; x < width; ++x) {
            const double v = base + base * double(x + y) / double(width + height) + noise(generator);
            storeSample(image.row(y), x, layout.sampleBytes,
                        uint32_t(std::clamp(std::lround(v), 0L, long(layout.maxValue))));
        }
    return image;
}

std::set<std::pair<size_t, size_t>> plant(Image& image, size_t count, uint32_t seed) {
    const SiteLayout layout = siteLayout(image.formatInfo());
    std::mt19937 generator(seed);
    std::set<std::pair<size_t, size_t>> planted;
    const uint32_t scale = layout.maxValue / 255;
    while (planted.size() < count) {
        const size_t x = generator() % image.width();
        const size_t y = generator() % image.height();
        // Keep planted pixels apart, so each one's neighbours are clean.
        bool near = false;
        for (const auto& [px, py] : planted)
            near |= std::max(px, x) - std::min(px, x) < 5 && std::max(py, y) - std::min(py, y) < 5;
        if (near) continue;
        const uint32_t v = loadSample(image.row(y), x, layout.sampleBytes) + (40 + generator() % 161) * scale;
        storeSample(image.row(y), x, layout.sampleBytes, std::min(v, layout.maxValue));
        planted.insert({x, y});
    }
    return planted;
}

const HotpixelThreshold kDefaultThreshold{kDefaultHotpixelLevel, kDefaultGainFactorPercent};

TEST(SensorHotpixels, FindsPlantedPixelsAndNothingElse) {
    for (TARN_LUX_PixelFormatName format : {TARN_LUX_PixelFormatName_Mono8, TARN_LUX_PixelFormatName_BayerRG8,
                                            TARN_LUX_PixelFormatName_BayerGB12, TARN_LUX_PixelFormatName_Mono10}) {
        Image image = noisySlope(format, 301, 203, 2.0 * (siteLayout(formatInfo(format)).maxValue / 255), 5);
        EXPECT_TRUE(detectHotpixels(image, kDefaultThreshold, "t").empty()) << describeFormat(format);
        const auto planted = plant(image, 150, 9);
        const auto found = detectHotpixels(image, kDefaultThreshold, "t");
        std::set<std::pair<size_t, size_t>> foundSet;
        for (const auto& p : found) foundSet.insert({p.x, p.y});
        EXPECT_EQ(foundSet, planted) << describeFormat(format);
        // Found in row order.
        EXPECT_TRUE(std::is_sorted(found.begin(), found.end(), [](auto& a, auto& b) {
            return std::make_pair(a.y, a.x) < std::make_pair(b.y, b.x);
        }));
        // Corrected, the image has none left and clean pixels are untouched.
        Image corrected = image.clone();
        correctHotpixels(image, corrected, found.data(), found.size(), "t");
        EXPECT_TRUE(detectHotpixels(corrected, kDefaultThreshold, "t").empty());
        size_t changedClean = 0;
        for (size_t y = 0; y < image.height(); ++y)
            for (size_t x = 0; x < image.width(); ++x)
                if (!planted.count({x, y}))
                    changedClean +=
                        sampleAt(image, y * image.width() + x) != sampleAt(corrected, y * image.width() + x);
        EXPECT_EQ(changedClean, 0u);
    }
}

TEST(SensorHotpixels, CorrectionIsTheMedianOfSameColourNeighbours) {
    Image image(TARN_LUX_PixelFormatName_BayerRG8, 10, 10);
    for (size_t i = 0; i < 100; ++i) image.data()[i] = uint8_t(i);
    const TARN_LUX_Point2D at[] = {{4, 4}, {6, 4}};
    Image out = image.clone();
    correctHotpixels(image, out, at, 2, "t");
    // (4, 4): neighbours at distance 2 except the listed (6, 4): 22 24 26 42 62
    // 64 66 -> median 42.
    EXPECT_EQ(sampleAt(out, 44), 42u);
    // A corner pixel has three neighbours.
    const TARN_LUX_Point2D corner[] = {{0, 0}};
    correctHotpixels(image, out, corner, 1, "t");
    EXPECT_EQ(sampleAt(out, 0), 20u);  // 2, 20, 22
}

TEST(SensorHotpixels, SensitivityLevelsAreOrdered) {
    Image image = noisySlope(TARN_LUX_PixelFormatName_Mono8, 200, 200, 2.0, 3);
    Image weak = image.clone();
    // Excesses of 10 to 60 DN: about 5 to 30 sigma.
    for (size_t i = 0; i < 50; ++i)
        weak.row(10 + 3 * i)[20 + 3 * i] = uint8_t(std::min(255, weak.row(10 + 3 * i)[20 + 3 * i] + 10 + int(i)));
    size_t previous = 0;
    for (int level = 1; level <= 5; ++level) {
        const size_t found = detectHotpixels(weak, {level, 100}, "t").size();
        EXPECT_GE(found, previous) << "level " << level;
        previous = found;
    }
    EXPECT_GT(detectHotpixels(weak, {5, 100}, "t").size(), detectHotpixels(weak, {5, 400}, "t").size());
}

TEST(SensorHotpixels, EveryPathFindsTheSame) {
    for (TARN_LUX_PixelFormatName format : {TARN_LUX_PixelFormatName_Mono8, TARN_LUX_PixelFormatName_BayerBG8,
                                            TARN_LUX_PixelFormatName_Mono12, TARN_LUX_PixelFormatName_BayerGR10})
        for (size_t width : {6u, 7u, 33u, 70u, 131u}) {
            Image image = noiseImage(format, width, 37, uint32_t(width));
            EXPECT_EQ(firstDisagreeingPath([&] {
                          std::vector<uint8_t> bytes;
                          for (const auto& p : detectHotpixels(image, {5, 100}, "t")) {
                              bytes.push_back(uint8_t(p.x));
                              bytes.push_back(uint8_t(p.y));
                          }
                          return bytes;
                      }),
                      "")
                << describeFormat(format) << " width " << width;
        }
}

TEST(SensorHotpixels, InterfaceRefusals) {
    TARN_LUX_HotpixelCorrectionHandle corrector = nullptr;
    ASSERT_EQ(TARN_LUX_HotpixelCorrection_Construct(&corrector), 0);
    EXPECT_FAILS_WITH(TARN_LUX_HotpixelCorrection_SetSensitivity(corrector, 6), TARN_LUX_RETURN_CODE_INVALID_ARGUMENT,
                      "value isn't supported.");
    EXPECT_FAILS_WITH(TARN_LUX_HotpixelCorrection_SetGainFactorPercent(corrector, 0),
                      TARN_LUX_RETURN_CODE_INVALID_ARGUMENT, "value isn't supported.");
    {
        test::ScopedImage tiny(TARN_LUX_PixelFormatName_BayerRG8, 5, 40);
        EXPECT_FAILS_WITH(TARN_LUX_HotpixelCorrection_Detect(corrector, tiny.get()), TARN_LUX_RETURN_CODE_OUT_OF_RANGE,
                          "too small");
        test::ScopedImage colour(TARN_LUX_PixelFormatName_RGB8, 40, 40);
        EXPECT_FAILS_WITH(TARN_LUX_HotpixelCorrection_Detect(corrector, colour.get()),
                          TARN_LUX_RETURN_CODE_IMAGE_FORMAT_NOT_SUPPORTED, "RGB8");
    }
    test::ScopedImage image(TARN_LUX_PixelFormatName_Mono8, 20, 20);
    uint8_t* data = nullptr;
    TARN_LUX_Image_Data(image.get(), &data);
    data[5 * 20 + 7] = 200;
    ASSERT_EQ(TARN_LUX_HotpixelCorrection_Detect(corrector, image.get()), 0);
    size_t count = 0;
    ASSERT_EQ(TARN_LUX_HotpixelCorrection_Hotpixels(corrector, nullptr, &count), 0);
    ASSERT_EQ(count, 1u);
    TARN_LUX_Point2D found{};
    ASSERT_EQ(TARN_LUX_HotpixelCorrection_Hotpixels(corrector, &found, &count), 0);
    EXPECT_EQ(found.x, 7u);
    EXPECT_EQ(found.y, 5u);
    const TARN_LUX_Point2D outside[] = {{3, 3}, {20, 0}};
    EXPECT_FAILS_WITH(TARN_LUX_HotpixelCorrection_CorrectInPlace(corrector, image.get(), outside, 2),
                      TARN_LUX_RETURN_CODE_OUT_OF_RANGE, "outside");
    EXPECT_EQ(data[5 * 20 + 7], 200);  // nothing changed by the refused call
    ASSERT_EQ(TARN_LUX_HotpixelCorrection_CorrectAdaptiveInPlace(corrector, image.get()), 0);
    EXPECT_EQ(data[5 * 20 + 7], 0);
    TARN_LUX_HotpixelCorrection_Destruct(corrector);
}

TEST(SensorEdgeEnhancement, EveryPathGivesTheSameBytes) {
    for (TARN_LUX_PixelFormatName format :
         {TARN_LUX_PixelFormatName_Mono8, TARN_LUX_PixelFormatName_Mono12, TARN_LUX_PixelFormatName_RGB8,
          TARN_LUX_PixelFormatName_BGRa8, TARN_LUX_PixelFormatName_RGB10, TARN_LUX_PixelFormatName_RGBa12})
        for (size_t width : {1u, 2u, 5u, 17u, 64u, 101u})
            for (uint32_t factor : {0u, 4u, 40u}) {
                const Image in = noiseImage(format, width, width % 7 + 1, uint32_t(width + factor));
                EXPECT_EQ(firstDisagreeingPath([&] {
                              Image out(format, in.width(), in.height());
                              enhanceEdges(in, out, factor, "t");
                              return bytesOf(out);
                          }),
                          "")
                    << describeFormat(format) << " width " << width << " factor " << factor;
            }
}

TEST(SensorEdgeEnhancement, FlatStaysFlatAndEdgesStayInRange) {
    Image in(TARN_LUX_PixelFormatName_RGBa8, 40, 10);
    for (size_t y = 0; y < 10; ++y)
        for (size_t x = 0; x < 40; ++x)
            for (size_t c = 0; c < 4; ++c) in.row(y)[4 * x + c] = uint8_t(x < 20 ? 10 : (c == 3 ? 77 : 250));
    Image out(in.format(), 40, 10);
    enhanceEdges(in, out, kEdgeFactorMax, "t");
    const uint8_t* row = out.row(5);
    EXPECT_EQ(row[4 * 5], 10);  // flat, far from the edge
    EXPECT_EQ(row[4 * 30], 250);
    EXPECT_EQ(row[4 * 19], 0);       // undershoot clamped
    EXPECT_EQ(row[4 * 20], 255);     // overshoot clamped
    EXPECT_EQ(row[4 * 20 + 3], 77);  // alpha untouched
    Image same(in.format(), 40, 10);
    enhanceEdges(in, same, 0, "t");
    EXPECT_EQ(bytesOf(same), bytesOf(in));
}

TEST(SensorEdgeEnhancement, InterfaceRangeAndRefusals) {
    TARN_LUX_EdgeEnhancementHandle edge = nullptr;
    ASSERT_EQ(TARN_LUX_EdgeEnhancement_Construct(&edge), 0);
    TARN_LUX_RangeUInt32 range{};
    ASSERT_EQ(TARN_LUX_EdgeEnhancement_Range(edge, &range), 0);
    EXPECT_LT(range.minimum, range.maximum);
    EXPECT_LE(range.increment, range.maximum - range.minimum);
    uint32_t factor = 0, standard = 0;
    TARN_LUX_EdgeEnhancement_Factor(edge, &factor);
    TARN_LUX_EdgeEnhancement_DefaultFactor(edge, &standard);
    EXPECT_EQ(factor, standard);
    EXPECT_FAILS_WITH(TARN_LUX_EdgeEnhancement_SetFactor(edge, range.maximum + 1),
                      TARN_LUX_RETURN_CODE_INVALID_ARGUMENT, "value isn't supported.");
    test::ScopedImage bayer(TARN_LUX_PixelFormatName_BayerRG8, 8, 8);
    EXPECT_FAILS_WITH(TARN_LUX_EdgeEnhancement_ProcessInPlace(edge, bayer.get()),
                      TARN_LUX_RETURN_CODE_IMAGE_FORMAT_NOT_SUPPORTED, "pixel format isn't supported.");
    TARN_LUX_EdgeEnhancement_Destruct(edge);
}

// A 3 x 3 binomial blur with repeated borders, per channel.
Image blurred(const Image& in) {
    Image out = in.clone();
    const SiteLayout layout = siteLayout(in.formatInfo());
    const size_t c = layout.unitSamples / layout.period;
    const size_t p = layout.period;
    for (size_t y = 0; y < in.height(); ++y)
        for (size_t x = 0; x < in.width(); ++x)
            for (size_t ch = 0; ch < c; ++ch) {
                uint32_t sum = 0;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx) {
                        const long yy = std::clamp(long(y) + dy * long(p), 0L, long(in.height()) - 1);
                        const long xx = std::clamp(long(x) + dx * long(p), 0L, long(in.width()) - 1);
                        const size_t sy = size_t(yy) % p == y % p ? size_t(yy) : y;
                        const size_t sx = size_t(xx) % p == x % p ? size_t(xx) : x;
                        sum += (dx == 0 ? 2 : 1) * (dy == 0 ? 2 : 1) * sampleAt(in, (sy * in.width() + sx) * c + ch);
                    }
                storeSample(out.data(), (y * in.width() + x) * c + ch, layout.sampleBytes, (sum + 8) / 16);
            }
    return out;
}

const TARN_LUX_SharpnessAlgorithm kAlgorithms[] = {
    TARN_LUX_SharpnessAlgorithm_Tenengrad, TARN_LUX_SharpnessAlgorithm_MeanScore,
    TARN_LUX_SharpnessAlgorithm_HistogramVariance, TARN_LUX_SharpnessAlgorithm_Sobel};

TEST(SensorSharpness, BlurNeverMeasuresSharper) {
    for (TARN_LUX_PixelFormatName format : {TARN_LUX_PixelFormatName_Mono8, TARN_LUX_PixelFormatName_BayerGB12,
                                            TARN_LUX_PixelFormatName_RGB8, TARN_LUX_PixelFormatName_BGRa10})
        for (TARN_LUX_SharpnessAlgorithm algorithm : kAlgorithms) {
            Image image = noiseImage(format, 64, 48, 11);
            double previous = measureSharpness(image, algorithm, {});
            for (int step = 0; step < 3; ++step) {
                image = blurred(image);
                const double value = measureSharpness(image, algorithm, {});
                EXPECT_LT(value, previous) << describeFormat(format) << " algorithm " << algorithm;
                previous = value;
            }
        }
}

TEST(SensorSharpness, EveryPathMeasuresTheSame) {
    const std::vector<TARN_LUX_SharpnessROI> layouts[] = {
        {},
        {{3, 5, 40, 30, 1, 1, 66, 0}},
        {{0, 0, 16, 16, 3, 2, 33, 0}, {47, 31, 20, 20, 1, 1, 99, 0}},
    };
    for (TARN_LUX_PixelFormatName format : {TARN_LUX_PixelFormatName_Mono8, TARN_LUX_PixelFormatName_Mono12,
                                            TARN_LUX_PixelFormatName_BayerRG8, TARN_LUX_PixelFormatName_RGBa12})
        for (TARN_LUX_SharpnessAlgorithm algorithm : kAlgorithms)
            for (const auto& rois : layouts) {
                const Image image = noiseImage(format, 67, 51, 2);
                EXPECT_EQ(firstDisagreeingPath([&] {
                              const double value = measureSharpness(image, algorithm, rois);
                              std::vector<uint8_t> bytes(sizeof value);
                              std::memcpy(bytes.data(), &value, sizeof value);
                              return bytes;
                          }),
                          "")
                    << describeFormat(format) << " algorithm " << algorithm << " rois " << rois.size();
            }
}

TEST(SensorSharpness, WeightsAverageTheRois) {
    // Left half sharp (noise), right half flat.
    Image image = noiseImage(TARN_LUX_PixelFormatName_Mono8, 64, 32, 4);
    for (size_t y = 0; y < 32; ++y) std::fill(image.row(y) + 32, image.row(y) + 64, uint8_t(100));
    const TARN_LUX_SharpnessROI sharp{2, 2, 24, 24, 1, 1, 33, 0};
    const TARN_LUX_SharpnessROI flat{38, 2, 24, 24, 1, 1, 99, 0};
    for (TARN_LUX_SharpnessAlgorithm algorithm : kAlgorithms) {
        const double a = measureSharpness(image, algorithm, {sharp});
        const double b = measureSharpness(image, algorithm, {flat});
        EXPECT_EQ(b, 0.0);
        EXPECT_DOUBLE_EQ(measureSharpness(image, algorithm, {sharp, flat}), (33 * a + 99 * b) / 132);
        // Sampling every other pixel estimates the same mean.
        TARN_LUX_SharpnessROI sparse = sharp;
        sparse.xSamplingInterval = 2;
        sparse.ySamplingInterval = 3;
        EXPECT_NEAR(measureSharpness(image, algorithm, {sparse}), a, 0.25 * a);
        EXPECT_NE(measureSharpness(image, algorithm, {sparse}), a);
    }
}

TEST(SensorSharpness, InterfaceRefusals) {
    TARN_LUX_SharpnessHandle sharpness = nullptr;
    ASSERT_EQ(TARN_LUX_Sharpness_Construct(&sharpness), 0);
    TARN_LUX_Size2D minimum{};
    ASSERT_EQ(TARN_LUX_Sharpness_ROIMinSize(sharpness, &minimum), 0);
    const TARN_LUX_SharpnessROI small{0, 0, minimum.width - 1, minimum.height, 1, 1, 66, 0};
    EXPECT_FAILS_WITH(TARN_LUX_Sharpness_SetROIs(sharpness, &small, 1), TARN_LUX_RETURN_CODE_OUT_OF_RANGE, "minimum");
    const TARN_LUX_SharpnessROI roi{10, 10, 20, 20, 1, 1, 66, 1234};
    ASSERT_EQ(TARN_LUX_Sharpness_SetROIs(sharpness, &roi, 1), 0);
    TARN_LUX_SharpnessROI back{};
    size_t count = 1;
    ASSERT_EQ(TARN_LUX_Sharpness_GetROIs(sharpness, &back, &count), 0);
    EXPECT_EQ(back.width, 20u);
    EXPECT_EQ(back.reserved, 0u);
    test::ScopedImage image(TARN_LUX_PixelFormatName_Mono8, 25, 40);
    double value = -1;
    EXPECT_FAILS_WITH(TARN_LUX_Sharpness_Measure(sharpness, image.get(), &value), TARN_LUX_RETURN_CODE_OUT_OF_RANGE,
                      "outside the image");
    test::ScopedImage packed(TARN_LUX_PixelFormatName_Mono12p, 64, 64);
    ASSERT_EQ(TARN_LUX_Sharpness_SetROIs(sharpness, nullptr, 0), 0);
    EXPECT_FAILS_WITH(TARN_LUX_Sharpness_Measure(sharpness, packed.get(), &value),
                      TARN_LUX_RETURN_CODE_IMAGE_FORMAT_NOT_SUPPORTED, "pixel format isn't supported.");
    EXPECT_FAILS_WITH(TARN_LUX_Sharpness_SetAlgorithm(sharpness, 4), TARN_LUX_RETURN_CODE_INVALID_ARGUMENT,
                      "value isn't supported.");
    size_t formats = 0;
    ASSERT_EQ(TARN_LUX_Sharpness_SupportedPixelFormats(sharpness, nullptr, &formats), 0);
    EXPECT_EQ(formats, 27u);  // 12 Bayer, 3 mono, 12 RGB family
    TARN_LUX_Sharpness_Destruct(sharpness);
}

}  // namespace
}  // namespace orx
