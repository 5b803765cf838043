// Pixel format conversion: every kernel path agrees, and the results follow
// the rules for depth, order, alpha, luma and bilinear demosaicing.
#include "convert/conversion.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <vector>

#include "core/error.h"
#include "support/kernel_paths.h"

namespace orx {
namespace {

using convert::convertImage;
using convert::convertImageInto;

constexpr TARN_LUX_ConversionMode kFast = TARN_LUX_ConversionMode_Fast;

Image imageOf(TARN_LUX_PixelFormatName format, size_t width, size_t height, const std::vector<uint8_t>& bytes) {
    Image image(format, width, height);
    std::memcpy(image.data(), bytes.data(), std::min(bytes.size(), image.byteCount()));
    return image;
}

std::vector<uint8_t> bytesOf(const Image& image) {
    return std::vector<uint8_t>(image.data(), image.data() + image.byteCount());
}

std::vector<uint8_t> words(std::initializer_list<uint16_t> values) {
    std::vector<uint8_t> bytes;
    for (uint16_t v : values) bytes.push_back(uint8_t(v)), bytes.push_back(uint8_t(v >> 8));
    return bytes;
}

std::vector<uint8_t> convertBytes(TARN_LUX_PixelFormatName from, size_t width, size_t height,
                                  const std::vector<uint8_t>& bytes, TARN_LUX_PixelFormatName to) {
    return bytesOf(convertImage(imageOf(from, width, height, bytes), to, kFast));
}

std::vector<const PixelFormatInfo*> formats(bool unpackedOnly) {
    std::vector<const PixelFormatInfo*> found;
    for (const PixelFormatInfo& format : pixelFormats())
        if (format.isValid() && (!unpackedOnly || format.packing == Packing::None)) found.push_back(&format);
    return found;
}

constexpr TARN_LUX_ConversionMode kModes[] = {TARN_LUX_ConversionMode_Fast, TARN_LUX_ConversionMode_HighQuality,
                                               TARN_LUX_ConversionMode_Classic};

TEST(Conversion, EveryPathGivesTheSameBytesForEverySupportedPair) {
    // Widths around the vector steps, single rows and columns; the noise
    // also sets the unused high bits of 16-bit samples, which must be ignored.
    const std::pair<size_t, size_t> sizes[] = {{1, 1}, {2, 2}, {1, 9}, {41, 1}, {37, 6}, {64, 5}};
    size_t pairs = 0;
    for (const PixelFormatInfo* from : formats(false))
        for (const PixelFormatInfo* to : formats(false)) {
            if (!convert::canConvert(*from, *to)) continue;
            ++pairs;
            // The modes differ only in demosaicing.
            const bool demosaics = from->isBayered() && !to->isBayered();
            for (const TARN_LUX_ConversionMode mode : kModes) {
                if (!demosaics && mode != kFast) continue;
                for (const auto& [width, height] : sizes) {
                    const Image input = imageOf(from->name, width, height,
                                                testing::noiseBytes(from->imageByteCount(width, height), uint32_t(width)));
                    const std::string disagreeing = testing::firstDisagreeingPath([&] {
                        const Image output = convertImage(input, to->name, mode);
                        EXPECT_EQ(output.byteCount(), to->imageByteCount(width, height));
                        return bytesOf(output);
                    });
                    EXPECT_EQ(disagreeing, "")
                        << from->text << " -> " << to->text << " mode " << mode << " at " << width << "x" << height;
                }
            }
        }
    // Every format into the 23 that are not Bayer (15 unpacked Mono and
    // colour, 4 packed Mono, 2 p32, 2 YUV); the 28 Bayer formats also into
    // the 7 of their own pattern.
    EXPECT_EQ(pairs, 51u * 23u + 28u * 7u);
}

TEST(Conversion, ChangesDepthByShiftingAndIgnoresUnusedBits) {
    EXPECT_EQ(convertBytes(TARN_LUX_PixelFormatName_Mono12, 3, 1, words({0xABC, 0xFABC, 0x00F}),
                           TARN_LUX_PixelFormatName_Mono8),
              std::vector<uint8_t>({0xAB, 0xAB, 0x00}));
    EXPECT_EQ(convertBytes(TARN_LUX_PixelFormatName_Mono8, 2, 1, {0xAB, 0xFF}, TARN_LUX_PixelFormatName_Mono12),
              words({0xAB0, 0xFF0}));
    EXPECT_EQ(convertBytes(TARN_LUX_PixelFormatName_RGB10, 1, 1, words({0x3FF, 0x001, 0x200}),
                           TARN_LUX_PixelFormatName_BGR12),
              words({0x800, 0x004, 0xFFC}));
}

TEST(Conversion, UnpacksBitStreamsGroupsAndWords) {
    // Pixels 0xABC, 0x123: one 24-bit stream, or the high bytes then the
    // low nibbles.
    EXPECT_EQ(convertBytes(TARN_LUX_PixelFormatName_Mono12p, 2, 1, {0xBC, 0x3A, 0x12}, TARN_LUX_PixelFormatName_Mono12),
              words({0xABC, 0x123}));
    EXPECT_EQ(convertBytes(TARN_LUX_PixelFormatName_Mono12g24ORX, 2, 1, {0xAB, 0x12, 0x3C},
                           TARN_LUX_PixelFormatName_Mono12),
              words({0xABC, 0x123}));
    // Pixels 0x3FF, 0x001, 0x200, 0x155 as a 40-bit stream, and as four
    // high bytes followed by the 2-bit low parts 3, 1, 0, 1.
    EXPECT_EQ(convertBytes(TARN_LUX_PixelFormatName_Mono10p, 2, 2, {0xFF, 0x07, 0x00, 0x60, 0x55},
                           TARN_LUX_PixelFormatName_Mono10),
              words({0x3FF, 0x001, 0x200, 0x155}));
    EXPECT_EQ(convertBytes(TARN_LUX_PixelFormatName_BayerGR10g40ORX, 2, 2, {0xFF, 0x00, 0x80, 0x55, 0x47},
                           TARN_LUX_PixelFormatName_BayerGR10),
              words({0x3FF, 0x001, 0x200, 0x155}));
    // One word: first channel 0x3FF in bits 0-9, 0x001 in 10-19, 0x200 in 20-29.
    EXPECT_EQ(convertBytes(TARN_LUX_PixelFormatName_RGB10p32, 1, 1, {0xFF, 0x07, 0x00, 0x20},
                           TARN_LUX_PixelFormatName_RGB10),
              words({0x3FF, 0x001, 0x200}));
    EXPECT_EQ(convertBytes(TARN_LUX_PixelFormatName_BGR10p32, 1, 1, {0xFF, 0x07, 0x00, 0x20},
                           TARN_LUX_PixelFormatName_RGB10),
              words({0x200, 0x001, 0x3FF}));
}

TEST(Conversion, PacksBitStreamsGroupsAndWordsInTheDocumentedLayouts) {
    EXPECT_EQ(convertBytes(TARN_LUX_PixelFormatName_Mono12, 2, 1, words({0xABC, 0x123}), TARN_LUX_PixelFormatName_Mono12p),
              std::vector<uint8_t>({0xBC, 0x3A, 0x12}));
    EXPECT_EQ(convertBytes(TARN_LUX_PixelFormatName_Mono12, 2, 1, words({0xABC, 0x123}),
                           TARN_LUX_PixelFormatName_Mono12g24ORX),
              std::vector<uint8_t>({0xAB, 0x12, 0x3C}));
    // Rows need not end on a byte: 3 x 1 of 10 bits is 30 bits, the last
    // two bits zero.
    EXPECT_EQ(convertBytes(TARN_LUX_PixelFormatName_BayerGR10, 3, 1, words({0x3FF, 0x001, 0x200}),
                           TARN_LUX_PixelFormatName_BayerGR10p),
              std::vector<uint8_t>({0xFF, 0x07, 0x00, 0x20}));
    // A partial last group keeps its unused slots zero.
    EXPECT_EQ(convertBytes(TARN_LUX_PixelFormatName_Mono10, 3, 1, words({0x3FF, 0x001, 0x200}),
                           TARN_LUX_PixelFormatName_Mono10g40ORX),
              std::vector<uint8_t>({0xFF, 0x00, 0x80, 0x00, 0x07}));
    EXPECT_EQ(convertBytes(TARN_LUX_PixelFormatName_Mono8, 3, 1, {0xFF, 0x01, 0x80}, TARN_LUX_PixelFormatName_Mono12g24ORX),
              std::vector<uint8_t>({0xFF, 0x01, 0x00, 0x80, 0x00, 0x00}));
    EXPECT_EQ(convertBytes(TARN_LUX_PixelFormatName_RGB10, 1, 1, words({0x3FF, 0x001, 0x200}),
                           TARN_LUX_PixelFormatName_BGR10p32),
              std::vector<uint8_t>({0x00, 0x06, 0xF0, 0x3F}));
}

// Packing then unpacking gives back every sample, whatever the row length
// (rows of packed formats begin anywhere in a byte or group) and however
// the rows fall into bands.
TEST(Conversion, PackedRoundTripsAreExactAtOddSizes) {
    const std::pair<TARN_LUX_PixelFormatName, TARN_LUX_PixelFormatName> pairs[] = {
        {TARN_LUX_PixelFormatName_Mono10, TARN_LUX_PixelFormatName_Mono10p},
        {TARN_LUX_PixelFormatName_Mono12, TARN_LUX_PixelFormatName_Mono12p},
        {TARN_LUX_PixelFormatName_Mono10, TARN_LUX_PixelFormatName_Mono10g40ORX},
        {TARN_LUX_PixelFormatName_Mono12, TARN_LUX_PixelFormatName_Mono12g24ORX},
        {TARN_LUX_PixelFormatName_BayerBG10, TARN_LUX_PixelFormatName_BayerBG10p},
        {TARN_LUX_PixelFormatName_BayerGB12, TARN_LUX_PixelFormatName_BayerGB12p},
        {TARN_LUX_PixelFormatName_BayerRG10, TARN_LUX_PixelFormatName_BayerRG10g40ORX},
        {TARN_LUX_PixelFormatName_BayerGR12, TARN_LUX_PixelFormatName_BayerGR12g24ORX},
        {TARN_LUX_PixelFormatName_RGB10, TARN_LUX_PixelFormatName_RGB10p32},
        {TARN_LUX_PixelFormatName_BGR10, TARN_LUX_PixelFormatName_BGR10p32},
    };
    for (const auto& [unpacked, packed] : pairs)
        for (const auto& [width, height] : {std::pair<size_t, size_t>{1, 1}, {3, 5}, {7, 33}, {13, 40}, {61, 3}}) {
            const PixelFormatInfo& info = formatInfo(unpacked);
            std::vector<uint8_t> raw = testing::noiseBytes(info.imageByteCount(width, height), uint32_t(height));
            // Samples within the depth: the unused high bits do not survive.
            for (size_t i = 1; i < raw.size(); i += 2) raw[i] &= uint8_t(info.maximumValuePerChannel() >> 8);
            const Image packedImage = convertImage(imageOf(unpacked, width, height, raw), packed, kFast);
            EXPECT_EQ(bytesOf(convertImage(packedImage, unpacked, kFast)), raw)
                << describeFormat(packed) << " " << width << "x" << height;
        }
}

TEST(Conversion, MosaicsChangeDepthAndPackingButKeepTheirPattern) {
    const size_t width = 9, height = 5;
    const std::vector<uint8_t> raw = testing::noiseBytes(width * height, 3);
    const Image mosaic = imageOf(TARN_LUX_PixelFormatName_BayerGB8, width, height, raw);
    const Image deep = convertImage(mosaic, TARN_LUX_PixelFormatName_BayerGB12p, kFast);
    EXPECT_EQ(deep.format(), TARN_LUX_PixelFormatName_BayerGB12p);
    EXPECT_EQ(bytesOf(convertImage(deep, TARN_LUX_PixelFormatName_BayerGB8, kFast)), raw);
    const Image wide = convertImage(deep, TARN_LUX_PixelFormatName_BayerGB10g40ORX, kFast);
    const auto samples = bytesOf(convertImage(wide, TARN_LUX_PixelFormatName_BayerGB10, kFast));
    for (size_t i = 0; i < raw.size(); ++i) ASSERT_EQ(samples[2 * i] | samples[2 * i + 1] << 8, raw[i] << 2) << i;
}

TEST(Conversion, ReadsAndWritesStudioRangeYuv) {
    // 2 x 2 luma, one chroma pair. Neutral chroma gives gray at full range:
    // 16 is black, 235 white.
    EXPECT_EQ(convertBytes(TARN_LUX_PixelFormatName_YUV420_8_YY_UV_SemiplanarORX, 2, 2, {16, 235, 126, 10, 128, 128},
                           TARN_LUX_PixelFormatName_Mono8),
              std::vector<uint8_t>({0, 255, 128, 0}));
    // Y = 100, V = 178: 255/219 * 84 = 97.8 for every channel, red gains
    // 1.402 * 255/224 * 50 = 79.8, green loses 0.714136 * 255/224 * 50 = 40.6.
    const auto rgb = convertBytes(TARN_LUX_PixelFormatName_YUV420_8_YY_UV_SemiplanarORX, 1, 1, {100, 128, 178},
                                  TARN_LUX_PixelFormatName_RGB8);
    EXPECT_EQ(rgb, std::vector<uint8_t>({178, 57, 98}));
    const auto swapped = convertBytes(TARN_LUX_PixelFormatName_YUV420_8_YY_VU_SemiplanarORX, 1, 1, {100, 178, 128},
                                      TARN_LUX_PixelFormatName_RGB8);
    EXPECT_EQ(swapped, rgb);
    // Back again: the top-left pixel of each block gives the chroma pair.
    EXPECT_EQ(convertBytes(TARN_LUX_PixelFormatName_RGB8, 3, 1, {178, 57, 98, 0, 0, 0, 255, 255, 255},
                           TARN_LUX_PixelFormatName_YUV420_8_YY_VU_SemiplanarORX),
              std::vector<uint8_t>({100, 16, 235, 178, 128, 128, 128}));
    // Gray keeps neutral chroma exactly.
    EXPECT_EQ(convertBytes(TARN_LUX_PixelFormatName_Mono8, 2, 2, {0, 77, 200, 255},
                           TARN_LUX_PixelFormatName_YUV420_8_YY_UV_SemiplanarORX),
              std::vector<uint8_t>({16, 82, 188, 235, 128, 128}));
}

TEST(Conversion, ReordersChannelsAndFillsOrCarriesAlpha) {
    EXPECT_EQ(convertBytes(TARN_LUX_PixelFormatName_RGB8, 1, 1, {10, 20, 30}, TARN_LUX_PixelFormatName_BGRa8),
              std::vector<uint8_t>({30, 20, 10, 255}));
    EXPECT_EQ(convertBytes(TARN_LUX_PixelFormatName_RGB8, 1, 1, {10, 20, 30}, TARN_LUX_PixelFormatName_RGBa12),
              words({160, 320, 480, 4095}));
    EXPECT_EQ(convertBytes(TARN_LUX_PixelFormatName_BGRa12, 1, 1, words({0x100, 0x200, 0x300, 0x7F0}),
                           TARN_LUX_PixelFormatName_RGBa8),
              std::vector<uint8_t>({0x30, 0x20, 0x10, 0x7F}));
    EXPECT_EQ(convertBytes(TARN_LUX_PixelFormatName_BGRa8, 1, 1, {1, 2, 3, 4}, TARN_LUX_PixelFormatName_RGB8),
              std::vector<uint8_t>({3, 2, 1}));
}

TEST(Conversion, TurnsColorIntoLumaAndGrayIntoEqualChannels) {
    // (4899 * 255 + 8192) >> 14 = 76; the weights add up so that white stays white.
    EXPECT_EQ(convertBytes(TARN_LUX_PixelFormatName_RGB8, 4, 1, {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255},
                           TARN_LUX_PixelFormatName_Mono8),
              std::vector<uint8_t>({76, 150, 29, 255}));
    // Luma is taken at the input's depth, then shifted: 4095 -> 255.
    EXPECT_EQ(convertBytes(TARN_LUX_PixelFormatName_BGR12, 1, 1, words({4095, 4095, 4095}),
                           TARN_LUX_PixelFormatName_Mono8),
              std::vector<uint8_t>({255}));
    EXPECT_EQ(convertBytes(TARN_LUX_PixelFormatName_Mono10, 1, 1, words({0x3FF}), TARN_LUX_PixelFormatName_BGRa8),
              std::vector<uint8_t>({255, 255, 255, 255}));
}

// Gray from a mosaic is demosaiced in one pass; it must equal the luma of
// the demosaiced colour, at every depth and for every pattern.
TEST(Conversion, GrayFromAMosaicIsTheLumaOfItsColor) {
    const TARN_LUX_PixelFormatName grays[] = {TARN_LUX_PixelFormatName_Mono8, TARN_LUX_PixelFormatName_Mono10,
                                              TARN_LUX_PixelFormatName_Mono12};
    for (const PixelFormatInfo* from : formats(true)) {
        if (!from->isBayered()) continue;
        const size_t width = 45, height = 7;
        const Image mosaic = imageOf(from->name, width, height,
                                     testing::noiseBytes(from->imageByteCount(width, height), 7));
        const TARN_LUX_PixelFormatName color =
            from->significantBitsPerChannel == 8 ? TARN_LUX_PixelFormatName_RGB8
            : from->significantBitsPerChannel == 10 ? TARN_LUX_PixelFormatName_RGB10 : TARN_LUX_PixelFormatName_RGB12;
        const Image colored = convertImage(mosaic, color, kFast);
        for (TARN_LUX_PixelFormatName gray : grays)
            EXPECT_EQ(bytesOf(convertImage(mosaic, gray, kFast)), bytesOf(convertImage(colored, gray, kFast)))
                << from->text << " -> " << describeFormat(gray);
    }
}

// A mosaic of one color: every phase, border and row parity must give back
// exactly that color if the pattern's colors are placed right.
TEST(Conversion, DemosaicingReproducesAFlatColorInEveryPatternAndSize) {
    const uint8_t red = 200, green = 100, blue = 30;
    // The 2x2 tile each pattern repeats, row by row.
    const std::pair<TARN_LUX_PixelFormatName, std::array<uint8_t, 4>> mosaics[] = {
        {TARN_LUX_PixelFormatName_BayerRG8, {red, green, green, blue}},
        {TARN_LUX_PixelFormatName_BayerGR8, {green, red, blue, green}},
        {TARN_LUX_PixelFormatName_BayerGB8, {green, blue, red, green}},
        {TARN_LUX_PixelFormatName_BayerBG8, {blue, green, green, red}},
    };
    for (const auto& [format, tile] : mosaics)
        for (const auto& [width, height] : {std::pair<size_t, size_t>{2, 2}, {7, 3}, {40, 5}, {53, 8}}) {
            const PixelFormatInfo& info = formatInfo(format);
            std::vector<uint8_t> raw(width * height);
            for (size_t y = 0; y < height; ++y)
                for (size_t x = 0; x < width; ++x) raw[y * width + x] = tile[(y % 2) * 2 + x % 2];
            const Image input = imageOf(format, width, height, raw);
            for (const testing::KernelPath& path : testing::kernelPaths()) {
                testing::PathScope scope(path);
                const auto rgb = bytesOf(convertImage(input, TARN_LUX_PixelFormatName_BGR8, kFast));
                for (size_t i = 0; i < rgb.size(); i += 3)
                    ASSERT_EQ(std::vector<uint8_t>(rgb.begin() + i, rgb.begin() + i + 3),
                              std::vector<uint8_t>({blue, green, red}))
                        << info.text << " " << width << "x" << height << " pixel " << i / 3 << ", " << path.name;
            }
        }
}

TEST(Conversion, DemosaicingInterpolatesBetweenNeighbours) {
    // BayerRG, rows R G R G / G B G B. Borders mirror: row -1 and row 2 are
    // the other row, column -1 is column 1 and column 4 is column 2. So the
    // red pixel (0,0) gets green (60 + 60 + 50 + 50 + 2) / 4 = 55 and blue
    // from four 10s; the green pixel (1,0) red (100 + 300 + 1) / 2 = 200.
    const auto rgb = bytesOf(convertImage(imageOf(TARN_LUX_PixelFormatName_BayerRG12, 4, 2,
                                                  words({100, 50, 300, 70, 60, 10, 80, 30})),
                                          TARN_LUX_PixelFormatName_RGB12, TARN_LUX_ConversionMode_Classic));
    EXPECT_EQ(rgb, words({100, 55, 10, 200, 50, 10, 300, 70, 20, 300, 70, 30,  //
                          100, 60, 10, 200, 60, 10, 300, 80, 20, 300, 75, 30}));
}

TEST(Conversion, RefusesPairsItCannotConvertNamingBothFormats) {
    const Image mosaic(TARN_LUX_PixelFormatName_BayerRG8, 4, 4);
    const Image mono(TARN_LUX_PixelFormatName_Mono8, 4, 4);
    const auto codeOf = [](auto call) {
        try {
            call();
        } catch (const Error& error) {
            return std::make_pair(error.code(), std::string(error.what()));
        }
        return std::make_pair(TARN_LUX_RETURN_CODE_SUCCESS, std::string());
    };
    auto [code, text] = codeOf([&] { convertImage(mosaic, TARN_LUX_PixelFormatName_BayerGB8, kFast); });
    EXPECT_EQ(code, TARN_LUX_RETURN_CODE_IMAGE_FORMAT_NOT_SUPPORTED);
    EXPECT_NE(text.find("BayerRG8"), std::string::npos);
    EXPECT_NE(text.find("BayerGB8"), std::string::npos);
    EXPECT_EQ(codeOf([&] { convertImage(mono, TARN_LUX_PixelFormatName_BayerRG8, kFast); }).first,
              TARN_LUX_RETURN_CODE_IMAGE_FORMAT_NOT_SUPPORTED);
    EXPECT_EQ(codeOf([&] { convertImage(mono, TARN_LUX_PixelFormatName_Invalid, kFast); }).first,
              TARN_LUX_RETURN_CODE_INVALID_ARGUMENT);
    std::tie(code, text) = codeOf([&] { convertImage(mono, TARN_LUX_PixelFormatName_RGB8, 7); });
    EXPECT_EQ(code, TARN_LUX_RETURN_CODE_INVALID_ARGUMENT);
    EXPECT_NE(text.find("mode 7"), std::string::npos);
}

TEST(Conversion, WritesIntoCallerMemoryWhichTheResultUsesWithoutOwning) {
    Image input = imageOf(TARN_LUX_PixelFormatName_RGB8, 2, 1, {1, 2, 3, 4, 5, 6});
    input.setTimestamp(42);
    std::vector<uint8_t> buffer(9, 0xEE);
    const Image result = convertImageInto(input, TARN_LUX_PixelFormatName_BGRa8, buffer.data(), buffer.size(), kFast);
    EXPECT_EQ(result.data(), buffer.data());
    EXPECT_FALSE(result.ownsMemory());
    EXPECT_EQ(result.timestamp(), 42u);
    EXPECT_EQ(buffer, std::vector<uint8_t>({3, 2, 1, 255, 6, 5, 4, 255, 0xEE}));

    std::vector<uint8_t> small(7, 0xEE);
    try {
        convertImageInto(input, TARN_LUX_PixelFormatName_BGRa8, small.data(), small.size(), kFast);
        ADD_FAILURE() << "a 7-byte buffer was accepted for 8 bytes";
    } catch (const Error& error) {
        EXPECT_EQ(error.code(), TARN_LUX_RETURN_CODE_BUFFER_TOO_SMALL);
        EXPECT_NE(std::string(error.what()).find("7 bytes, but 8"), std::string::npos) << error.what();
    }
    EXPECT_EQ(small, std::vector<uint8_t>(7, 0xEE));
    try {
        convertImageInto(input, TARN_LUX_PixelFormatName_RGB8, input.data(), input.byteCount(), kFast);
        ADD_FAILURE() << "converting onto the input's own pixels was accepted";
    } catch (const Error& error) {
        EXPECT_EQ(error.code(), TARN_LUX_RETURN_CODE_INVALID_ARGUMENT);
    }
}

}  // namespace
}  // namespace orx
