// Mirrors and quarter turns: every unpacked format against a per-pixel
// reference, Bayer colour sites, the 4:2:0 planes, in-place forms, kernel
// paths and the refusals of the interface.
#include "geometry/transform.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

#include "core/bayer.h"
#include "core/error.h"
#include "support/kernel_paths.h"
#include "support/noise_image.h"
#include "test_support.h"

namespace orx {
namespace {

using testing::bytesOf;
using testing::noiseImage;

struct Operation {
    const char* name;
    flip::GridMap map;
    bool turns;  // output is H x W
    // Source pixel of output pixel (x, y) for an input of w x h, written
    // independently of GridMap as the operations are usually defined.
    std::function<std::pair<size_t, size_t>(size_t x, size_t y, size_t w, size_t h)> source;
};

const std::vector<Operation>& operations() {
    static const std::vector<Operation> list = {
        {"MirrorUpDown", mirrorMap(true, false), false, [](size_t x, size_t y, size_t, size_t h) { return std::make_pair(x, h - 1 - y); }},
        {"MirrorLeftRight", mirrorMap(false, true), false, [](size_t x, size_t y, size_t w, size_t) { return std::make_pair(w - 1 - x, y); }},
        {"MirrorBoth", mirrorMap(true, true), false, [](size_t x, size_t y, size_t w, size_t h) { return std::make_pair(w - 1 - x, h - 1 - y); }},
        {"Rotate90", rotationMap(TARN_LUX_RotationAngle_Degree90Counterclockwise), true, [](size_t x, size_t y, size_t w, size_t) { return std::make_pair(w - 1 - y, x); }},
        {"Rotate180", rotationMap(TARN_LUX_RotationAngle_Degree180), false, [](size_t x, size_t y, size_t w, size_t h) { return std::make_pair(w - 1 - x, h - 1 - y); }},
        {"Rotate270", rotationMap(TARN_LUX_RotationAngle_Degree90Clockwise), true, [](size_t x, size_t y, size_t, size_t h) { return std::make_pair(y, h - 1 - x); }},
    };
    return list;
}

// Compares a plane of whole-byte pixels with the operation's definition.
void expectMapped(const uint8_t* in, const uint8_t* out, size_t w, size_t h, size_t bytes, const Operation& op) {
    const size_t outWidth = op.turns ? h : w;
    const size_t outHeight = op.turns ? w : h;
    for (size_t y = 0; y < outHeight; ++y)
        for (size_t x = 0; x < outWidth; ++x) {
            const auto [sx, sy] = op.source(x, y, w, h);
            ASSERT_EQ(std::memcmp(out + (y * outWidth + x) * bytes, in + (sy * w + sx) * bytes, bytes), 0)
                << op.name << " at " << x << "," << y << " of " << w << "x" << h;
        }
}

const std::pair<size_t, size_t> kSizes[] = {{1, 1}, {7, 1}, {1, 9}, {16, 16}, {17, 33}, {48, 32}, {70, 65}, {130, 17}};

TEST(Transform, EveryUnpackedFormatMatchesThePixelDefinition) {
    for (const PixelFormatInfo& format : pixelFormats()) {
        if (!format.isValid() || format.isPacked() || format.isYUV()) continue;
        for (const auto& [w, h] : kSizes) {
            const Image input = noiseImage(format.name, w, h, uint32_t(w * 31 + h));
            for (const Operation& op : operations()) {
                SCOPED_TRACE(format.text);
                const Image output = transformImage(input, op.map, "inputImage");
                ASSERT_EQ(output.width(), op.turns ? h : w);
                ASSERT_EQ(output.height(), op.turns ? w : h);
                expectMapped(input.data(), output.data(), w, h, format.bytesPerPixel(), op);
            }
        }
    }
}

TEST(Transform, BayerResultsKeepEveryColourSite) {
    for (const PixelFormatInfo& format : pixelFormats()) {
        if (!format.isBayered() || format.isPacked()) continue;
        for (const auto& [w, h] : {std::make_pair(4, 6), std::make_pair(5, 6), std::make_pair(4, 7), std::make_pair(5, 7)}) {
            const Image input(format.name, size_t(w), size_t(h));
            for (const Operation& op : operations()) {
                const Image output = transformImage(input, op.map, "inputImage");
                const PixelFormatInfo& result = output.formatInfo();
                ASSERT_TRUE(result.isBayered());
                ASSERT_EQ(result.significantBitsPerChannel, format.significantBitsPerChannel);
                const unsigned from = bayer::tileOf(format.bayerPattern);
                const unsigned to = bayer::tileOf(result.bayerPattern);
                for (size_t y = 0; y < output.height(); ++y)
                    for (size_t x = 0; x < output.width(); ++x) {
                        const auto [sx, sy] = op.source(x, y, size_t(w), size_t(h));
                        ASSERT_EQ(bayer::colourAt(to, x, y), bayer::colourAt(from, sx, sy))
                            << format.text << " " << op.name << " " << w << "x" << h;
                    }
            }
        }
    }
}

TEST(Transform, BayerPatternsOfTheDocumentedExamples) {
    const Image even(TARN_LUX_PixelFormatName_BayerBG8, 4, 6);
    EXPECT_EQ(transformImage(even, mirrorMap(true, false), "i").format(), TARN_LUX_PixelFormatName_BayerGR8);
    EXPECT_EQ(transformImage(even, mirrorMap(false, true), "i").format(), TARN_LUX_PixelFormatName_BayerGB8);
    EXPECT_EQ(transformImage(even, mirrorMap(true, true), "i").format(), TARN_LUX_PixelFormatName_BayerRG8);
    EXPECT_EQ(transformImage(even, rotationMap(180), "i").format(), TARN_LUX_PixelFormatName_BayerRG8);
    const Image odd(TARN_LUX_PixelFormatName_BayerBG12, 5, 7);
    for (const Operation& op : operations())
        if (!op.turns) {
            EXPECT_EQ(transformImage(odd, op.map, "i").format(), TARN_LUX_PixelFormatName_BayerBG12);
        }
}

TEST(Transform, SemiplanarPlanesMoveTogether) {
    for (const auto& [w, h] : {std::make_pair(size_t(4), size_t(6)), std::make_pair(size_t(34), size_t(66))}) {
        const Image input = noiseImage(TARN_LUX_PixelFormatName_YUV420_8_YY_VU_SemiplanarORX, w, h, 5);
        for (const Operation& op : operations()) {
            const Image output = transformImage(input, op.map, "inputImage");
            expectMapped(input.data(), output.data(), w, h, 1, op);
            expectMapped(input.data() + w * h, output.data() + w * h, w / 2, h / 2, 2, op);
        }
    }
}

TEST(Transform, SemiplanarOddSizesWhereChromaCannotFollow) {
    const Image oddWidth(TARN_LUX_PixelFormatName_YUV420_8_YY_UV_SemiplanarORX, 5, 4);
    const Image oddHeight(TARN_LUX_PixelFormatName_YUV420_8_YY_UV_SemiplanarORX, 4, 5);
    EXPECT_NO_THROW(transformImage(oddWidth, mirrorMap(true, false), "i"));
    EXPECT_NO_THROW(transformImage(oddHeight, mirrorMap(false, true), "i"));
    EXPECT_NO_THROW(transformImage(oddWidth, rotationMap(270), "i"));
    for (const auto& [image, map] : {std::make_pair(&oddWidth, mirrorMap(false, true)),
                                     std::make_pair(&oddHeight, mirrorMap(true, false)),
                                     std::make_pair(&oddWidth, rotationMap(90)),
                                     std::make_pair(&oddHeight, rotationMap(180))}) {
        try {
            transformImage(*image, map, "inputImage");
            ADD_FAILURE() << "odd size accepted";
        } catch (const Error& error) {
            EXPECT_EQ(error.code(), TARN_LUX_RETURN_CODE_INVALID_ARGUMENT);
        }
    }
}

TEST(Transform, InPlaceEqualsTheCopy) {
    const TARN_LUX_PixelFormatName formats[] = {TARN_LUX_PixelFormatName_Mono8, TARN_LUX_PixelFormatName_RGB8,
                                                TARN_LUX_PixelFormatName_BayerGR12, TARN_LUX_PixelFormatName_RGBa10,
                                                TARN_LUX_PixelFormatName_YUV420_8_YY_UV_SemiplanarORX};
    for (TARN_LUX_PixelFormatName format : formats)
        for (const auto& [w, h] : {std::make_pair(66, 34), std::make_pair(40, 40), std::make_pair(130, 2)}) {
            const Image input = noiseImage(format, size_t(w), size_t(h), 9);
            for (const Operation& op : operations()) {
                const Image copy = transformImage(input, op.map, "inputImage");
                Image changed = input.clone();
                const uint8_t* memory = changed.data();
                transformInPlace(changed, op.map, "image");
                EXPECT_EQ(changed.data(), memory) << "the image keeps its memory";
                EXPECT_EQ(changed.format(), copy.format());
                EXPECT_EQ(changed.width(), copy.width());
                EXPECT_EQ(changed.height(), copy.height());
                EXPECT_EQ(bytesOf(changed), bytesOf(copy)) << op.name << " " << w << "x" << h;
            }
        }
    // Odd heights have a middle row that mirrors onto itself.
    for (const auto& [w, h] : {std::make_pair(7, 5), std::make_pair(131, 3), std::make_pair(1, 1)}) {
        const Image input = noiseImage(TARN_LUX_PixelFormatName_RGB8, size_t(w), size_t(h), 2);
        for (const Operation& op : operations()) {
            Image changed = input.clone();
            transformInPlace(changed, op.map, "image");
            EXPECT_EQ(bytesOf(changed), bytesOf(transformImage(input, op.map, "i"))) << op.name;
        }
    }
}

TEST(Transform, EveryKernelPathGivesTheSameBytes) {
    const TARN_LUX_PixelFormatName formats[] = {TARN_LUX_PixelFormatName_Mono8, TARN_LUX_PixelFormatName_RGB8,
                                                TARN_LUX_PixelFormatName_BGRa8, TARN_LUX_PixelFormatName_Mono12,
                                                TARN_LUX_PixelFormatName_RGB12};
    for (TARN_LUX_PixelFormatName format : formats)
        for (const auto& [w, h] : {std::make_pair(259, 131), std::make_pair(64, 64), std::make_pair(1, 70)}) {
            const Image input = noiseImage(format, size_t(w), size_t(h), 4);
            for (const Operation& op : operations()) {
                EXPECT_EQ(testing::firstDisagreeingPath([&] { return bytesOf(transformImage(input, op.map, "i")); }), "")
                    << op.name;
                EXPECT_EQ(testing::firstDisagreeingPath([&] {
                              Image changed = input.clone();
                              transformInPlace(changed, op.map, "i");
                              return bytesOf(changed);
                          }),
                          "")
                    << op.name << " in place";
            }
        }
}

TEST(Transform, KernelPartsAgreeWithTheirScalarTwins) {
    for (size_t bytes : {1, 2, 3, 4, 6, 8, 64}) {
        for (size_t n : {1, 15, 21, 64, 65, 200}) {
            const std::vector<uint8_t> row = testing::noiseBytes(n * bytes, uint32_t(n));
            std::vector<uint8_t> scalar(row.size()), fast(row.size());
            flip::reverseScalar(row.data(), scalar.data(), n, bytes, 0);
            flip::reverseScalar(row.data(), fast.data(), n, bytes, useWideKernels() ? flip::reverseWide(row.data(), fast.data(), n, bytes) : 0);
            EXPECT_EQ(scalar, fast) << bytes << " " << n;
        }
    }
}

// --- Through the interface --------------------------------------------------

class TransformerInterface : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(TARN_LUX_ImageTransformer_Construct(&transformer), TARN_LUX_RETURN_CODE_SUCCESS); }
    void TearDown() override { EXPECT_EQ(TARN_LUX_ImageTransformer_Destruct(transformer), TARN_LUX_RETURN_CODE_SUCCESS); }
    TARN_LUX_ImageTransformerHandle transformer = nullptr;
};

TEST_F(TransformerInterface, TurnsSwapTheSizeAndCopiesLeaveTheInput) {
    test::ScopedImage image(TARN_LUX_PixelFormatName_Mono8, 640, 480);
    TARN_LUX_ImageHandle turned = nullptr;
    ASSERT_EQ(TARN_LUX_ImageTransformer_Rotate(transformer, image.get(), &turned, 270), TARN_LUX_RETURN_CODE_SUCCESS);
    size_t width = 0, height = 0;
    TARN_LUX_Image_Width(turned, &width);
    TARN_LUX_Image_Height(turned, &height);
    EXPECT_EQ(width, 480u);
    EXPECT_EQ(height, 640u);
    TARN_LUX_Image_Width(image.get(), &width);
    EXPECT_EQ(width, 640u);
    TARN_LUX_Image_Destruct(turned);
    ASSERT_EQ(TARN_LUX_ImageTransformer_RotateInPlace(transformer, image.get(), 90), TARN_LUX_RETURN_CODE_SUCCESS);
    TARN_LUX_Image_Width(image.get(), &width);
    EXPECT_EQ(width, 480u);
}

TEST_F(TransformerInterface, RefusalsNameTheProblemAndChangeNothing) {
    test::ScopedImage packed(TARN_LUX_PixelFormatName_Mono10p, 8, 2);
    TARN_LUX_ImageHandle output = nullptr;
    EXPECT_FAILS_WITH(TARN_LUX_ImageTransformer_MirrorUpDown(transformer, packed.get(), &output),
                      TARN_LUX_RETURN_CODE_IMAGE_FORMAT_NOT_SUPPORTED, "inputImage has a packed pixel format", "Mono10p");
    EXPECT_FAILS_WITH(TARN_LUX_ImageTransformer_MirrorLeftRightInPlace(transformer, packed.get()),
                      TARN_LUX_RETURN_CODE_IMAGE_FORMAT_NOT_SUPPORTED, "image has a packed pixel format");
    EXPECT_EQ(output, nullptr);

    test::ScopedImage image(TARN_LUX_PixelFormatName_Mono8, 3, 2);
    uint8_t* data = nullptr;
    TARN_LUX_Image_Data(image.get(), &data);
    for (uint8_t i = 0; i < 6; ++i) data[i] = i;
    EXPECT_FAILS_WITH(TARN_LUX_ImageTransformer_Rotate(transformer, image.get(), &output, 45),
                      TARN_LUX_RETURN_CODE_INVALID_ARGUMENT, "rotationAngle 45");
    EXPECT_FAILS_WITH(TARN_LUX_ImageTransformer_RotateInPlace(transformer, image.get(), 0),
                      TARN_LUX_RETURN_CODE_INVALID_ARGUMENT, "rotationAngle 0");
    for (uint8_t i = 0; i < 6; ++i) EXPECT_EQ(data[i], i);
    size_t width = 0;
    TARN_LUX_Image_Width(image.get(), &width);
    EXPECT_EQ(width, 3u);

    EXPECT_EQ(TARN_LUX_ImageTransformer_MirrorUpDown(transformer, image.get(), nullptr),
              TARN_LUX_RETURN_CODE_INVALID_ARGUMENT);
    EXPECT_EQ(TARN_LUX_ImageTransformer_MirrorUpDown(nullptr, image.get(), &output), TARN_LUX_RETURN_CODE_INVALID_HANDLE);
    EXPECT_EQ(TARN_LUX_ImageTransformer_MirrorUpDownInPlace(transformer, nullptr), TARN_LUX_RETURN_CODE_INVALID_HANDLE);
    EXPECT_EQ(TARN_LUX_ImageTransformer_MirrorUpDownInPlace(
                  reinterpret_cast<TARN_LUX_ImageTransformerHandle>(image.get()), image.get()),
              TARN_LUX_RETURN_CODE_INVALID_HANDLE);
    test::ScopedImage empty(TARN_LUX_PixelFormatName_Invalid, 0, 0);
    EXPECT_EQ(TARN_LUX_ImageTransformer_MirrorUpDown(transformer, empty.get(), &output),
              TARN_LUX_RETURN_CODE_INVALID_ARGUMENT);
}

}  // namespace
}  // namespace orx
