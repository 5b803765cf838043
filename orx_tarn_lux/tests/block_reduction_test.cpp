#include "sensor/block_reduction.h"

#include <gtest/gtest.h>

#include "support/kernel_paths.h"
#include "support/sensor_images.h"
#include "test_support.h"

namespace orx {
namespace {

using testing::bytesOf;
using testing::firstDisagreeingPath;
using testing::noiseImage;
using testing::sampleAt;

const TARN_LUX_PixelFormatName kFormats[] = {TARN_LUX_PixelFormatName_Mono8,     TARN_LUX_PixelFormatName_Mono12,
                                             TARN_LUX_PixelFormatName_RGB8,      TARN_LUX_PixelFormatName_BGR10,
                                             TARN_LUX_PixelFormatName_RGBa8,     TARN_LUX_PixelFormatName_BGRa12,
                                             TARN_LUX_PixelFormatName_BayerRG8,  TARN_LUX_PixelFormatName_BayerGB8,
                                             TARN_LUX_PixelFormatName_BayerGR12, TARN_LUX_PixelFormatName_BayerBG10};

struct Case {
    size_t width, height, fx, fy;
};
const Case kCases[] = {{37, 29, 2, 2},  {64, 48, 2, 2}, {101, 7, 3, 2}, {40, 40, 8, 8}, {17, 33, 1, 4},
                       {130, 10, 2, 1}, {9, 9, 3, 3},   {200, 6, 5, 2}, {19, 16, 2, 8}};

// The output sample at (x, y, channel) of binning or decimation, computed from the definition: sites of a mosaic are
// every second pixel.
uint32_t expectedSample(const Image& in, const Case& c, Reduction reduction, size_t x, size_t y, size_t channel) {
    const size_t p = in.formatInfo().isBayered() ? 2 : 1;
    const size_t channels = in.formatInfo().channels;
    const size_t baseX = (x / p) * p * c.fx + x % p;
    const size_t baseY = (y / p) * p * c.fy + y % p;
    if (reduction == Reduction::Pick) return sampleAt(in, (baseY * in.width() + baseX) * channels + channel);
    uint64_t sum = 0;
    for (size_t j = 0; j < c.fy; ++j)
        for (size_t i = 0; i < c.fx; ++i)
            sum += sampleAt(in, ((baseY + j * p) * in.width() + baseX + i * p) * channels + channel);
    const uint64_t count = c.fx * c.fy;
    if (reduction == Reduction::Sum) return uint32_t(std::min<uint64_t>(sum, in.formatInfo().maximumValuePerChannel()));
    return uint32_t((sum + count / 2) / count);
}

TEST(SensorBlockReduction, MatchesTheDefinitionForEveryFamilyAndSize) {
    for (TARN_LUX_PixelFormatName format : kFormats)
        for (const Case& c : kCases)
            for (Reduction reduction : {Reduction::Average, Reduction::Sum, Reduction::Pick}) {
                const Image in = noiseImage(format, c.width, c.height, uint32_t(c.width * 7 + format));
                const Image out = reduceBlocks(in, {c.fx, c.fy}, reduction, "test");
                size_t width = 0, height = 0;
                reducedSize(format, c.width, c.height, {c.fx, c.fy}, reduction, width, height);
                ASSERT_EQ(out.width(), width);
                ASSERT_EQ(out.height(), height);
                const size_t channels = in.formatInfo().channels;
                size_t wrong = 0;
                for (size_t y = 0; y < height; ++y)
                    for (size_t x = 0; x < width; ++x)
                        for (size_t ch = 0; ch < channels; ++ch)
                            wrong += sampleAt(out, (y * width + x) * channels + ch) !=
                                     expectedSample(in, c, reduction, x, y, ch);
                EXPECT_EQ(wrong, 0u) << describeFormat(format) << " " << c.width << "x" << c.height << " by " << c.fx
                                     << "x" << c.fy << " reduction " << int(reduction);
            }
}

TEST(SensorBlockReduction, EveryPathGivesTheSameBytes) {
    for (TARN_LUX_PixelFormatName format : kFormats)
        for (const Case& c : kCases)
            for (Reduction reduction : {Reduction::Average, Reduction::Sum, Reduction::Pick}) {
                const Image in = noiseImage(format, c.width * 3, c.height * 2 + 1, uint32_t(format));
                EXPECT_EQ(firstDisagreeingPath([&] {
                              return bytesOf(reduceBlocks(in, {c.fx, c.fy}, reduction, "t"));
                          }),
                          "")
                    << describeFormat(format) << " by " << c.fx << "x" << c.fy << " reduction " << int(reduction);
            }
}

TEST(SensorBlockReduction, SizesFollowTheDocumentedRules) {
    size_t w = 0, h = 0;
    reducedSize(TARN_LUX_PixelFormatName_Mono8, 7, 5, {2, 2}, Reduction::Average, w, h);
    EXPECT_EQ(w, 3u);
    EXPECT_EQ(h, 2u);
    reducedSize(TARN_LUX_PixelFormatName_Mono8, 7, 5, {2, 2}, Reduction::Pick, w, h);
    EXPECT_EQ(w, 4u);
    EXPECT_EQ(h, 3u);
    // A mosaic's odd last column belongs to no 2 x 2 period.
    reducedSize(TARN_LUX_PixelFormatName_BayerRG8, 11, 9, {2, 2}, Reduction::Average, w, h);
    EXPECT_EQ(w, 4u);
    EXPECT_EQ(h, 4u);
    reducedSize(TARN_LUX_PixelFormatName_BayerRG8, 11, 9, {2, 2}, Reduction::Pick, w, h);
    EXPECT_EQ(w, 6u);
    EXPECT_EQ(h, 4u);
}

// The interface: settings, refusals with their documented texts.
TEST(SensorBlockReduction, InterfaceRefusesWhatItCannotDo) {
    TARN_LUX_BinningHandle binning = nullptr;
    ASSERT_EQ(TARN_LUX_Binning_Construct(&binning), TARN_LUX_RETURN_CODE_SUCCESS);
    uint8_t factor = 0;
    ASSERT_EQ(TARN_LUX_Binning_BinningX(binning, &factor), 0);
    EXPECT_EQ(factor, kDefaultReductionFactor);
    for (uint8_t bad : {uint8_t(0), uint8_t(9), uint8_t(255)})
        EXPECT_FAILS_WITH(TARN_LUX_Binning_SetBinningY(binning, &bad), TARN_LUX_RETURN_CODE_INVALID_ARGUMENT,
                          "value isn't supported.");
    const TARN_LUX_BinningMode badMode = 2;
    EXPECT_FAILS_WITH(TARN_LUX_Binning_SetMode(binning, &badMode), TARN_LUX_RETURN_CODE_INVALID_ARGUMENT,
                      "value isn't supported.");
    size_t w = 0, h = 0;
    EXPECT_FAILS_WITH(TARN_LUX_Binning_ExpectedOutputSize(binning, &w, &h, 64, 64, TARN_LUX_PixelFormatName_Mono12p),
                      TARN_LUX_RETURN_CODE_INVALID_ARGUMENT, "pixelFormat isn't supported.");
    EXPECT_FAILS_WITH(TARN_LUX_Binning_ExpectedOutputSize(binning, &w, &h, 3, 1, TARN_LUX_PixelFormatName_Mono8),
                      TARN_LUX_RETURN_CODE_INVALID_ARGUMENT, "the image is too small.");
    EXPECT_FAILS_WITH(TARN_LUX_Binning_ExpectedOutputSize(binning, &w, &h, 3, 3, TARN_LUX_PixelFormatName_BayerRG8),
                      TARN_LUX_RETURN_CODE_INVALID_ARGUMENT, "the image is too small.");
    {
        test::ScopedImage packed(TARN_LUX_PixelFormatName_Mono10p, 8, 8);
        TARN_LUX_ImageHandle out = nullptr;
        EXPECT_FAILS_WITH(TARN_LUX_Binning_Process(binning, packed.get(), &out),
                          TARN_LUX_RETURN_CODE_IMAGE_FORMAT_NOT_SUPPORTED, "Mono10p");
        EXPECT_EQ(out, nullptr);
    }
    TARN_LUX_BOOL supported = TARN_LUX_FALSE;
    ASSERT_EQ(TARN_LUX_Binning_IsPixelFormatSupported(binning, TARN_LUX_PixelFormatName_BayerGB12, &supported), 0);
    EXPECT_EQ(supported, TARN_LUX_TRUE);
    ASSERT_EQ(TARN_LUX_Binning_IsPixelFormatSupported(binning, TARN_LUX_PixelFormatName_YUV420_8_YY_UV_SemiplanarORX,
                                                      &supported),
              0);
    EXPECT_EQ(supported, TARN_LUX_FALSE);
    EXPECT_EQ(TARN_LUX_Binning_Destruct(binning), 0);
    // A binning handle is not a decimation handle.
    EXPECT_FAILS_WITH(TARN_LUX_Decimation_DecimationX(reinterpret_cast<TARN_LUX_DecimationHandle>(binning), &factor),
                      TARN_LUX_RETURN_CODE_INVALID_HANDLE, "");
}

TEST(SensorBlockReduction, ExpectedOutputSizeIsWhatProcessMakes) {
    TARN_LUX_DecimationHandle decimation = nullptr;
    ASSERT_EQ(TARN_LUX_Decimation_Construct(&decimation), 0);
    const uint8_t x = 3, y = 5;
    ASSERT_EQ(TARN_LUX_Decimation_SetDecimationX(decimation, &x), 0);
    ASSERT_EQ(TARN_LUX_Decimation_SetDecimationY(decimation, &y), 0);
    test::ScopedImage image(TARN_LUX_PixelFormatName_BayerBG8, 31, 23);
    size_t w = 0, h = 0;
    ASSERT_EQ(TARN_LUX_Decimation_ExpectedOutputSize(decimation, &w, &h, 31, 23, TARN_LUX_PixelFormatName_BayerBG8), 0);
    TARN_LUX_ImageHandle out = nullptr;
    ASSERT_EQ(TARN_LUX_Decimation_Process(decimation, image.get(), &out), 0);
    size_t ow = 0, oh = 0;
    TARN_LUX_Image_Width(out, &ow);
    TARN_LUX_Image_Height(out, &oh);
    EXPECT_EQ(ow, w);
    EXPECT_EQ(oh, h);
    TARN_LUX_PixelFormatName format = 0;
    TARN_LUX_Image_PixelFormat(out, &format);
    EXPECT_EQ(format, TARN_LUX_PixelFormatName_BayerBG8);
    TARN_LUX_Image_Destruct(out);
    TARN_LUX_Decimation_Destruct(decimation);
}

}  // namespace
}  // namespace orx
