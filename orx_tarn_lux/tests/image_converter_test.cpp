// The image converter through the C interface: mode, the list of outputs,
// the output pool, caller memory, sharing and the errors of bad arguments.
#include <algorithm>
#include <cstdint>
#include <thread>
#include <vector>

#include "convert/image_converter.h"
#include "core/api.h"
#include "core/pixel_memory.h"
#include "support/kernel_paths.h"
#include "test_support.h"

namespace orx {
namespace {

constexpr TARN_LUX_PixelFormatName kBayer = TARN_LUX_PixelFormatName_BayerRG8;
constexpr TARN_LUX_PixelFormatName kRgb = TARN_LUX_PixelFormatName_RGB8;

// A converter made through the interface, destroyed at the end of the scope.
class Converter {
public:
    Converter() { EXPECT_EQ(TARN_LUX_ImageConverter_Construct(&handle_), 0) << test::lastFailure().text; }
    ~Converter() { EXPECT_EQ(TARN_LUX_ImageConverter_Destruct(handle_), 0); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    TARN_LUX_ImageConverterHandle get() const { return handle_; }
    TARN_LUX_ConversionMode mode() const {
        TARN_LUX_ConversionMode mode = 0;
        EXPECT_EQ(TARN_LUX_ImageConverter_ConversionMode(handle_, &mode), 0);
        return mode;
    }

private:
    TARN_LUX_ImageConverterHandle handle_ = nullptr;
};

// An image handle that is destroyed at the end of the scope.
struct Owned {
    TARN_LUX_ImageHandle handle = nullptr;
    Owned() = default;
    Owned(TARN_LUX_PixelFormatName format, size_t width, size_t height, uint32_t seed) {
        const std::vector<uint8_t> bytes =
            testing::noiseBytes(formatInfo(format).imageByteCount(width, height), seed);
        EXPECT_EQ(TARN_LUX_Image_ConstructFromBuffer(format, bytes.data(), bytes.size(), width, height, &handle), 0);
    }
    ~Owned() {
        if (handle != nullptr) {
            EXPECT_EQ(TARN_LUX_Image_Destruct(handle), 0);
        }
    }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;

    std::vector<uint8_t> bytes() const {
        uint8_t* data = nullptr;
        size_t count = 0;
        EXPECT_EQ(TARN_LUX_Image_Data(handle, &data), 0);
        EXPECT_EQ(TARN_LUX_Image_ByteCount(handle, &count), 0);
        return std::vector<uint8_t>(data, data + count);
    }
};

std::vector<TARN_LUX_PixelFormatName> outputsOf(TARN_LUX_ImageConverterHandle converter,
                                                TARN_LUX_PixelFormatName input) {
    size_t count = 12345;
    EXPECT_EQ(TARN_LUX_ImageConverter_SupportedOutputPixelFormatNames(converter, input, nullptr, &count), 0);
    std::vector<TARN_LUX_PixelFormatName> names(count);
    EXPECT_EQ(TARN_LUX_ImageConverter_SupportedOutputPixelFormatNames(converter, input, names.data(), &count), 0);
    EXPECT_EQ(count, names.size());
    return names;
}

TEST(ImageConverter, ModeStartsFastAndRefusesUnknownValuesKeepingTheOldOne) {
    Converter converter;
    EXPECT_EQ(converter.mode(), TARN_LUX_ConversionMode_Fast);
    ASSERT_EQ(TARN_LUX_ImageConverter_SetConversionMode(converter.get(), TARN_LUX_ConversionMode_Classic), 0);
    EXPECT_EQ(converter.mode(), TARN_LUX_ConversionMode_Classic);
    for (TARN_LUX_ConversionMode bad : {0, 4, 7, -1})
        EXPECT_FAILS_WITH(TARN_LUX_ImageConverter_SetConversionMode(converter.get(), bad),
                          TARN_LUX_RETURN_CODE_INVALID_ARGUMENT, "TARN_LUX_ImageConverter_SetConversionMode",
                          "is not one of 1 (Fast), 2 (HighQuality) or 3 (Classic)");
    EXPECT_EQ(converter.mode(), TARN_LUX_ConversionMode_Classic);
    EXPECT_FAILS_WITH(TARN_LUX_ImageConverter_ConversionMode(converter.get(), nullptr),
                      TARN_LUX_RETURN_CODE_INVALID_ARGUMENT, "mode");
}

TEST(ImageConverter, SharedReferencesSeeOneConverterUntilTheLastDestruct) {
    TARN_LUX_ImageConverterHandle handle = nullptr;
    ASSERT_EQ(TARN_LUX_ImageConverter_Construct(&handle), 0);
    ASSERT_EQ(TARN_LUX_ImageConverter_AcquireReference(handle), 0);
    ASSERT_EQ(TARN_LUX_ImageConverter_SetConversionMode(handle, TARN_LUX_ConversionMode_HighQuality), 0);
    ASSERT_EQ(TARN_LUX_ImageConverter_Destruct(handle), 0);
    TARN_LUX_ConversionMode mode = 0;
    ASSERT_EQ(TARN_LUX_ImageConverter_ConversionMode(handle, &mode), 0);
    EXPECT_EQ(mode, TARN_LUX_ConversionMode_HighQuality);
    ASSERT_EQ(TARN_LUX_ImageConverter_Destruct(handle), 0);
    EXPECT_FAILS_WITH(TARN_LUX_ImageConverter_ConversionMode(handle, &mode), TARN_LUX_RETURN_CODE_INVALID_HANDLE,
                      "image converter handle", "no live object");
    EXPECT_FAILS_WITH(TARN_LUX_ImageConverter_Construct(nullptr), TARN_LUX_RETURN_CODE_INVALID_ARGUMENT,
                      "converter");
    Owned image(kBayer, 4, 4, 1);
    EXPECT_FAILS_WITH(TARN_LUX_ImageConverter_ConversionMode(reinterpret_cast<TARN_LUX_ImageConverterHandle>(
                                                                 image.handle),
                                                             &mode),
                      TARN_LUX_RETURN_CODE_INVALID_HANDLE, "not an image converter");
}

TEST(ImageConverter, ListsItsOutputsWithTheTwoCallSizeQuery) {
    Converter converter;
    const auto outputs = outputsOf(converter.get(), kBayer);
    EXPECT_NE(std::find(outputs.begin(), outputs.end(), kRgb), outputs.end());
    EXPECT_EQ(std::find(outputs.begin(), outputs.end(), TARN_LUX_PixelFormatName_BayerGB8), outputs.end());
    // Too small an array: BUFFER_TOO_SMALL with the number needed.
    std::vector<TARN_LUX_PixelFormatName> few(2);
    size_t count = few.size();
    EXPECT_FAILS_WITH(
        TARN_LUX_ImageConverter_SupportedOutputPixelFormatNames(converter.get(), kBayer, few.data(), &count),
        TARN_LUX_RETURN_CODE_BUFFER_TOO_SMALL);
    EXPECT_EQ(count, outputs.size());
    // Formats that are no input have no outputs.
    EXPECT_TRUE(outputsOf(converter.get(), TARN_LUX_PixelFormatName_Invalid).empty());
    EXPECT_TRUE(outputsOf(converter.get(), 0x12345).empty());
}

TEST(ImageConverter, RepeatedConversionsOfThePreAllocatedKindTakeNoNewPixelMemory) {
    Converter converter;
    ASSERT_EQ(TARN_LUX_ImageConverter_PreAllocateConversion(converter.get(), kBayer, kRgb, 64, 48, 2), 0);
    Owned input(kBayer, 64, 48, 3);
    Owned reference;
    ASSERT_EQ(TARN_LUX_Image_ConvertTo(input.handle, kRgb, TARN_LUX_ConversionMode_Fast, &reference.handle), 0);
    const size_t before = pixelAllocationCount();
    for (int round = 0; round < 10; ++round) {
        Owned output;
        ASSERT_EQ(TARN_LUX_ImageConverter_Convert(converter.get(), input.handle, kRgb, &output.handle), 0);
        ASSERT_EQ(output.bytes(), reference.bytes());
    }
    {
        // Two results at once use both buffers; the third is allocated.
        Owned first, second, third;
        ASSERT_EQ(TARN_LUX_ImageConverter_Convert(converter.get(), input.handle, kRgb, &first.handle), 0);
        ASSERT_EQ(TARN_LUX_ImageConverter_Convert(converter.get(), input.handle, kRgb, &second.handle), 0);
        EXPECT_EQ(pixelAllocationCount(), before);
        ASSERT_EQ(TARN_LUX_ImageConverter_Convert(converter.get(), input.handle, kRgb, &third.handle), 0);
        EXPECT_EQ(pixelAllocationCount(), before + 1);
        EXPECT_EQ(third.bytes(), first.bytes());
    }
    // Another size is not the pooled kind.
    Owned other(kBayer, 64, 46, 3), converted;
    const size_t unpooled = pixelAllocationCount();
    ASSERT_EQ(TARN_LUX_ImageConverter_Convert(converter.get(), other.handle, kRgb, &converted.handle), 0);
    EXPECT_EQ(pixelAllocationCount(), unpooled + 1);
}

TEST(ImageConverter, PooledImagesOutliveTheirConverter) {
    Owned input(TARN_LUX_PixelFormatName_Mono8, 5, 3, 4), output;
    {
        Converter converter;
        ASSERT_EQ(TARN_LUX_ImageConverter_PreAllocateConversion(converter.get(), TARN_LUX_PixelFormatName_Mono8,
                                                                TARN_LUX_PixelFormatName_Mono12, 5, 3, 1),
                  0);
        ASSERT_EQ(TARN_LUX_ImageConverter_Convert(converter.get(), input.handle, TARN_LUX_PixelFormatName_Mono12,
                                                  &output.handle),
                  0);
    }
    const auto in = input.bytes(), out = output.bytes();
    for (size_t i = 0; i < in.size(); ++i) EXPECT_EQ(out[2 * i] | out[2 * i + 1] << 8, in[i] << 4);
}

TEST(ImageConverter, PreAllocationRefusesWhatAConversionWouldAndKeepsThePool) {
    Converter converter;
    const auto preAllocate = [&](TARN_LUX_PixelFormatName in, TARN_LUX_PixelFormatName out, size_t width,
                                 size_t height, size_t count) {
        return TARN_LUX_ImageConverter_PreAllocateConversion(converter.get(), in, out, width, height, count);
    };
    ASSERT_EQ(preAllocate(kBayer, kRgb, 8, 8, 1), 0);
    EXPECT_FAILS_WITH(preAllocate(kBayer, TARN_LUX_PixelFormatName_BayerGB8, 8, 8, 1),
                      TARN_LUX_RETURN_CODE_IMAGE_FORMAT_NOT_SUPPORTED, "BayerRG8", "BayerGB8");
    EXPECT_FAILS_WITH(preAllocate(kBayer, 0x777, 8, 8, 1), TARN_LUX_RETURN_CODE_INVALID_ARGUMENT, "0x00000777");
    EXPECT_FAILS_WITH(preAllocate(kBayer, kRgb, 0, 8, 1), TARN_LUX_RETURN_CODE_INVALID_ARGUMENT);
    EXPECT_FAILS_WITH(preAllocate(kBayer, kRgb, 8, 8, 0), TARN_LUX_RETURN_CODE_OUT_OF_RANGE, "imageCount");
    EXPECT_FAILS_WITH(preAllocate(kBayer, kRgb, 8, 8, 65), TARN_LUX_RETURN_CODE_OUT_OF_RANGE, "imageCount");
    EXPECT_FAILS_WITH(preAllocate(kBayer, kRgb, SIZE_MAX / 2, 3, 1), TARN_LUX_RETURN_CODE_OUT_OF_RANGE);
    EXPECT_FAILS_WITH(preAllocate(kBayer, kRgb, size_t{1} << 30, size_t{1} << 29, 64),
                      TARN_LUX_RETURN_CODE_OUT_OF_RANGE);
    // The first pool still serves.
    Owned input(kBayer, 8, 8, 5), output;
    const size_t before = pixelAllocationCount();
    ASSERT_EQ(TARN_LUX_ImageConverter_Convert(converter.get(), input.handle, kRgb, &output.handle), 0);
    EXPECT_EQ(pixelAllocationCount(), before);
}

TEST(ImageConverter, ConvertsIntoCallerMemoryOnlyWhenItIsLargeEnough) {
    Converter converter;
    Owned input(kBayer, 6, 4, 6), reference, output;
    ASSERT_EQ(TARN_LUX_ImageConverter_Convert(converter.get(), input.handle, kRgb, &reference.handle), 0);
    std::vector<uint8_t> buffer(6 * 4 * 3 - 1, 0xEE);
    EXPECT_FAILS_WITH(TARN_LUX_ImageConverter_ConvertToBuffer(converter.get(), input.handle, kRgb, buffer.data(),
                                                              buffer.size(), &output.handle),
                      TARN_LUX_RETURN_CODE_BUFFER_TOO_SMALL, "71 bytes, but 72");
    EXPECT_EQ(output.handle, nullptr);
    EXPECT_EQ(buffer, std::vector<uint8_t>(buffer.size(), 0xEE));
    buffer.push_back(0xEE);
    ASSERT_EQ(TARN_LUX_ImageConverter_ConvertToBuffer(converter.get(), input.handle, kRgb, buffer.data(),
                                                      buffer.size(), &output.handle),
              0);
    EXPECT_EQ(buffer, reference.bytes());
    EXPECT_EQ(output.bytes(), buffer);
    EXPECT_FAILS_WITH(TARN_LUX_ImageConverter_Convert(converter.get(), input.handle, TARN_LUX_PixelFormatName_Mono10p,
                                                      nullptr),
                      TARN_LUX_RETURN_CODE_INVALID_ARGUMENT, "output");
}

TEST(ImageConverter, TwoThreadsConvertWithOnePooledConverter) {
    Converter converter;
    ASSERT_EQ(TARN_LUX_ImageConverter_PreAllocateConversion(converter.get(), kBayer, kRgb, 33, 17, 3), 0);
    Owned input(kBayer, 33, 17, 8), reference;
    ASSERT_EQ(TARN_LUX_Image_ConvertTo(input.handle, kRgb, TARN_LUX_ConversionMode_Fast, &reference.handle), 0);
    const std::vector<uint8_t> expected = reference.bytes();
    std::atomic<int> wrong{0};
    const auto work = [&] {
        for (int i = 0; i < 200; ++i) {
            Owned output;
            if (TARN_LUX_ImageConverter_Convert(converter.get(), input.handle, kRgb, &output.handle) != 0 ||
                output.bytes() != expected)
                wrong.fetch_add(1);
        }
    };
    std::thread other(work);
    work();
    other.join();
    EXPECT_EQ(wrong.load(), 0);
}

}  // namespace
}  // namespace orx
