// The image converter's operations; AcquireReference and Destruct are those
// of every kind (lifecycle_api.cpp).
#include "convert/image_converter.h"
#include "core/api.h"

using namespace orx;
using convert::ImageConverter;

extern "C" {

TARN_LUX_RETURN_CODE TARN_LUX_ImageConverter_Construct(TARN_LUX_ImageConverterHandle* converter) {
    return api::guard(__func__, [&] { api::publish(check::out(converter, "converter")); });
}

TARN_LUX_RETURN_CODE TARN_LUX_ImageConverter_ConversionMode(TARN_LUX_ImageConverterHandle converter,
                                                            TARN_LUX_ConversionMode* mode) {
    return api::guard(__func__, [&] {
        TARN_LUX_ConversionMode& result = check::out(mode, "mode");
        result = api::use(converter)->mode();
    });
}

TARN_LUX_RETURN_CODE TARN_LUX_ImageConverter_SetConversionMode(TARN_LUX_ImageConverterHandle converter,
                                                               TARN_LUX_ConversionMode mode) {
    return api::guard(__func__, [&] { api::use(converter)->setMode(mode); });
}

TARN_LUX_RETURN_CODE TARN_LUX_ImageConverter_SupportedOutputPixelFormatNames(TARN_LUX_ImageConverterHandle converter,
                                                                             TARN_LUX_PixelFormatName inputName,
                                                                             TARN_LUX_PixelFormatName* outputNames,
                                                                             size_t* count) {
    return api::guard(__func__, [&] {
        api::use(converter);
        api::answerList(ImageConverter::outputsFor(inputName), outputNames, count);
    });
}

TARN_LUX_RETURN_CODE TARN_LUX_ImageConverter_PreAllocateConversion(TARN_LUX_ImageConverterHandle converter,
                                                                   TARN_LUX_PixelFormatName inputName,
                                                                   TARN_LUX_PixelFormatName outputName, size_t width,
                                                                   size_t height, size_t imageCount) {
    return api::guard(__func__, [&] { api::use(converter)->preAllocate(inputName, outputName, width, height, imageCount); });
}

TARN_LUX_RETURN_CODE TARN_LUX_ImageConverter_Convert(TARN_LUX_ImageConverterHandle converter,
                                                     TARN_LUX_ImageHandle input, TARN_LUX_PixelFormatName outputName,
                                                     TARN_LUX_ImageHandle* output) {
    return api::guard(__func__, [&] {
        TARN_LUX_ImageHandle& result = check::out(output, "output");
        api::publish(result, api::use(converter)->convert(*api::use(input), outputName));
    });
}

TARN_LUX_RETURN_CODE TARN_LUX_ImageConverter_ConvertToBuffer(TARN_LUX_ImageConverterHandle converter,
                                                             TARN_LUX_ImageHandle input,
                                                             TARN_LUX_PixelFormatName outputName, void* buffer,
                                                             size_t bufferSize, TARN_LUX_ImageHandle* output) {
    return api::guard(__func__, [&] {
        TARN_LUX_ImageHandle& result = check::out(output, "output");
        api::publish(result, api::use(converter)->convertInto(*api::use(input), outputName,
                                                              static_cast<uint8_t*>(buffer), bufferSize));
    });
}

}  // extern "C"
