// The image: one library image handle, moved but never copied implicitly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "image/geometry.h"
#include "image/pixel_format.h"
#include "orx_tarn_lux.h"

namespace tarn::lux {

class Image {
 public:
  // The empty image (Invalid, 0 x 0).
  Image();
  explicit Image(TARN_LUX_ImageHandle handle) noexcept : handle_(handle) {}
  Image(Image &&other) noexcept : handle_(other.handle_), memoryOwner_(std::move(other.memoryOwner_)) {
    other.handle_ = nullptr;
  }
  Image &operator=(Image &&other) noexcept;
  Image(const Image &) = delete;
  Image &operator=(const Image &) = delete;
  ~Image();

  static Image CreateFromSize(PixelFormatName name, size_t width, size_t height);
  static Image CreateFromSizeAndBuffer(PixelFormatName name, const void *buffer, size_t bufferSize, size_t width,
                                       size_t height);

  size_t Width() const;
  size_t Height() const;
  Size2D Size() const;
  size_t ByteCount() const;
  PixelFormat GetPixelFormat() const;
  uint64_t Timestamp() const;
  bool Empty() const;
  uint8_t *Data() const;

  Image Clone() const;
  Image ConvertTo(const PixelFormat &format, ConversionMode mode = ConversionMode_Fast) const;
  Image ConvertTo(const PixelFormat &format, uint8_t *buffer, size_t bufferSize,
                  ConversionMode mode = ConversionMode_Fast) const;
  Image Scale(const Size2D &size, InterpolationAlgorithm algorithm = InterpolationAlgorithm_linear) const;
  Image Scale(const ScaleFactor &factor, InterpolationAlgorithm algorithm = InterpolationAlgorithm_linear) const;
  void ScaleInto(const Size2D &size, uint8_t *buffer, size_t bufferSize,
                 InterpolationAlgorithm algorithm = InterpolationAlgorithm_linear) const;
  Image Crop(const Point2D &position, const Size2D &size) const;
  Image Crop(const Size2D &size) const { return Crop(Point2D{}, size); }

  // Data-wise equality: sizes, format, timestamp and every pixel byte.
  bool operator==(const Image &other) const;
  bool operator!=(const Image &other) const { return !(*this == other); }

  TARN_LUX_ImageHandle handle() const noexcept { return handle_; }

  // An image made over memory it does not own (a conversion into a caller's
  // buffer) keeps that memory's owner until the library image is gone.
  const void *MemoryAddress() const noexcept;
  void KeepMemoryAlive(std::shared_ptr<void> owner) noexcept { memoryOwner_ = std::move(owner); }

 private:
  TARN_LUX_ImageHandle handle_ = nullptr;
  std::shared_ptr<void> memoryOwner_;  // released after the handle
};

}  // namespace tarn::lux
