#include "core/check.h"

namespace orx::check {

void nullPointer(const char* parameter) {
    fail(TARN_LUX_RETURN_CODE_INVALID_ARGUMENT, "parameter '", parameter,
         "' is a null pointer; pass the address of a variable");
}

void buffer(const void* memory, size_t size, size_t needed, const char* parameter) {
    if (memory == nullptr && needed > 0) {
        fail(TARN_LUX_RETURN_CODE_INVALID_ARGUMENT, "parameter '", parameter, "' is a null pointer, but ", needed,
             " bytes are needed");
    }
    if (size < needed) {
        fail(TARN_LUX_RETURN_CODE_BUFFER_TOO_SMALL, "'", parameter, "' holds ", size, " bytes, but ", needed,
             " bytes are needed");
    }
}

void index(size_t index, size_t count, const char* parameter) {
    if (index >= count) {
        if (count == 0) fail(TARN_LUX_RETURN_CODE_OUT_OF_RANGE, parameter, " ", index, " is out of range: there are none");
        outOfRange(parameter, str(index), "0", str(count - 1));
    }
}

void outOfRange(const char* parameter, const std::string& value, const std::string& minimum,
                const std::string& maximum) {
    fail(TARN_LUX_RETURN_CODE_OUT_OF_RANGE, parameter, " ", value, " is outside the valid range ", minimum, " to ",
         maximum);
}

const PixelFormatInfo& imageFormat(TARN_LUX_PixelFormatName name, const char* parameter) {
    const PixelFormatInfo& format = formatInfo(name);
    if (!format.isValid()) {
        fail(TARN_LUX_RETURN_CODE_INVALID_ARGUMENT, parameter, " is the Invalid pixel format, which has no pixels");
    }
    return format;
}

void imageSize(const PixelFormatInfo& format, size_t width, size_t height) {
    if (!format.isValid() && (width != 0 || height != 0)) {
        fail(TARN_LUX_RETURN_CODE_INVALID_ARGUMENT, "the Invalid pixel format makes only the empty image of 0 x 0 "
             "pixels, not ", width, " x ", height);
    }
    if (format.isValid() && (width == 0 || height == 0)) {
        fail(TARN_LUX_RETURN_CODE_INVALID_ARGUMENT, "an image of ", format.text,
             " needs a width and height of at least 1, not ", width, " x ", height);
    }
}

void unsupportedFormat(TARN_LUX_PixelFormatName name, const char* what) {
    fail(TARN_LUX_RETURN_CODE_IMAGE_FORMAT_NOT_SUPPORTED, what, " does not support the pixel format ",
         describeFormat(name));
}

}  // namespace orx::check
