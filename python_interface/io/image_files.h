// Image files: static readers and writers over the library's file
// operations, and the quality records of the PNG and JPEG writers.
#pragma once

#include <cstdint>
#include <string>

#include "image/image.h"
#include "image/pixel_format.h"

namespace tarn::lux {

struct ImageWriterPNGParameter {
  uint32_t Quality = 100;  // the library's effort scale: 100 fastest, 0 smallest
};

struct ImageWriterJPEGParameter {
  uint32_t Quality = 75;
};

class ImageReader {
 public:
  // The file type follows the file ending.
  static Image Read(const std::string &filePath);
  // The file read as `pixelFormat` without converting its samples.
  static Image Read(const std::string &filePath, const PixelFormat &pixelFormat);
};

class ImageWriter {
 public:
  static void Write(const std::string &filePath, const Image &imageToSave);
  static void WriteAsBMP(const std::string &filePath, const Image &imageToSave);
  static void WriteAsRAW(const std::string &filePath, const Image &imageToSave);
  static void WriteAsPNG(const std::string &filePath, const Image &imageToSave,
                         const ImageWriterPNGParameter &parameter = ImageWriterPNGParameter());
  static void WriteAsJPG(const std::string &filePath, const Image &imageToSave,
                         const ImageWriterJPEGParameter &parameter = ImageWriterJPEGParameter());
};

}  // namespace tarn::lux
