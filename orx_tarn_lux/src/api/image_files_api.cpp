// Image files: read by ending or as a given pixel format, written by ending
// or as a named file type.
#include "core/api.h"
#include "core/image.h"
#include "files/file_access.h"
#include "files/image_files.h"

using namespace orx;

namespace {

TARN_LUX_RETURN_CODE write(const char* operation, TARN_LUX_ImageHandle image, const char* path, size_t pathSize,
                           const files::FileType* type, uint32_t quality) {
    return api::guard(operation, [&] {
        const std::string target = files::pathFrom(path, pathSize);
        const auto held = api::use(image);
        if (type != nullptr) return files::writeImage(*held, target, *type, quality);
        // By ending: the PNG and JPEG writers' default qualities.
        const files::FileType byEnding = files::typeOfPath(target);
        files::writeImage(*held, target, byEnding,
                          byEnding == files::FileType::Png ? files::kDefaultPngQuality : files::kDefaultJpegQuality);
    });
}

}  // namespace

extern "C" {

TARN_LUX_RETURN_CODE TARN_LUX_ImageReader_Read(const char* path, size_t pathSize, TARN_LUX_ImageHandle* image) {
    return api::guard(__func__, [&] {
        TARN_LUX_ImageHandle& result = check::out(image, "image");
        api::publish(result, files::readImage(files::pathFrom(path, pathSize)));
    });
}

TARN_LUX_RETURN_CODE TARN_LUX_ImageReader_ReadWithPixelFormat(const char* path, size_t pathSize,
                                                              TARN_LUX_PixelFormatName name,
                                                              TARN_LUX_ImageHandle* image) {
    return api::guard(__func__, [&] {
        TARN_LUX_ImageHandle& result = check::out(image, "image");
        api::publish(result, files::readImageAs(files::pathFrom(path, pathSize), name));
    });
}

TARN_LUX_RETURN_CODE TARN_LUX_ImageWriter_Write(TARN_LUX_ImageHandle image, const char* path, size_t pathSize) {
    return write(__func__, image, path, pathSize, nullptr, 0);
}

TARN_LUX_RETURN_CODE TARN_LUX_ImageWriter_WriteAsBMP(TARN_LUX_ImageHandle image, const char* path, size_t pathSize) {
    constexpr files::FileType type = files::FileType::Bmp;
    return write(__func__, image, path, pathSize, &type, 0);
}

TARN_LUX_RETURN_CODE TARN_LUX_ImageWriter_WriteAsRAW(TARN_LUX_ImageHandle image, const char* path, size_t pathSize) {
    constexpr files::FileType type = files::FileType::Raw;
    return write(__func__, image, path, pathSize, &type, 0);
}

TARN_LUX_RETURN_CODE TARN_LUX_ImageWriter_WriteAsPNG(TARN_LUX_ImageHandle image, uint32_t quality, const char* path,
                                                     size_t pathSize) {
    constexpr files::FileType type = files::FileType::Png;
    return write(__func__, image, path, pathSize, &type, quality);
}

TARN_LUX_RETURN_CODE TARN_LUX_ImageWriter_WriteAsJPG(TARN_LUX_ImageHandle image, uint32_t quality, const char* path,
                                                     size_t pathSize) {
    constexpr files::FileType type = files::FileType::Jpeg;
    return write(__func__, image, path, pathSize, &type, quality);
}

}  // extern "C"
