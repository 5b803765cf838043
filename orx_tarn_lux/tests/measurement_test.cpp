// Histograms and pixel lines against direct counts and reads of the samples.
#include "analyse/measurements.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "core/error.h"
#include "support/kernel_paths.h"
#include "support/noise_image.h"
#include "test_support.h"

namespace orx {
namespace {

using testing::bytesOf;
using testing::noiseImage;

uint32_t rawSample(const Image& image, size_t index) {
    if (image.formatInfo().storageBitsPerChannel == 8) return image.data()[index];
    uint16_t value;
    std::memcpy(&value, image.data() + 2 * index, 2);
    return value;
}

// Channel of the sample at (x, y, c) as documented in measurements.h.
size_t channelOf(const PixelFormatInfo& format, size_t x, size_t y, size_t c) {
    return format.isBayered() ? (y % 2) * 2 + x % 2 : c;
}

TEST(Histogram, CountsEverySampleInItsChannelAndBin) {
    const TARN_LUX_PixelFormatName formats[] = {
        TARN_LUX_PixelFormatName_Mono8,     TARN_LUX_PixelFormatName_RGB8,    TARN_LUX_PixelFormatName_BGRa8,
        TARN_LUX_PixelFormatName_BayerRG8,  TARN_LUX_PixelFormatName_BayerGB12, TARN_LUX_PixelFormatName_Mono12,
        TARN_LUX_PixelFormatName_RGBa10};
    for (TARN_LUX_PixelFormatName name : formats)
        for (const auto& [w, h] : {std::make_pair(1, 1), std::make_pair(37, 19), std::make_pair(256, 7)}) {
            // Noise sets the unused high bits of 16-bit samples: they count as the maximum.
            const Image image = noiseImage(name, size_t(w), size_t(h), uint32_t(w + h));
            const PixelFormatInfo& format = image.formatInfo();
            const size_t channels = format.isBayered() ? 4 : format.channels;
            const size_t bins = size_t(format.maximumValuePerChannel()) + 1;
            std::vector<std::vector<uint64_t>> expected(channels, std::vector<uint64_t>(bins, 0));
            for (size_t y = 0; y < size_t(h); ++y)
                for (size_t x = 0; x < size_t(w); ++x)
                    for (size_t c = 0; c < format.channels; ++c) {
                        const uint32_t v = rawSample(image, (y * w + x) * format.channels + c);
                        ++expected[channelOf(format, x, y, c)][std::min<uint32_t>(v, uint32_t(bins - 1))];
                    }
            Histogram reference;
            const std::string disagreeing = testing::firstDisagreeingPath([&] {
                reference = histogramOf(image);
                std::vector<uint8_t> flat;
                for (const auto& channel : reference.channels)
                    flat.insert(flat.end(), reinterpret_cast<const uint8_t*>(channel.bins.data()),
                                reinterpret_cast<const uint8_t*>(channel.bins.data() + channel.bins.size()));
                return flat;
            });
            EXPECT_EQ(disagreeing, "") << format.text;
            ASSERT_EQ(reference.channels.size(), channels);
            EXPECT_EQ(reference.format, name);
            for (size_t c = 0; c < channels; ++c) {
                EXPECT_EQ(reference.channels[c].bins, expected[c]) << format.text << " channel " << c;
                uint64_t count = 0, sum = 0;
                for (size_t v = 0; v < bins; ++v) count += expected[c][v], sum += expected[c][v] * v;
                EXPECT_EQ(reference.channels[c].pixelCount, count);
                EXPECT_EQ(reference.channels[c].pixelSum, sum);
            }
        }
}

TEST(Histogram, SemiplanarCountsLumaAndEachChromaPairOnce) {
    const Image image = noiseImage(TARN_LUX_PixelFormatName_YUV420_8_YY_UV_SemiplanarORX, 5, 3, 1);
    const Histogram histogram = histogramOf(image);
    ASSERT_EQ(histogram.channels.size(), 3u);
    EXPECT_EQ(histogram.channels[0].pixelCount, 15u);
    EXPECT_EQ(histogram.channels[1].pixelCount, 6u);  // 3 x 2 blocks
    EXPECT_EQ(histogram.channels[2].pixelCount, 6u);
    uint64_t sum = 0;
    for (size_t i = 0; i < 6; ++i) sum += image.data()[15 + 2 * i + 1];
    EXPECT_EQ(histogram.channels[2].pixelSum, sum);
}

TEST(PixelLine, RowsAndColumnsAreTheSamples) {
    for (TARN_LUX_PixelFormatName name : {TARN_LUX_PixelFormatName_RGB12, TARN_LUX_PixelFormatName_BayerBG8,
                                          TARN_LUX_PixelFormatName_BGRa8}) {
        const Image image = noiseImage(name, 7, 5, 3);
        const PixelFormatInfo& format = image.formatInfo();
        const PixelLine row = pixelLineOf(image, TARN_LUX_Orientation_Horizontal, 3);
        const PixelLine column = pixelLineOf(image, TARN_LUX_Orientation_Vertical, 6);
        const size_t channels = format.isBayered() ? 1 : format.channels;
        ASSERT_EQ(row.channels.size(), channels);
        for (size_t c = 0; c < channels; ++c) {
            ASSERT_EQ(row.channels[c].size(), 7u);
            ASSERT_EQ(column.channels[c].size(), 5u);
            for (size_t x = 0; x < 7; ++x) EXPECT_EQ(row.channels[c][x], rawSample(image, (3 * 7 + x) * channels + c));
            for (size_t y = 0; y < 5; ++y) EXPECT_EQ(column.channels[c][y], rawSample(image, (y * 7 + 6) * channels + c));
        }
        EXPECT_EQ(column.offset, 6u);
        EXPECT_EQ(column.orientation, TARN_LUX_Orientation_Vertical);
    }
    const Image yuv = noiseImage(TARN_LUX_PixelFormatName_YUV420_8_YY_VU_SemiplanarORX, 5, 3, 2);
    const PixelLine column = pixelLineOf(yuv, TARN_LUX_Orientation_Vertical, 4);
    ASSERT_EQ(column.channels.size(), 3u);
    for (size_t y = 0; y < 3; ++y) {
        EXPECT_EQ(column.channels[0][y], yuv.data()[y * 5 + 4]);
        EXPECT_EQ(column.channels[1][y], yuv.data()[15 + (y / 2) * 6 + 4]);
        EXPECT_EQ(column.channels[2][y], yuv.data()[15 + (y / 2) * 6 + 5]);
    }
}

TEST(MeasurementInterface, QueriesAndRefusals) {
    test::ScopedImage image(TARN_LUX_PixelFormatName_Mono10, 4, 3);
    TARN_LUX_HistogramHandle histogram = nullptr;
    ASSERT_EQ(TARN_LUX_Histogram_Construct(image.get(), &histogram), TARN_LUX_RETURN_CODE_SUCCESS);
    size_t count = 0;
    ASSERT_EQ(TARN_LUX_Histogram_Bins(histogram, 0, nullptr, &count), TARN_LUX_RETURN_CODE_SUCCESS);
    EXPECT_EQ(count, 1024u);
    std::vector<uint64_t> bins(count);
    ASSERT_EQ(TARN_LUX_Histogram_Bins(histogram, 0, bins.data(), &count), TARN_LUX_RETURN_CODE_SUCCESS);
    EXPECT_EQ(bins[0], 12u);
    uint64_t value = 7;
    EXPECT_FAILS_WITH(TARN_LUX_Histogram_PixelSum(histogram, 1, &value), TARN_LUX_RETURN_CODE_OUT_OF_RANGE, "channel 1");
    EXPECT_EQ(value, 7u);
    TARN_LUX_PixelFormatName format = 0;
    TARN_LUX_Histogram_PixelFormat(histogram, &format);
    EXPECT_EQ(format, TARN_LUX_PixelFormatName_Mono10);
    TARN_LUX_Histogram_Destruct(histogram);

    TARN_LUX_PixelLineHandle line = nullptr;
    EXPECT_FAILS_WITH(TARN_LUX_PixelLine_Construct(image.get(), TARN_LUX_Orientation_Horizontal, 3, &line),
                      TARN_LUX_RETURN_CODE_OUT_OF_RANGE, "row 3");
    EXPECT_FAILS_WITH(TARN_LUX_PixelLine_Construct(image.get(), TARN_LUX_Orientation_Vertical, 4, &line),
                      TARN_LUX_RETURN_CODE_OUT_OF_RANGE, "column 4");
    EXPECT_FAILS_WITH(TARN_LUX_PixelLine_Construct(image.get(), 2, 0, &line), TARN_LUX_RETURN_CODE_INVALID_ARGUMENT,
                      "orientation 2");
    EXPECT_EQ(line, nullptr);
    ASSERT_EQ(TARN_LUX_PixelLine_Construct(image.get(), TARN_LUX_Orientation_Vertical, 3, &line),
              TARN_LUX_RETURN_CODE_SUCCESS);
    ASSERT_EQ(TARN_LUX_PixelLine_Values(line, 0, nullptr, &count), TARN_LUX_RETURN_CODE_SUCCESS);
    EXPECT_EQ(count, 3u);
    TARN_LUX_PixelLine_Destruct(line);

    test::ScopedImage packed(TARN_LUX_PixelFormatName_BayerRG12p, 4, 2);
    EXPECT_FAILS_WITH(TARN_LUX_Histogram_Construct(packed.get(), &histogram),
                      TARN_LUX_RETURN_CODE_IMAGE_FORMAT_NOT_SUPPORTED, "image has a packed pixel format");
    EXPECT_FAILS_WITH(TARN_LUX_PixelLine_Construct(packed.get(), 0, 0, &line),
                      TARN_LUX_RETURN_CODE_IMAGE_FORMAT_NOT_SUPPORTED, "image has a packed pixel format");
}

}  // namespace
}  // namespace orx
