#include "core/api.h"
#include "core/pixel_format.h"

using namespace orx;

namespace {

// Every query: look the format up, then answer one property of it.
template <typename Result, typename Property>
TARN_LUX_RETURN_CODE answer(const char* operation, TARN_LUX_PixelFormatName name, Result* result,
                            Property property) {
    return api::guard(operation, [&] {
        Result& slot = check::out(result, "result");
        slot = static_cast<Result>(property(formatInfo(name)));
    });
}

}  // namespace

extern "C" {

TARN_LUX_RETURN_CODE TARN_LUX_PixelFormat_NumSignificantBitsPerChannel(TARN_LUX_PixelFormatName name, size_t* bits) {
    return answer(__func__, name, bits, [](const PixelFormatInfo& f) { return f.significantBitsPerChannel; });
}

TARN_LUX_RETURN_CODE TARN_LUX_PixelFormat_NumStorageBitsPerChannel(TARN_LUX_PixelFormatName name, size_t* bits) {
    return answer(__func__, name, bits, [](const PixelFormatInfo& f) { return f.storageBitsPerChannel; });
}

TARN_LUX_RETURN_CODE TARN_LUX_PixelFormat_NumChannels(TARN_LUX_PixelFormatName name, size_t* channels) {
    return answer(__func__, name, channels, [](const PixelFormatInfo& f) { return f.channels; });
}

TARN_LUX_RETURN_CODE TARN_LUX_PixelFormat_MaximumValuePerChannel(TARN_LUX_PixelFormatName name, uint32_t* maximum) {
    return answer(__func__, name, maximum, [](const PixelFormatInfo& f) { return f.maximumValuePerChannel(); });
}

TARN_LUX_RETURN_CODE TARN_LUX_PixelFormat_NumSignificantBitsPerPixel(TARN_LUX_PixelFormatName name, size_t* bits) {
    return answer(__func__, name, bits, [](const PixelFormatInfo& f) { return f.significantBitsPerPixel; });
}

TARN_LUX_RETURN_CODE TARN_LUX_PixelFormat_NumStorageBitsPerPixel(TARN_LUX_PixelFormatName name, size_t* bits) {
    return answer(__func__, name, bits, [](const PixelFormatInfo& f) { return f.storageBitsPerPixel; });
}

TARN_LUX_RETURN_CODE TARN_LUX_PixelFormat_Endianness(TARN_LUX_PixelFormatName name,
                                                     TARN_LUX_Endianness* endianness) {
    return answer(__func__, name, endianness, [](const PixelFormatInfo& f) { return f.endianness(); });
}

TARN_LUX_RETURN_CODE TARN_LUX_PixelFormat_CalculateStorageSizeOfPixels(TARN_LUX_PixelFormatName name,
                                                                       uint64_t pixelCount, size_t* byteCount) {
    return answer(__func__, name, byteCount,
                  [pixelCount](const PixelFormatInfo& f) { return f.storageSizeOfPixels(pixelCount); });
}

TARN_LUX_RETURN_CODE TARN_LUX_PixelFormat_IsPacked(TARN_LUX_PixelFormatName name, TARN_LUX_BOOL* isPacked) {
    return answer(__func__, name, isPacked, [](const PixelFormatInfo& f) { return f.isPacked(); });
}

TARN_LUX_RETURN_CODE TARN_LUX_PixelFormat_IsBayered(TARN_LUX_PixelFormatName name, TARN_LUX_BOOL* isBayered) {
    return answer(__func__, name, isBayered, [](const PixelFormatInfo& f) { return f.isBayered(); });
}

TARN_LUX_RETURN_CODE TARN_LUX_PixelFormat_IsYUV(TARN_LUX_PixelFormatName name, TARN_LUX_BOOL* isYUV) {
    return answer(__func__, name, isYUV, [](const PixelFormatInfo& f) { return f.isYUV(); });
}

TARN_LUX_RETURN_CODE TARN_LUX_PixelFormat_BayerPattern(TARN_LUX_PixelFormatName name,
                                                       TARN_LUX_BayerPattern* pattern) {
    return answer(__func__, name, pattern, [](const PixelFormatInfo& f) { return f.bayerPattern; });
}

}  // extern "C"
