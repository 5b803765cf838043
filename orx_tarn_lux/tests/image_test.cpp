// Images: construction from a size or caller memory, properties, clones, and
// refusal of sizes and buffers that cannot work.
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include "core/api.h"
#include "core/image.h"
#include "test_support.h"

namespace orx {
namespace {

size_t byteCount(TARN_LUX_ImageHandle image) {
    size_t bytes = 0;
    EXPECT_EQ(TARN_LUX_Image_ByteCount(image, &bytes), 0);
    return bytes;
}

uint8_t* pixels(TARN_LUX_ImageHandle image) {
    uint8_t* data = nullptr;
    EXPECT_EQ(TARN_LUX_Image_Data(image, &data), 0);
    return data;
}

TEST(Images, ConstructedImagesAreZeroFilledAndSizedByTheirFormat) {
    struct Case {
        TARN_LUX_PixelFormatName format;
        size_t width, height, bytes;
    } cases[] = {
        {TARN_LUX_PixelFormatName_Mono8, 5, 3, 15},
        {TARN_LUX_PixelFormatName_RGB12, 2, 3, 36},
        {TARN_LUX_PixelFormatName_BGRa8, 1, 1, 4},
        {TARN_LUX_PixelFormatName_Mono12p, 3, 3, 14},
        {TARN_LUX_PixelFormatName_BayerBG10g40ORX, 3, 1, 5},
        {TARN_LUX_PixelFormatName_YUV420_8_YY_VU_SemiplanarORX, 3, 3, 17},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(describeFormat(c.format));
        test::ScopedImage image(c.format, c.width, c.height);
        size_t width = 0, height = 0;
        TARN_LUX_PixelFormatName format = 0;
        uint64_t timestamp = 1;
        ASSERT_EQ(TARN_LUX_Image_Width(image.get(), &width), 0);
        ASSERT_EQ(TARN_LUX_Image_Height(image.get(), &height), 0);
        ASSERT_EQ(TARN_LUX_Image_PixelFormat(image.get(), &format), 0);
        ASSERT_EQ(TARN_LUX_Image_Timestamp(image.get(), &timestamp), 0);
        EXPECT_EQ(width, c.width);
        EXPECT_EQ(height, c.height);
        EXPECT_EQ(format, c.format);
        EXPECT_EQ(timestamp, 0u);
        ASSERT_EQ(byteCount(image.get()), c.bytes);
        const std::vector<uint8_t> zeros(c.bytes, 0);
        EXPECT_EQ(std::memcmp(pixels(image.get()), zeros.data(), c.bytes), 0);
    }
}

TEST(Images, TheEmptyImageAlwaysExistsButNoOtherImageWithoutPixels) {
    test::ScopedImage empty(TARN_LUX_PixelFormatName_Invalid, 0, 0);
    EXPECT_EQ(byteCount(empty.get()), 0u);
    EXPECT_NE(pixels(empty.get()), nullptr);

    TARN_LUX_ImageHandle image = nullptr;
    EXPECT_FAILS_WITH(TARN_LUX_Image_Construct(TARN_LUX_PixelFormatName_Invalid, 1, 1, &image),
                      TARN_LUX_RETURN_CODE_INVALID_ARGUMENT, "TARN_LUX_Image_Construct", "not 1 x 1");
    EXPECT_FAILS_WITH(TARN_LUX_Image_Construct(TARN_LUX_PixelFormatName_Mono8, 0, 5, &image),
                      TARN_LUX_RETURN_CODE_INVALID_ARGUMENT, "Mono8", "at least 1", "0 x 5");
    EXPECT_FAILS_WITH(TARN_LUX_Image_Construct(0x02180099, 4, 4, &image), TARN_LUX_RETURN_CODE_INVALID_ARGUMENT,
                      "0x02180099");
    EXPECT_FAILS_WITH(TARN_LUX_Image_Construct(TARN_LUX_PixelFormatName_Mono8, 4, 4, nullptr),
                      TARN_LUX_RETURN_CODE_INVALID_ARGUMENT, "'image'");
    EXPECT_EQ(image, nullptr);
}

TEST(Images, AbsurdSizesFailCleanly) {
    const size_t live = Registry::liveCount(HandleKind::Image);
    constexpr size_t kMax = std::numeric_limits<size_t>::max();
    TARN_LUX_ImageHandle image = nullptr;
    EXPECT_FAILS_WITH(TARN_LUX_Image_Construct(TARN_LUX_PixelFormatName_Mono8, kMax, 2, &image),
                      TARN_LUX_RETURN_CODE_OUT_OF_RANGE, "18446744073709551615 x 2");
    EXPECT_FAILS_WITH(TARN_LUX_Image_Construct(TARN_LUX_PixelFormatName_Mono10, size_t{1} << 31, size_t{1} << 31, &image),
                      TARN_LUX_RETURN_CODE_OUT_OF_RANGE, "more than memory can hold");
    // Representable, but no machine has 2^62 bytes.
    EXPECT_FAILS_WITH(TARN_LUX_Image_Construct(TARN_LUX_PixelFormatName_Mono8, size_t{1} << 31, size_t{1} << 31, &image),
                      TARN_LUX_RETURN_CODE_ERROR, "could not allocate");
    EXPECT_EQ(image, nullptr);
    EXPECT_EQ(Registry::liveCount(HandleKind::Image), live);
}

TEST(Images, ConstructionFromABufferCopiesItAndChecksItsSize) {
    std::vector<uint8_t> source(2 * 3 * 3 + 5);
    for (size_t i = 0; i < source.size(); ++i) source[i] = static_cast<uint8_t>(i + 1);
    TARN_LUX_ImageHandle image = nullptr;
    ASSERT_EQ(TARN_LUX_Image_ConstructFromBuffer(TARN_LUX_PixelFormatName_RGB8, source.data(), source.size(), 3, 2,
                                                 &image), 0);
    std::vector<uint8_t> original = source;
    source.assign(source.size(), 0);
    ASSERT_EQ(byteCount(image), 18u);
    EXPECT_EQ(std::memcmp(pixels(image), original.data(), 18), 0);
    EXPECT_EQ(TARN_LUX_Image_Destruct(image), 0);

    image = nullptr;
    EXPECT_FAILS_WITH(TARN_LUX_Image_ConstructFromBuffer(TARN_LUX_PixelFormatName_RGB8, source.data(), 17, 3, 2,
                                                         &image),
                      TARN_LUX_RETURN_CODE_BUFFER_TOO_SMALL, "holds 17 bytes", "18 bytes are needed");
    EXPECT_FAILS_WITH(TARN_LUX_Image_ConstructFromBuffer(TARN_LUX_PixelFormatName_Mono8, nullptr, 100, 3, 2, &image),
                      TARN_LUX_RETURN_CODE_INVALID_ARGUMENT, "'buffer'", "null");
    EXPECT_EQ(image, nullptr);

    // The empty image needs no memory at all.
    ASSERT_EQ(TARN_LUX_Image_ConstructFromBuffer(TARN_LUX_PixelFormatName_Invalid, nullptr, 0, 0, 0, &image), 0);
    EXPECT_EQ(TARN_LUX_Image_Destruct(image), 0);
}

TEST(Images, ClonesCopyPixelsAndTimestampIntoMemoryOfTheirOwn) {
    test::ScopedImage original(TARN_LUX_PixelFormatName_Mono10, 4, 3);
    pixels(original.get())[5] = 0xAB;
    api::use(original.get())->setTimestamp(123456789);

    TARN_LUX_ImageHandle clone = nullptr;
    ASSERT_EQ(TARN_LUX_Image_Clone(original.get(), &clone), 0);
    uint64_t timestamp = 0;
    ASSERT_EQ(TARN_LUX_Image_Timestamp(clone, &timestamp), 0);
    EXPECT_EQ(timestamp, 123456789u);
    ASSERT_EQ(byteCount(clone), 24u);
    EXPECT_NE(pixels(clone), pixels(original.get()));
    EXPECT_EQ(std::memcmp(pixels(clone), pixels(original.get()), 24), 0);
    pixels(clone)[5] = 0;
    EXPECT_EQ(pixels(original.get())[5], 0xAB);
    EXPECT_EQ(TARN_LUX_Image_Destruct(clone), 0);
}

TEST(Images, MovingLeavesTheSourceEmptyAndCallerMemoryStaysTheCallers) {
    uint8_t memory[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    Image over = Image::overMemory(TARN_LUX_PixelFormatName_Mono8, 4, 2, memory, sizeof memory);
    EXPECT_FALSE(over.ownsMemory());
    EXPECT_EQ(over.row(1), memory + 4);

    Image moved = std::move(over);
    EXPECT_EQ(moved.data(), memory);
    EXPECT_TRUE(over.empty());  // NOLINT(bugprone-use-after-move): the moved-from state is specified
    EXPECT_EQ(over.byteCount(), 0u);
    EXPECT_NE(over.data(), nullptr);

    Image copy = moved.clone();
    EXPECT_TRUE(copy.ownsMemory());
    EXPECT_EQ(copy.row(1)[3], 8);
    EXPECT_THROW(Image::overMemory(TARN_LUX_PixelFormatName_RGB8, 4, 2, memory, sizeof memory), Error);
}

}  // namespace
}  // namespace orx
