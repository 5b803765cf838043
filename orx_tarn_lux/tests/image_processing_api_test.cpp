// Crop, scale and convert through the C interface: results, handles,
// caller memory and the errors each bad argument gets.
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include "core/api.h"
#include "core/image.h"
#include "test_support.h"

namespace orx {
namespace {

constexpr TARN_LUX_ConversionMode kFast = TARN_LUX_ConversionMode_Fast;
constexpr TARN_LUX_InterpolationAlgorithm kLinear = TARN_LUX_InterpolationAlgorithm_linear;

// An image made through the interface from given bytes; destroyed at scope end.
class Picture {
public:
    Picture(TARN_LUX_PixelFormatName format, size_t width, size_t height, const std::vector<uint8_t>& bytes) {
        EXPECT_EQ(TARN_LUX_Image_ConstructFromBuffer(format, bytes.data(), bytes.size(), width, height, &handle_), 0)
            << test::lastFailure().text;
    }
    explicit Picture(TARN_LUX_ImageHandle adopted) : handle_(adopted) {}
    ~Picture() {
        if (handle_ != nullptr) {
            EXPECT_EQ(TARN_LUX_Image_Destruct(handle_), 0);
        }
    }
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;

    TARN_LUX_ImageHandle get() const { return handle_; }
    TARN_LUX_ImageHandle* out() { return &handle_; }

    TARN_LUX_PixelFormatName format() const {
        TARN_LUX_PixelFormatName name = 0;
        EXPECT_EQ(TARN_LUX_Image_PixelFormat(handle_, &name), 0);
        return name;
    }
    TARN_LUX_Size2D size() const {
        TARN_LUX_Size2D size{};
        EXPECT_EQ(TARN_LUX_Image_Width(handle_, &size.width), 0);
        EXPECT_EQ(TARN_LUX_Image_Height(handle_, &size.height), 0);
        return size;
    }
    uint8_t* data() const {
        uint8_t* data = nullptr;
        EXPECT_EQ(TARN_LUX_Image_Data(handle_, &data), 0);
        return data;
    }
    std::vector<uint8_t> bytes() const {
        size_t count = 0;
        EXPECT_EQ(TARN_LUX_Image_ByteCount(handle_, &count), 0);
        return std::vector<uint8_t>(data(), data() + count);
    }

private:
    TARN_LUX_ImageHandle handle_ = nullptr;
};

std::vector<uint8_t> counting(size_t count) {
    std::vector<uint8_t> bytes(count);
    for (size_t i = 0; i < count; ++i) bytes[i] = static_cast<uint8_t>(i);
    return bytes;
}

TEST(ImageCrop, CopiesTheRegionAndKeepsTheFormat) {
    Picture image(TARN_LUX_PixelFormatName_RGB8, 4, 3, counting(36));
    Picture cropped(nullptr);
    const TARN_LUX_Point2D at{1, 1};
    const TARN_LUX_Size2D size{2, 2};
    ASSERT_EQ(TARN_LUX_Image_Crop(image.get(), &at, &size, cropped.out()), 0);
    EXPECT_EQ(cropped.format(), TARN_LUX_PixelFormatName_RGB8);
    EXPECT_EQ(cropped.bytes(), std::vector<uint8_t>({15, 16, 17, 18, 19, 20, 27, 28, 29, 30, 31, 32}));
}

TEST(ImageCrop, ReportsTheBayerPatternAtItsOrigin) {
    Picture mosaic(TARN_LUX_PixelFormatName_BayerRG8, 4, 4, counting(16));
    const std::pair<TARN_LUX_Point2D, TARN_LUX_PixelFormatName> cases[] = {
        {{0, 0}, TARN_LUX_PixelFormatName_BayerRG8},
        {{1, 0}, TARN_LUX_PixelFormatName_BayerGR8},
        {{0, 1}, TARN_LUX_PixelFormatName_BayerGB8},
        {{1, 1}, TARN_LUX_PixelFormatName_BayerBG8},
        {{2, 2}, TARN_LUX_PixelFormatName_BayerRG8},
    };
    for (const auto& [at, expected] : cases) {
        Picture cropped(nullptr);
        const TARN_LUX_Size2D size{2, 2};
        ASSERT_EQ(TARN_LUX_Image_Crop(mosaic.get(), &at, &size, cropped.out()), 0);
        EXPECT_EQ(cropped.format(), expected) << at.x << ", " << at.y;
    }
}

TEST(ImageCrop, CutsBitStreamsAndSemiplanarImages) {
    // Mono12p, 3 x 2: pixel i holds 0x100 + i; crop the 2 x 2 at x = 1.
    std::vector<uint8_t> stream(9, 0);
    for (uint32_t i = 0; i < 6; ++i)
        for (uint32_t bit = 0; bit < 12; ++bit)
            if ((0x100 + i) >> bit & 1) stream[(i * 12 + bit) / 8] |= uint8_t(1u << ((i * 12 + bit) % 8));
    Picture packed(TARN_LUX_PixelFormatName_Mono12p, 3, 2, stream);
    Picture cropped(nullptr);
    const TARN_LUX_Point2D at{1, 0};
    const TARN_LUX_Size2D size{2, 2};
    ASSERT_EQ(TARN_LUX_Image_Crop(packed.get(), &at, &size, cropped.out()), 0);
    // Pixels 0x101, 0x102, 0x104, 0x105 as one 48-bit stream.
    EXPECT_EQ(cropped.bytes(), std::vector<uint8_t>({0x01, 0x21, 0x10, 0x04, 0x51, 0x10}));

    // 4 x 2 semiplanar: 8 luma bytes, then 2 chroma pairs.
    Picture yuv(TARN_LUX_PixelFormatName_YUV420_8_YY_UV_SemiplanarORX, 4, 2, counting(12));
    Picture right(nullptr);
    const TARN_LUX_Point2D half{2, 0};
    ASSERT_EQ(TARN_LUX_Image_Crop(yuv.get(), &half, &size, right.out()), 0);
    EXPECT_EQ(right.bytes(), std::vector<uint8_t>({2, 3, 6, 7, 10, 11}));
}

TEST(ImageCrop, RefusesRegionsOutsideTheImageAndEmptyOnes) {
    Picture image(TARN_LUX_PixelFormatName_Mono8, 10, 10, counting(100));
    TARN_LUX_ImageHandle cropped = nullptr;
    const TARN_LUX_Point2D at{5, 5};
    const TARN_LUX_Size2D wide{6, 1}, empty{0, 3};
    EXPECT_FAILS_WITH(TARN_LUX_Image_Crop(image.get(), &at, &wide, &cropped), TARN_LUX_RETURN_CODE_OUT_OF_RANGE,
                      "TARN_LUX_Image_Crop", "x 5, y 5 of 6 x 1", "10 x 10");
    // A position so large that position + size wraps around.
    const TARN_LUX_Point2D far{std::numeric_limits<size_t>::max(), 0};
    const TARN_LUX_Size2D one{1, 1};
    EXPECT_FAILS_WITH(TARN_LUX_Image_Crop(image.get(), &far, &one, &cropped), TARN_LUX_RETURN_CODE_OUT_OF_RANGE);
    EXPECT_FAILS_WITH(TARN_LUX_Image_Crop(image.get(), &at, &empty, &cropped), TARN_LUX_RETURN_CODE_INVALID_ARGUMENT,
                      "0 x 3");
    EXPECT_FAILS_WITH(TARN_LUX_Image_Crop(image.get(), nullptr, &one, &cropped), TARN_LUX_RETURN_CODE_INVALID_ARGUMENT,
                      "'position'");
    EXPECT_FAILS_WITH(TARN_LUX_Image_Crop(nullptr, &at, &one, &cropped), TARN_LUX_RETURN_CODE_INVALID_HANDLE);
    Picture grouped(TARN_LUX_PixelFormatName_Mono10g40ORX, 4, 1, counting(5));
    EXPECT_FAILS_WITH(TARN_LUX_Image_Crop(grouped.get(), &far, &one, &cropped), TARN_LUX_RETURN_CODE_OUT_OF_RANGE);
    const TARN_LUX_Point2D origin{0, 0};
    EXPECT_FAILS_WITH(TARN_LUX_Image_Crop(grouped.get(), &origin, &one, &cropped),
                      TARN_LUX_RETURN_CODE_IMAGE_FORMAT_NOT_SUPPORTED, "Mono10g40ORX");
    EXPECT_EQ(cropped, nullptr);
}

TEST(ImageScale, ScalesEveryUnpackedFormatAndKeepsBayerPatterns) {
    for (const PixelFormatInfo& format : pixelFormats()) {
        if (!format.isValid() || format.packing != Packing::None) continue;
        Picture image(format.name, 6, 4, std::vector<uint8_t>(format.imageByteCount(6, 4), 3));
        Picture scaled(nullptr);
        const TARN_LUX_Size2D size{10, 2};
        ASSERT_EQ(TARN_LUX_Image_Scale(image.get(), &size, kLinear, scaled.out()), 0) << format.text;
        EXPECT_EQ(scaled.format(), format.name);
        EXPECT_EQ(scaled.size().width, 10u);
        // A flat image of 0x0303 words (valid at 10 bits) or 3 bytes stays
        // flat, mosaics included.
        EXPECT_EQ(scaled.bytes(), std::vector<uint8_t>(format.imageByteCount(10, 2), 3)) << format.text;
    }
}

TEST(ImageScale, ScalesAMosaicPerColorPlane) {
    // BayerGB8 with G = 50, B = 150, R = 250: halving keeps each color in place.
    std::vector<uint8_t> raw;
    for (size_t y = 0; y < 4; ++y)
        for (size_t x = 0; x < 8; ++x) raw.push_back(y % 2 == 0 ? (x % 2 == 0 ? 50 : 150) : (x % 2 == 0 ? 250 : 50));
    Picture mosaic(TARN_LUX_PixelFormatName_BayerGB8, 8, 4, raw);
    Picture half(nullptr);
    const TARN_LUX_Size2D size{4, 2};
    ASSERT_EQ(TARN_LUX_Image_Scale(mosaic.get(), &size, TARN_LUX_InterpolationAlgorithm_area, half.out()), 0);
    EXPECT_EQ(half.bytes(), std::vector<uint8_t>({50, 150, 50, 150, 250, 50, 250, 50}));
}

TEST(ImageScale, RefusesWhatItCannotScale) {
    Picture image(TARN_LUX_PixelFormatName_Mono8, 10, 10, counting(100));
    TARN_LUX_ImageHandle scaled = nullptr;
    const TARN_LUX_Size2D zero{0, 3}, size{4, 4}, odd{3, 4};
    EXPECT_FAILS_WITH(TARN_LUX_Image_Scale(image.get(), &zero, kLinear, &scaled), TARN_LUX_RETURN_CODE_INVALID_ARGUMENT,
                      "TARN_LUX_Image_Scale", "0 x 3");
    EXPECT_FAILS_WITH(TARN_LUX_Image_Scale(image.get(), &size, 7, &scaled), TARN_LUX_RETURN_CODE_INVALID_ARGUMENT,
                      "algorithm 7");
    EXPECT_FAILS_WITH(TARN_LUX_Image_Scale(image.get(), &size, -1, &scaled), TARN_LUX_RETURN_CODE_INVALID_ARGUMENT,
                      "algorithm -1");
    EXPECT_FAILS_WITH(TARN_LUX_Image_Scale(image.get(), nullptr, kLinear, &scaled),
                      TARN_LUX_RETURN_CODE_INVALID_ARGUMENT, "'size'");
    EXPECT_FAILS_WITH(TARN_LUX_Image_Scale(image.get(), &size, kLinear, nullptr), TARN_LUX_RETURN_CODE_INVALID_ARGUMENT,
                      "'scaled'");
    Picture packed(TARN_LUX_PixelFormatName_Mono12p, 4, 4, counting(24));
    EXPECT_FAILS_WITH(TARN_LUX_Image_Scale(packed.get(), &size, kLinear, &scaled),
                      TARN_LUX_RETURN_CODE_IMAGE_FORMAT_NOT_SUPPORTED, "Mono12p");
    Picture yuv(TARN_LUX_PixelFormatName_YUV420_8_YY_VU_SemiplanarORX, 4, 4, counting(24));
    EXPECT_FAILS_WITH(TARN_LUX_Image_Scale(yuv.get(), &size, kLinear, &scaled),
                      TARN_LUX_RETURN_CODE_IMAGE_FORMAT_NOT_SUPPORTED, "YUV420_8_YY_VU_SemiplanarORX");
    Picture mosaic(TARN_LUX_PixelFormatName_BayerBG8, 4, 4, counting(16));
    EXPECT_FAILS_WITH(TARN_LUX_Image_Scale(mosaic.get(), &odd, kLinear, &scaled), TARN_LUX_RETURN_CODE_INVALID_ARGUMENT,
                      "BayerBG8", "even", "3 x 4");
    const TARN_LUX_Size2D huge{size_t{1} << 31, 1};
    EXPECT_FAILS_WITH(TARN_LUX_Image_Scale(image.get(), &huge, kLinear, &scaled), TARN_LUX_RETURN_CODE_OUT_OF_RANGE,
                      "2147483648 x 1");
    Picture empty(TARN_LUX_PixelFormatName_Invalid, 0, 0, {});
    EXPECT_FAILS_WITH(TARN_LUX_Image_Scale(empty.get(), &size, kLinear, &scaled), TARN_LUX_RETURN_CODE_INVALID_ARGUMENT,
                      "Invalid");
    EXPECT_EQ(scaled, nullptr);
}

TEST(ImageScaleInto, WritesWhatScaleReturnsIntoTheCallersBuffer) {
    Picture image(TARN_LUX_PixelFormatName_BGR12, 7, 5, counting(7 * 5 * 6));
    const TARN_LUX_Size2D size{3, 9};
    Picture scaled(nullptr);
    ASSERT_EQ(TARN_LUX_Image_Scale(image.get(), &size, TARN_LUX_InterpolationAlgorithm_cubic, scaled.out()), 0);
    std::vector<uint8_t> buffer(3 * 9 * 6 + 1, 0xEE);
    ASSERT_EQ(TARN_LUX_Image_ScaleInto(image.get(), &size, buffer.data(), buffer.size(),
                                       TARN_LUX_InterpolationAlgorithm_cubic),
              0);
    EXPECT_EQ(std::vector<uint8_t>(buffer.begin(), buffer.end() - 1), scaled.bytes());
    EXPECT_EQ(buffer.back(), 0xEE);

    std::vector<uint8_t> small(161, 0xEE);
    EXPECT_FAILS_WITH(TARN_LUX_Image_ScaleInto(image.get(), &size, small.data(), small.size(), kLinear),
                      TARN_LUX_RETURN_CODE_BUFFER_TOO_SMALL, "161 bytes", "162 bytes");
    EXPECT_EQ(small, std::vector<uint8_t>(161, 0xEE));
    EXPECT_FAILS_WITH(TARN_LUX_Image_ScaleInto(image.get(), &size, nullptr, 0, kLinear),
                      TARN_LUX_RETURN_CODE_INVALID_ARGUMENT, "'buffer'");
    EXPECT_FAILS_WITH(TARN_LUX_Image_ScaleInto(image.get(), &size, image.data(), 210, kLinear),
                      TARN_LUX_RETURN_CODE_INVALID_ARGUMENT, "overlaps");
}

TEST(ImageConvert, ConvertsIntoANewImageOrIntoCallerMemory) {
    Picture image(TARN_LUX_PixelFormatName_RGB8, 2, 1, {1, 2, 3, 4, 5, 6});
    Picture converted(nullptr);
    ASSERT_EQ(TARN_LUX_Image_ConvertTo(image.get(), TARN_LUX_PixelFormatName_BGRa8, kFast, converted.out()), 0);
    EXPECT_EQ(converted.bytes(), std::vector<uint8_t>({3, 2, 1, 255, 6, 5, 4, 255}));

    std::vector<uint8_t> buffer(6, 0);
    {
        Picture inBuffer(nullptr);
        ASSERT_EQ(TARN_LUX_Image_ConvertToBuffer(image.get(), TARN_LUX_PixelFormatName_BGR8, buffer.data(),
                                                 buffer.size(), TARN_LUX_ConversionMode_Classic, inBuffer.out()),
                  0);
        EXPECT_EQ(inBuffer.data(), buffer.data());
        EXPECT_EQ(buffer, std::vector<uint8_t>({3, 2, 1, 6, 5, 4}));
    }
    // Destroying that image left the caller's memory alone.
    EXPECT_EQ(buffer, std::vector<uint8_t>({3, 2, 1, 6, 5, 4}));
}

TEST(ImageConvert, RefusesBadFormatsModesBuffersAndHandles) {
    Picture image(TARN_LUX_PixelFormatName_BayerRG8, 4, 2, counting(8));
    TARN_LUX_ImageHandle converted = nullptr;
    EXPECT_FAILS_WITH(TARN_LUX_Image_ConvertTo(image.get(), TARN_LUX_PixelFormatName_BayerGR12p, kFast, &converted),
                      TARN_LUX_RETURN_CODE_IMAGE_FORMAT_NOT_SUPPORTED, "TARN_LUX_Image_ConvertTo", "BayerRG8",
                      "BayerGR12p");
    EXPECT_FAILS_WITH(TARN_LUX_Image_ConvertTo(image.get(), 0x7777, kFast, &converted),
                      TARN_LUX_RETURN_CODE_INVALID_ARGUMENT, "0x00007777");
    EXPECT_FAILS_WITH(TARN_LUX_Image_ConvertTo(image.get(), TARN_LUX_PixelFormatName_RGB8, 0, &converted),
                      TARN_LUX_RETURN_CODE_INVALID_ARGUMENT, "mode 0");
    EXPECT_FAILS_WITH(TARN_LUX_Image_ConvertTo(nullptr, TARN_LUX_PixelFormatName_RGB8, kFast, &converted),
                      TARN_LUX_RETURN_CODE_INVALID_HANDLE);
    std::vector<uint8_t> small(23);
    EXPECT_FAILS_WITH(TARN_LUX_Image_ConvertToBuffer(image.get(), TARN_LUX_PixelFormatName_RGB8, small.data(),
                                                     small.size(), kFast, &converted),
                      TARN_LUX_RETURN_CODE_BUFFER_TOO_SMALL, "TARN_LUX_Image_ConvertToBuffer", "23 bytes", "24 bytes");
    EXPECT_FAILS_WITH(TARN_LUX_Image_ConvertToBuffer(image.get(), TARN_LUX_PixelFormatName_RGB8, nullptr, 24, kFast,
                                                     &converted),
                      TARN_LUX_RETURN_CODE_INVALID_ARGUMENT);
    EXPECT_EQ(converted, nullptr);
}

}  // namespace
}  // namespace orx
