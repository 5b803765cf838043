// The image converter: one reference-counted library converter. Its mode
// and its pool of pre-allocated output buffers live in the library object,
// so shallow copies share them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "image/image.h"
#include "image/pixel_format.h"
#include "processing/library_object.h"

namespace tarn::lux {

class ImageConverter
    : public LibraryObject<TARN_LUX_ImageConverterHandle, TARN_LUX_ImageConverter_Construct,
                           TARN_LUX_ImageConverter_AcquireReference, TARN_LUX_ImageConverter_Destruct> {
 public:
  // Images held at once from a pre-allocated pool unless told otherwise.
  static constexpr size_t kDefaultImageCount = 5;

  using LibraryObject::LibraryObject;
  // A new converter whose pool serves conversions of `input` images of
  // width x height into `output`.
  ImageConverter(const PixelFormat &input, const PixelFormat &output, size_t width, size_t height,
                 size_t imageCount = kDefaultImageCount);

  ConversionMode GetConversionMode() const;
  // Passed on unchecked; the library refuses values that are no mode.
  void SetConversionMode(ConversionMode mode);
  std::vector<int32_t> SupportedOutputPixelFormatNames(PixelFormat input) const;
  void PreAllocateConversion(const PixelFormat &input, const PixelFormat &output, size_t width, size_t height,
                             size_t imageCount = kDefaultImageCount);
  Image Convert(const Image &input, const PixelFormat &output) const;
  // Into the caller's memory, which the result uses without owning it.
  Image Convert(const Image &input, const PixelFormat &output, uint8_t *buffer, size_t bufferSize) const;
};

}  // namespace tarn::lux
