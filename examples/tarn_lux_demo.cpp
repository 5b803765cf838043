// Makes images of a few pixel formats through the C interface of the image
// library, fills them and asks them about themselves, then shows how a
// failure reports itself.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "orx_tarn_lux.h"

namespace {

std::string lastError() {
    int32_t code = 0;
    size_t size = 0;
    if (TARN_LUX_GetLastError(&code, nullptr, &size) != TARN_LUX_RETURN_CODE_SUCCESS) return "(no last error)";
    std::string text(size, '\0');
    if (TARN_LUX_GetLastError(&code, text.data(), &size) != TARN_LUX_RETURN_CODE_SUCCESS) return "(no last error)";
    text.resize(size - 1);
    return "code " + std::to_string(code) + ": " + text;
}

void require(TARN_LUX_RETURN_CODE code, const char* what) {
    if (code == TARN_LUX_RETURN_CODE_SUCCESS) return;
    std::fprintf(stderr, "%s failed with %s\n", what, lastError().c_str());
    std::exit(1);
}

struct Sample {
    TARN_LUX_PixelFormatName format;
    const char* name;
};

void showImage(const Sample& sample, size_t width, size_t height) {
    TARN_LUX_ImageHandle image = nullptr;
    require(TARN_LUX_Image_Construct(sample.format, width, height, &image), "TARN_LUX_Image_Construct");

    size_t bytes = 0, channels = 0, significantBits = 0, storageBits = 0;
    TARN_LUX_BOOL packed = 0, bayered = 0;
    uint8_t* data = nullptr;
    require(TARN_LUX_Image_ByteCount(image, &bytes), "TARN_LUX_Image_ByteCount");
    require(TARN_LUX_Image_Data(image, &data), "TARN_LUX_Image_Data");
    require(TARN_LUX_PixelFormat_NumChannels(sample.format, &channels), "TARN_LUX_PixelFormat_NumChannels");
    require(TARN_LUX_PixelFormat_NumSignificantBitsPerPixel(sample.format, &significantBits),
            "TARN_LUX_PixelFormat_NumSignificantBitsPerPixel");
    require(TARN_LUX_PixelFormat_NumStorageBitsPerPixel(sample.format, &storageBits),
            "TARN_LUX_PixelFormat_NumStorageBitsPerPixel");
    require(TARN_LUX_PixelFormat_IsPacked(sample.format, &packed), "TARN_LUX_PixelFormat_IsPacked");
    require(TARN_LUX_PixelFormat_IsBayered(sample.format, &bayered), "TARN_LUX_PixelFormat_IsBayered");

    // Fill with a ramp, clone, and check that the clone holds the same bytes.
    for (size_t i = 0; i < bytes; ++i) data[i] = static_cast<uint8_t>(i * 7);
    TARN_LUX_ImageHandle clone = nullptr;
    uint8_t* cloneData = nullptr;
    require(TARN_LUX_Image_Clone(image, &clone), "TARN_LUX_Image_Clone");
    require(TARN_LUX_Image_Data(clone, &cloneData), "TARN_LUX_Image_Data");
    const bool same = std::memcmp(data, cloneData, bytes) == 0;

    const std::string kind = std::string(bayered ? "Bayer " : "") + (packed ? "packed" : "");
    std::printf("  %-29s %zux%zu  %zu channel(s), %2zu of %2zu bits/pixel %-12s %5zu bytes, filled; clone %s\n",
                sample.name, width, height, channels, significantBits, storageBits, kind.c_str(), bytes,
                same ? "identical" : "DIFFERS");

    require(TARN_LUX_Image_Destruct(clone), "TARN_LUX_Image_Destruct");
    require(TARN_LUX_Image_Destruct(image), "TARN_LUX_Image_Destruct");
    if (!same) std::exit(1);
}

}  // namespace

int main() {
    std::printf("Images made through the C interface of orx_tarn_lux:\n");
    const Sample samples[] = {
        {TARN_LUX_PixelFormatName_Mono8, "Mono8"},
        {TARN_LUX_PixelFormatName_RGB8, "RGB8"},
        {TARN_LUX_PixelFormatName_Mono12, "Mono12"},
        {TARN_LUX_PixelFormatName_BayerRG12p, "BayerRG12p"},
        {TARN_LUX_PixelFormatName_BayerGB10g40ORX, "BayerGB10g40ORX"},
        {TARN_LUX_PixelFormatName_YUV420_8_YY_UV_SemiplanarORX, "YUV420_8_YY_UV_SemiplanarORX"},
    };
    for (const Sample& sample : samples) showImage(sample, 63, 31);

    std::printf("\nWhat a mistake looks like:\n");
    const std::vector<uint8_t> tooSmall(100);
    TARN_LUX_ImageHandle image = nullptr;
    const TARN_LUX_RETURN_CODE code =
        TARN_LUX_Image_ConstructFromBuffer(TARN_LUX_PixelFormatName_RGB8, tooSmall.data(), tooSmall.size(), 8, 8, &image);
    std::printf("an 8x8 RGB8 image from 100 bytes answers %d, %s\n", code, lastError().c_str());
    return code == TARN_LUX_RETURN_CODE_BUFFER_TOO_SMALL ? 0 : 1;
}
