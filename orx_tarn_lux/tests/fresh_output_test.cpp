// Operations that return a new image take its memory without zeroing when
// they write every byte. Reused frame memory then still holds an earlier
// frame: a byte an operation forgets shows up as that frame's content.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

#include "convert/conversion.h"
#include "core/image.h"
#include "core/pixel_memory.h"
#include "geometry/crop.h"
#include "geometry/scale.h"
#include "support/kernel_paths.h"

namespace orx {
namespace {

constexpr uint8_t kStale = 0xAB;

// Leaves one released frame of `bytes` bytes full of kStale in the cache.
void leaveStaleFrame(size_t bytes) {
    PixelMemory frame = allocatePixels(bytes, Fill::Anything);
    ASSERT_NE(frame, nullptr);
    std::memset(frame.get(), kStale, bytes);
}

std::vector<uint8_t> bytesOf(const Image& image) {
    return std::vector<uint8_t>(image.data(), image.data() + image.byteCount());
}

// The operation's bytes on fresh (zeroed) memory and on a stale frame must agree.
void expectEveryByteWritten(const std::function<Image()>& operation, const char* what) {
    releaseCachedMappings();
    const Image fresh = operation();
    const std::vector<uint8_t> expected = bytesOf(fresh);
    leaveStaleFrame(fresh.byteCount());
    const Image reused = operation();
    EXPECT_EQ(bytesOf(reused), expected) << what;
}

Image noiseImage(TARN_LUX_PixelFormatName format, size_t width, size_t height) {
    Image image(format, width, height);
    const std::vector<uint8_t> noise = testing::noiseBytes(image.byteCount(), 3);
    std::memcpy(image.data(), noise.data(), noise.size());
    return image;
}

TEST(FreshOutput, OperationsWriteEveryByteOfTheirNewImage) {
    // Sizes of several MiB, so that outputs come from frame mappings.
    const Image rgb = noiseImage(TARN_LUX_PixelFormatName_RGB8, 1282, 1202);
    const Image mono12 = noiseImage(TARN_LUX_PixelFormatName_Mono12, 1602, 1402);
    const Image bayer = noiseImage(TARN_LUX_PixelFormatName_BayerGR12, 1602, 1402);
    for (TARN_LUX_InterpolationAlgorithm algorithm = 0; algorithm <= 6; ++algorithm) {
        expectEveryByteWritten([&] { return scaleImage(rgb, 1921, 1403, algorithm); }, "scale RGB8 up");
        expectEveryByteWritten([&] { return scaleImage(mono12, 1801, 1601, algorithm); }, "scale Mono12");
        expectEveryByteWritten([&] { return scaleImage(bayer, 1800, 1600, algorithm); }, "scale a mosaic");
    }
    const TARN_LUX_PixelFormatName outputs[] = {
        TARN_LUX_PixelFormatName_Mono8,  TARN_LUX_PixelFormatName_Mono12, TARN_LUX_PixelFormatName_RGB8,
        TARN_LUX_PixelFormatName_BGRa8,  TARN_LUX_PixelFormatName_RGB12,  TARN_LUX_PixelFormatName_BGRa10};
    for (const Image* input : {&rgb, &mono12, &bayer})
        for (TARN_LUX_PixelFormatName to : outputs)
            expectEveryByteWritten([&] { return convert::convertImage(*input, to, TARN_LUX_ConversionMode_Fast); },
                                   "convert");
    expectEveryByteWritten([&] { return cropImage(rgb, 1, 1, 1280, 1200); }, "crop");
    const Image stream = noiseImage(TARN_LUX_PixelFormatName_Mono12p, 1203, 1001);
    expectEveryByteWritten([&] { return cropImage(stream, 3, 1, 1199, 999); }, "crop a bit stream");
    const Image yuv = noiseImage(TARN_LUX_PixelFormatName_YUV420_8_YY_UV_SemiplanarORX, 1203, 1001);
    expectEveryByteWritten([&] { return cropImage(yuv, 2, 2, 1199, 997); }, "crop 4:2:0");
    expectEveryByteWritten([&] { return rgb.clone(); }, "clone");
}

}  // namespace
}  // namespace orx
