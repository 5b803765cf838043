#include "processing/image_converter.h"

namespace tarn::lux {

ImageConverter::ImageConverter(const PixelFormat &input, const PixelFormat &output, size_t width, size_t height,
                               size_t imageCount) {
  // A failure here leaves the new library object to the base destructor.
  PreAllocateConversion(input, output, width, height, imageCount);
}

ConversionMode ImageConverter::GetConversionMode() const {
  TARN_LUX_ConversionMode mode = ConversionMode_Fast;
  check(TARN_LUX_ImageConverter_ConversionMode(handle(), &mode));
  return static_cast<ConversionMode>(mode);
}

void ImageConverter::SetConversionMode(ConversionMode mode) {
  check(TARN_LUX_ImageConverter_SetConversionMode(handle(), mode));
}

std::vector<int32_t> ImageConverter::SupportedOutputPixelFormatNames(PixelFormat input) const {
  size_t count = 0;
  check(TARN_LUX_ImageConverter_SupportedOutputPixelFormatNames(handle(), input.GetPixelFormatName(), nullptr,
                                                                 &count));
  std::vector<TARN_LUX_PixelFormatName> names(count, 0);
  check(TARN_LUX_ImageConverter_SupportedOutputPixelFormatNames(handle(), input.GetPixelFormatName(),
                                                                 names.empty() ? nullptr : names.data(), &count));
  names.resize(count);
  return names;
}

void ImageConverter::PreAllocateConversion(const PixelFormat &input, const PixelFormat &output, size_t width,
                                           size_t height, size_t imageCount) {
  check(TARN_LUX_ImageConverter_PreAllocateConversion(handle(), input.GetPixelFormatName(),
                                                      output.GetPixelFormatName(), width, height, imageCount));
}

Image ImageConverter::Convert(const Image &input, const PixelFormat &output) const {
  TARN_LUX_ImageHandle converted = nullptr;
  check(TARN_LUX_ImageConverter_Convert(handle(), input.handle(), output.GetPixelFormatName(), &converted));
  return Image(converted);
}

Image ImageConverter::Convert(const Image &input, const PixelFormat &output, uint8_t *buffer,
                              size_t bufferSize) const {
  TARN_LUX_ImageHandle converted = nullptr;
  check(TARN_LUX_ImageConverter_ConvertToBuffer(handle(), input.handle(), output.GetPixelFormatName(), buffer,
                                                bufferSize, &converted));
  return Image(converted);
}

}  // namespace tarn::lux
