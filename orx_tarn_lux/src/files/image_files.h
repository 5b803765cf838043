// Reading and writing image files by file ending (the operations behind
// TARN_LUX_ImageReader_* and TARN_LUX_ImageWriter_*; orx_tarn_lux.h
// documents the endings, formats and rules).
#pragma once

#include <cstdint>
#include <string>

#include "core/image.h"

namespace orx::files {

enum class FileType { Bmp, Png, Jpeg, Raw };

// The type a file ending names; TARN_LUX_RETURN_CODE_IMAGE_FORMAT_NOT_SUPPORTED
// for an ending that names none.
FileType typeOfPath(const std::string& path);

Image readImage(const std::string& path);
Image readImageAs(const std::string& path, TARN_LUX_PixelFormatName format);

// `quality` is the PNG or JPEG quality (0..100) and unused for the others.
void writeImage(const Image& image, const std::string& path, FileType type, uint32_t quality);

// Qualities that TARN_LUX_ImageWriter_Write uses.
constexpr uint32_t kDefaultPngQuality = 100;
constexpr uint32_t kDefaultJpegQuality = 75;

}  // namespace orx::files
