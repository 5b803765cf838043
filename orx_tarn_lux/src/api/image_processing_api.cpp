// The image operations that make a new image from an existing one: crop,
// scale and pixel format conversion.
#include "convert/conversion.h"
#include "core/api.h"
#include "core/image.h"
#include "geometry/crop.h"
#include "geometry/scale.h"

using namespace orx;

extern "C" {

TARN_LUX_RETURN_CODE TARN_LUX_Image_Crop(TARN_LUX_ImageHandle image, const TARN_LUX_Point2D* position,
                                         const TARN_LUX_Size2D* size, TARN_LUX_ImageHandle* cropped) {
    return api::guard(__func__, [&] {
        TARN_LUX_ImageHandle& result = check::out(cropped, "cropped");
        const TARN_LUX_Point2D& at = check::in(position, "position");
        const TARN_LUX_Size2D& extent = check::in(size, "size");
        api::publish(result, cropImage(*api::use(image), at.x, at.y, extent.width, extent.height));
    });
}

TARN_LUX_RETURN_CODE TARN_LUX_Image_Scale(TARN_LUX_ImageHandle image, const TARN_LUX_Size2D* size,
                                          TARN_LUX_InterpolationAlgorithm algorithm, TARN_LUX_ImageHandle* scaled) {
    return api::guard(__func__, [&] {
        TARN_LUX_ImageHandle& result = check::out(scaled, "scaled");
        const TARN_LUX_Size2D& target = check::in(size, "size");
        api::publish(result, scaleImage(*api::use(image), target.width, target.height, algorithm));
    });
}

TARN_LUX_RETURN_CODE TARN_LUX_Image_ScaleInto(TARN_LUX_ImageHandle image, const TARN_LUX_Size2D* size, void* buffer,
                                              size_t bufferSize, TARN_LUX_InterpolationAlgorithm algorithm) {
    return api::guard(__func__, [&] {
        const TARN_LUX_Size2D& target = check::in(size, "size");
        scaleImageInto(*api::use(image), target.width, target.height, static_cast<uint8_t*>(buffer), bufferSize,
                       algorithm);
    });
}

TARN_LUX_RETURN_CODE TARN_LUX_Image_ConvertTo(TARN_LUX_ImageHandle image, TARN_LUX_PixelFormatName outputName,
                                              TARN_LUX_ConversionMode mode, TARN_LUX_ImageHandle* converted) {
    return api::guard(__func__, [&] {
        TARN_LUX_ImageHandle& result = check::out(converted, "converted");
        api::publish(result, convert::convertImage(*api::use(image), outputName, mode));
    });
}

TARN_LUX_RETURN_CODE TARN_LUX_Image_ConvertToBuffer(TARN_LUX_ImageHandle image, TARN_LUX_PixelFormatName outputName,
                                                    void* buffer, size_t bufferSize, TARN_LUX_ConversionMode mode,
                                                    TARN_LUX_ImageHandle* converted) {
    return api::guard(__func__, [&] {
        TARN_LUX_ImageHandle& result = check::out(converted, "converted");
        api::publish(result, convert::convertImageInto(*api::use(image), outputName, static_cast<uint8_t*>(buffer),
                                                       bufferSize, mode));
    });
}

}  // extern "C"
