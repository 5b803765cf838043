#include <cstring>

#include "core/api.h"
#include "core/image.h"

using namespace orx;

namespace {

// Every property query: look the image up, then answer one property of it.
template <typename Result, typename Property>
TARN_LUX_RETURN_CODE answer(const char* operation, TARN_LUX_ImageHandle image, Result* result, Property property) {
    return api::guard(operation, [&] {
        Result& slot = check::out(result, "result");
        slot = property(*api::use(image));
    });
}

}  // namespace

extern "C" {

TARN_LUX_RETURN_CODE TARN_LUX_Image_Construct(TARN_LUX_PixelFormatName name, size_t width, size_t height,
                                              TARN_LUX_ImageHandle* image) {
    return api::guard(__func__, [&] {
        TARN_LUX_ImageHandle& result = check::out(image, "image");
        api::publish(result, Image(name, width, height));
    });
}

TARN_LUX_RETURN_CODE TARN_LUX_Image_ConstructFromBuffer(TARN_LUX_PixelFormatName name, const void* buffer,
                                                        size_t bufferSize, size_t width, size_t height,
                                                        TARN_LUX_ImageHandle* image) {
    return api::guard(__func__, [&] {
        TARN_LUX_ImageHandle& result = check::out(image, "image");
        // Validates format, size and buffer before anything is allocated.
        const Image source = Image::overMemory(name, width, height,
                                               static_cast<uint8_t*>(const_cast<void*>(buffer)), bufferSize);
        api::publish(result, source.clone());
    });
}

TARN_LUX_RETURN_CODE TARN_LUX_Image_Destruct(TARN_LUX_ImageHandle image) {
    return api::guard(__func__, [&] { api::destruct(image); });
}

TARN_LUX_RETURN_CODE TARN_LUX_Image_Clone(TARN_LUX_ImageHandle image, TARN_LUX_ImageHandle* clone) {
    return api::guard(__func__, [&] {
        TARN_LUX_ImageHandle& result = check::out(clone, "clone");
        api::publish(result, api::use(image)->clone());
    });
}

TARN_LUX_RETURN_CODE TARN_LUX_Image_Width(TARN_LUX_ImageHandle image, size_t* width) {
    return answer(__func__, image, width, [](const Image& i) { return i.width(); });
}

TARN_LUX_RETURN_CODE TARN_LUX_Image_Height(TARN_LUX_ImageHandle image, size_t* height) {
    return answer(__func__, image, height, [](const Image& i) { return i.height(); });
}

TARN_LUX_RETURN_CODE TARN_LUX_Image_ByteCount(TARN_LUX_ImageHandle image, size_t* byteCount) {
    return answer(__func__, image, byteCount, [](const Image& i) { return i.byteCount(); });
}

TARN_LUX_RETURN_CODE TARN_LUX_Image_PixelFormat(TARN_LUX_ImageHandle image, TARN_LUX_PixelFormatName* name) {
    return answer(__func__, image, name, [](const Image& i) { return i.format(); });
}

TARN_LUX_RETURN_CODE TARN_LUX_Image_Timestamp(TARN_LUX_ImageHandle image, uint64_t* timestamp) {
    return answer(__func__, image, timestamp, [](const Image& i) { return i.timestamp(); });
}

TARN_LUX_RETURN_CODE TARN_LUX_Image_Data(TARN_LUX_ImageHandle image, uint8_t** data) {
    return answer(__func__, image, data, [](Image& i) { return i.data(); });
}

}  // extern "C"
