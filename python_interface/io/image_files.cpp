#include "io/image_files.h"

#include "library/error_mapping.h"

namespace tarn::lux {

Image ImageReader::Read(const std::string &filePath) {
  TARN_LUX_ImageHandle handle = nullptr;
  check(TARN_LUX_ImageReader_Read(filePath.data(), filePath.size(), &handle));
  return Image(handle);
}

Image ImageReader::Read(const std::string &filePath, const PixelFormat &pixelFormat) {
  TARN_LUX_ImageHandle handle = nullptr;
  check(TARN_LUX_ImageReader_ReadWithPixelFormat(filePath.data(), filePath.size(), pixelFormat.GetPixelFormatName(),
                                                 &handle));
  return Image(handle);
}

void ImageWriter::Write(const std::string &filePath, const Image &imageToSave) {
  check(TARN_LUX_ImageWriter_Write(imageToSave.handle(), filePath.data(), filePath.size()));
}

void ImageWriter::WriteAsBMP(const std::string &filePath, const Image &imageToSave) {
  check(TARN_LUX_ImageWriter_WriteAsBMP(imageToSave.handle(), filePath.data(), filePath.size()));
}

void ImageWriter::WriteAsRAW(const std::string &filePath, const Image &imageToSave) {
  check(TARN_LUX_ImageWriter_WriteAsRAW(imageToSave.handle(), filePath.data(), filePath.size()));
}

void ImageWriter::WriteAsPNG(const std::string &filePath, const Image &imageToSave,
                             const ImageWriterPNGParameter &parameter) {
  check(TARN_LUX_ImageWriter_WriteAsPNG(imageToSave.handle(), parameter.Quality, filePath.data(), filePath.size()));
}

void ImageWriter::WriteAsJPG(const std::string &filePath, const Image &imageToSave,
                             const ImageWriterJPEGParameter &parameter) {
  check(TARN_LUX_ImageWriter_WriteAsJPG(imageToSave.handle(), parameter.Quality, filePath.data(), filePath.size()));
}

}  // namespace tarn::lux
