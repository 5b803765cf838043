// Pixel-format properties through the interface, against a table written out
// here from the format names, independently of the library's own table.
#include <cstdint>
#include <limits>
#include <set>

#include "core/pixel_format.h"
#include "test_support.h"

namespace orx {
namespace {

struct Expected {
    TARN_LUX_PixelFormatName name;
    size_t channels, significantPerChannel, storagePerChannel, significantPerPixel, storagePerPixel;
    uint32_t maximum;
    bool packed, bayered, yuv;
    TARN_LUX_BayerPattern pattern;
};

constexpr bool P = true, _ = false;
#define F(NAME) TARN_LUX_PixelFormatName_##NAME
#define B(PATTERN) TARN_LUX_BayerPattern_##PATTERN

// clang-format off
const Expected kExpected[] = {
    // name                               ch sig/ch st/ch sig/px st/px  max   packed bayer yuv pattern
    {F(Invalid),                          0,  0,  0,  0,  0,     0,   _, _, _, B(Unknown)},
    {F(Mono8),                            1,  8,  8,  8,  8,   255,   _, _, _, B(None)},
    {F(Mono10),                           1, 10, 16, 10, 16,  1023,   _, _, _, B(None)},
    {F(Mono12),                           1, 12, 16, 12, 16,  4095,   _, _, _, B(None)},
    {F(Mono10p),                          1, 10, 10, 10, 10,  1023,   P, _, _, B(None)},
    {F(Mono12p),                          1, 12, 12, 12, 12,  4095,   P, _, _, B(None)},
    {F(Mono10g40ORX),                     1, 10, 10, 10, 10,  1023,   P, _, _, B(None)},
    {F(Mono12g24ORX),                     1, 12, 12, 12, 12,  4095,   P, _, _, B(None)},
    {F(BayerGR8),                         1,  8,  8,  8,  8,   255,   _, P, _, B(GR)},
    {F(BayerRG8),                         1,  8,  8,  8,  8,   255,   _, P, _, B(RG)},
    {F(BayerGB8),                         1,  8,  8,  8,  8,   255,   _, P, _, B(GB)},
    {F(BayerBG8),                         1,  8,  8,  8,  8,   255,   _, P, _, B(BG)},
    {F(BayerGR10),                        1, 10, 16, 10, 16,  1023,   _, P, _, B(GR)},
    {F(BayerRG10),                        1, 10, 16, 10, 16,  1023,   _, P, _, B(RG)},
    {F(BayerGB10),                        1, 10, 16, 10, 16,  1023,   _, P, _, B(GB)},
    {F(BayerBG10),                        1, 10, 16, 10, 16,  1023,   _, P, _, B(BG)},
    {F(BayerGR12),                        1, 12, 16, 12, 16,  4095,   _, P, _, B(GR)},
    {F(BayerRG12),                        1, 12, 16, 12, 16,  4095,   _, P, _, B(RG)},
    {F(BayerGB12),                        1, 12, 16, 12, 16,  4095,   _, P, _, B(GB)},
    {F(BayerBG12),                        1, 12, 16, 12, 16,  4095,   _, P, _, B(BG)},
    {F(BayerGR10p),                       1, 10, 10, 10, 10,  1023,   P, P, _, B(GR)},
    {F(BayerRG10p),                       1, 10, 10, 10, 10,  1023,   P, P, _, B(RG)},
    {F(BayerGB10p),                       1, 10, 10, 10, 10,  1023,   P, P, _, B(GB)},
    {F(BayerBG10p),                       1, 10, 10, 10, 10,  1023,   P, P, _, B(BG)},
    {F(BayerGR12p),                       1, 12, 12, 12, 12,  4095,   P, P, _, B(GR)},
    {F(BayerRG12p),                       1, 12, 12, 12, 12,  4095,   P, P, _, B(RG)},
    {F(BayerGB12p),                       1, 12, 12, 12, 12,  4095,   P, P, _, B(GB)},
    {F(BayerBG12p),                       1, 12, 12, 12, 12,  4095,   P, P, _, B(BG)},
    {F(BayerRG10g40ORX),                  1, 10, 10, 10, 10,  1023,   P, P, _, B(RG)},
    {F(BayerGB10g40ORX),                  1, 10, 10, 10, 10,  1023,   P, P, _, B(GB)},
    {F(BayerGR10g40ORX),                  1, 10, 10, 10, 10,  1023,   P, P, _, B(GR)},
    {F(BayerBG10g40ORX),                  1, 10, 10, 10, 10,  1023,   P, P, _, B(BG)},
    {F(BayerRG12g24ORX),                  1, 12, 12, 12, 12,  4095,   P, P, _, B(RG)},
    {F(BayerGB12g24ORX),                  1, 12, 12, 12, 12,  4095,   P, P, _, B(GB)},
    {F(BayerGR12g24ORX),                  1, 12, 12, 12, 12,  4095,   P, P, _, B(GR)},
    {F(BayerBG12g24ORX),                  1, 12, 12, 12, 12,  4095,   P, P, _, B(BG)},
    {F(RGB8),                             3,  8,  8, 24, 24,   255,   _, _, _, B(None)},
    {F(BGR8),                             3,  8,  8, 24, 24,   255,   _, _, _, B(None)},
    {F(RGB10),                            3, 10, 16, 30, 48,  1023,   _, _, _, B(None)},
    {F(BGR10),                            3, 10, 16, 30, 48,  1023,   _, _, _, B(None)},
    {F(RGB12),                            3, 12, 16, 36, 48,  4095,   _, _, _, B(None)},
    {F(BGR12),                            3, 12, 16, 36, 48,  4095,   _, _, _, B(None)},
    {F(RGBa8),                            4,  8,  8, 32, 32,   255,   _, _, _, B(None)},
    {F(BGRa8),                            4,  8,  8, 32, 32,   255,   _, _, _, B(None)},
    {F(RGBa10),                           4, 10, 16, 40, 64,  1023,   _, _, _, B(None)},
    {F(BGRa10),                           4, 10, 16, 40, 64,  1023,   _, _, _, B(None)},
    {F(RGBa12),                           4, 12, 16, 48, 64,  4095,   _, _, _, B(None)},
    {F(BGRa12),                           4, 12, 16, 48, 64,  4095,   _, _, _, B(None)},
    {F(RGB10p32),                         3, 10, 10, 30, 32,  1023,   P, _, _, B(None)},
    {F(BGR10p32),                         3, 10, 10, 30, 32,  1023,   P, _, _, B(None)},
    {F(YUV420_8_YY_UV_SemiplanarORX),     3,  8,  8, 12, 12,   255,   _, _, P, B(None)},
    {F(YUV420_8_YY_VU_SemiplanarORX),     3,  8,  8, 12, 12,   255,   _, _, P, B(None)},
};
// clang-format on

template <typename T>
T ask(TARN_LUX_RETURN_CODE (*query)(TARN_LUX_PixelFormatName, T*), TARN_LUX_PixelFormatName name) {
    T answer{};
    EXPECT_EQ(query(name, &answer), TARN_LUX_RETURN_CODE_SUCCESS) << test::lastFailure().text;
    return answer;
}

TEST(PixelFormats, EveryFormatAnswersItsProperties) {
    std::set<TARN_LUX_PixelFormatName> seen;
    for (const Expected& e : kExpected) {
        SCOPED_TRACE(describeFormat(e.name));
        seen.insert(e.name);
        EXPECT_EQ(ask(TARN_LUX_PixelFormat_NumChannels, e.name), e.channels);
        EXPECT_EQ(ask(TARN_LUX_PixelFormat_NumSignificantBitsPerChannel, e.name), e.significantPerChannel);
        EXPECT_EQ(ask(TARN_LUX_PixelFormat_NumStorageBitsPerChannel, e.name), e.storagePerChannel);
        EXPECT_EQ(ask(TARN_LUX_PixelFormat_NumSignificantBitsPerPixel, e.name), e.significantPerPixel);
        EXPECT_EQ(ask(TARN_LUX_PixelFormat_NumStorageBitsPerPixel, e.name), e.storagePerPixel);
        EXPECT_EQ(ask(TARN_LUX_PixelFormat_MaximumValuePerChannel, e.name), e.maximum);
        EXPECT_EQ(ask(TARN_LUX_PixelFormat_IsPacked, e.name), e.packed);
        EXPECT_EQ(ask(TARN_LUX_PixelFormat_IsBayered, e.name), e.bayered);
        EXPECT_EQ(ask(TARN_LUX_PixelFormat_IsYUV, e.name), e.yuv);
        EXPECT_EQ(ask(TARN_LUX_PixelFormat_BayerPattern, e.name), e.pattern);
        EXPECT_EQ(ask(TARN_LUX_PixelFormat_Endianness, e.name),
                  e.name == F(Invalid) ? TARN_LUX_Endianness_Unknown : TARN_LUX_Endianness_LittleEndian);
    }
    EXPECT_EQ(seen.size(), 52u);
    EXPECT_EQ(pixelFormats().size(), seen.size());
}

size_t storage(TARN_LUX_PixelFormatName name, uint64_t pixels) {
    size_t bytes = 0;
    EXPECT_EQ(TARN_LUX_PixelFormat_CalculateStorageSizeOfPixels(name, pixels, &bytes), 0) << test::lastFailure().text;
    return bytes;
}

TEST(PixelFormats, StorageOfPackedFormatsRoundsPartialBytesAndGroupsUp) {
    EXPECT_EQ(storage(F(Mono12p), 1), 2u);
    EXPECT_EQ(storage(F(Mono12p), 2), 3u);
    EXPECT_EQ(storage(F(Mono12p), 3), 5u);
    EXPECT_EQ(storage(F(BayerRG10p), 1), 2u);
    EXPECT_EQ(storage(F(BayerRG10p), 3), 4u);
    EXPECT_EQ(storage(F(BayerRG10p), 4), 5u);
    EXPECT_EQ(storage(F(BayerRG10p), 5), 7u);
    EXPECT_EQ(storage(F(Mono10g40ORX), 1), 5u);
    EXPECT_EQ(storage(F(Mono10g40ORX), 4), 5u);
    EXPECT_EQ(storage(F(Mono10g40ORX), 5), 10u);
    EXPECT_EQ(storage(F(BayerGB12g24ORX), 1), 3u);
    EXPECT_EQ(storage(F(BayerGB12g24ORX), 2), 3u);
    EXPECT_EQ(storage(F(BayerGB12g24ORX), 3), 6u);
    EXPECT_EQ(storage(F(RGB10p32), 3), 12u);
    EXPECT_EQ(storage(F(YUV420_8_YY_UV_SemiplanarORX), 1), 2u);
    EXPECT_EQ(storage(F(YUV420_8_YY_VU_SemiplanarORX), 4), 6u);
    EXPECT_EQ(storage(F(Mono8), 7), 7u);
    EXPECT_EQ(storage(F(RGBa12), 3), 24u);
    EXPECT_EQ(storage(F(Mono12), 0), 0u);
    EXPECT_EQ(storage(F(Invalid), 1000), 0u);
}

TEST(PixelFormats, StorageBeyondSizeTIsRefusedNotWrapped) {
    constexpr uint64_t kMax = std::numeric_limits<uint64_t>::max();
    EXPECT_EQ(storage(F(Mono8), kMax), kMax);
    // One byte short of wrapping, and one pixel past it.
    EXPECT_EQ(storage(F(Mono10g40ORX), kMax / 5 * 4), kMax / 5 * 5);
    size_t bytes = 17;
    EXPECT_FAILS_WITH(TARN_LUX_PixelFormat_CalculateStorageSizeOfPixels(F(Mono12p), kMax, &bytes),
                      TARN_LUX_RETURN_CODE_OUT_OF_RANGE, "18446744073709551615 pixels", "Mono12p");
    EXPECT_FAILS_WITH(TARN_LUX_PixelFormat_CalculateStorageSizeOfPixels(F(RGB8), kMax / 2, &bytes),
                      TARN_LUX_RETURN_CODE_OUT_OF_RANGE);
    EXPECT_FAILS_WITH(TARN_LUX_PixelFormat_CalculateStorageSizeOfPixels(F(Mono10g40ORX), kMax / 5 * 4 + 1, &bytes),
                      TARN_LUX_RETURN_CODE_OUT_OF_RANGE);
    EXPECT_EQ(bytes, 17u);
}

TEST(PixelFormats, UnknownValuesAndNullResultsAreRefused) {
    size_t bits = 3;
    EXPECT_FAILS_WITH(TARN_LUX_PixelFormat_NumStorageBitsPerPixel(5, &bits), TARN_LUX_RETURN_CODE_INVALID_ARGUMENT,
                      "TARN_LUX_PixelFormat_NumStorageBitsPerPixel", "0x00000005");
    EXPECT_FAILS_WITH(TARN_LUX_PixelFormat_IsPacked(-1, nullptr), TARN_LUX_RETURN_CODE_INVALID_ARGUMENT);
    EXPECT_FAILS_WITH(TARN_LUX_PixelFormat_NumChannels(F(Mono8), nullptr), TARN_LUX_RETURN_CODE_INVALID_ARGUMENT,
                      "null pointer");
    EXPECT_EQ(bits, 3u);
}

TEST(PixelFormats, YUVImagesCountTheirChromaPlaneByStartedBlocks) {
    const PixelFormatInfo& yuv = formatInfo(F(YUV420_8_YY_UV_SemiplanarORX));
    EXPECT_EQ(yuv.imageByteCount(4, 2), 8u + 2 * 2 * 1);
    EXPECT_EQ(yuv.imageByteCount(3, 3), 9u + 2 * 2 * 2);
    EXPECT_EQ(yuv.imageByteCount(1, 1), 1u + 2);
    // Packed formats stream across rows: 3 rows of 3 Mono12p pixels share bytes.
    EXPECT_EQ(formatInfo(F(Mono12p)).imageByteCount(3, 3), 14u);
}

#undef B
#undef F

}  // namespace
}  // namespace orx
