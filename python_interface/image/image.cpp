#include "image/image.h"

#include <cmath>
#include <cstring>

#include "library/error_mapping.h"

namespace tarn::lux {
namespace {

// A size from a scale factor: truncated toward zero; what does not fit an
// unsigned 64-bit size (negative, infinite, not a number, too large) is refused.
size_t scaled(size_t extent, double factor) {
  double value = static_cast<double>(extent) * factor;
  constexpr double kLimit = 18446744073709551616.0;  // 2^64
  if (!(value >= 0.0) || value >= kLimit)
    throw InvalidArgumentException("The scale factor gives a size that cannot be represented: " +
                                   std::to_string(value));
  return static_cast<size_t>(value);
}

}  // namespace

Image::Image() { check(TARN_LUX_Image_Construct(PixelFormatName_Invalid, 0, 0, &handle_)); }

Image &Image::operator=(Image &&other) noexcept {
  if (this != &other) {
    if (handle_) TARN_LUX_Image_Destruct(handle_);
    handle_ = other.handle_;
    other.handle_ = nullptr;
    memoryOwner_ = std::move(other.memoryOwner_);
  }
  return *this;
}

Image::~Image() {
  if (handle_) TARN_LUX_Image_Destruct(handle_);
}

Image Image::CreateFromSize(PixelFormatName name, size_t width, size_t height) {
  TARN_LUX_ImageHandle handle = nullptr;
  check(TARN_LUX_Image_Construct(name, width, height, &handle));
  return Image(handle);
}

Image Image::CreateFromSizeAndBuffer(PixelFormatName name, const void *buffer, size_t bufferSize, size_t width,
                                     size_t height) {
  TARN_LUX_ImageHandle handle = nullptr;
  check(TARN_LUX_Image_ConstructFromBuffer(name, buffer, bufferSize, width, height, &handle));
  return Image(handle);
}

size_t Image::Width() const { return query<size_t>(TARN_LUX_Image_Width, handle_); }
size_t Image::Height() const { return query<size_t>(TARN_LUX_Image_Height, handle_); }
Size2D Image::Size() const { return Size2D{Width(), Height()}; }
size_t Image::ByteCount() const { return query<size_t>(TARN_LUX_Image_ByteCount, handle_); }
PixelFormat Image::GetPixelFormat() const {
  return PixelFormat(static_cast<PixelFormatName>(query<TARN_LUX_PixelFormatName>(TARN_LUX_Image_PixelFormat, handle_)));
}
uint64_t Image::Timestamp() const { return query<uint64_t>(TARN_LUX_Image_Timestamp, handle_); }
uint8_t *Image::Data() const { return query<uint8_t *>(TARN_LUX_Image_Data, handle_); }

const void *Image::MemoryAddress() const noexcept {
  uint8_t *data = nullptr;
  return handle_ && TARN_LUX_Image_Data(handle_, &data) == TARN_LUX_RETURN_CODE_SUCCESS ? data : nullptr;
}

bool Image::Empty() const {
  return !handle_ || GetPixelFormat().GetPixelFormatName() == PixelFormatName_Invalid;
}

Image Image::Clone() const {
  TARN_LUX_ImageHandle handle = nullptr;
  check(TARN_LUX_Image_Clone(handle_, &handle));
  return Image(handle);
}

Image Image::ConvertTo(const PixelFormat &format, ConversionMode mode) const {
  TARN_LUX_ImageHandle handle = nullptr;
  check(TARN_LUX_Image_ConvertTo(handle_, format.GetPixelFormatName(), mode, &handle));
  return Image(handle);
}

Image Image::ConvertTo(const PixelFormat &format, uint8_t *buffer, size_t bufferSize, ConversionMode mode) const {
  TARN_LUX_ImageHandle handle = nullptr;
  check(TARN_LUX_Image_ConvertToBuffer(handle_, format.GetPixelFormatName(), buffer, bufferSize, mode, &handle));
  return Image(handle);
}

Image Image::Scale(const Size2D &size, InterpolationAlgorithm algorithm) const {
  TARN_LUX_Size2D target{size.width, size.height};
  TARN_LUX_ImageHandle handle = nullptr;
  check(TARN_LUX_Image_Scale(handle_, &target, algorithm, &handle));
  return Image(handle);
}

Image Image::Scale(const ScaleFactor &factor, InterpolationAlgorithm algorithm) const {
  size_t width = Width();
  size_t height = Height();
  return Scale(Size2D{scaled(width, factor.x), scaled(height, factor.y)}, algorithm);
}

void Image::ScaleInto(const Size2D &size, uint8_t *buffer, size_t bufferSize, InterpolationAlgorithm algorithm) const {
  TARN_LUX_Size2D target{size.width, size.height};
  check(TARN_LUX_Image_ScaleInto(handle_, &target, buffer, bufferSize, algorithm));
}

Image Image::Crop(const Point2D &position, const Size2D &size) const {
  TARN_LUX_Point2D at{position.x, position.y};
  TARN_LUX_Size2D extent{size.width, size.height};
  TARN_LUX_ImageHandle handle = nullptr;
  check(TARN_LUX_Image_Crop(handle_, &at, &extent, &handle));
  return Image(handle);
}

bool Image::operator==(const Image &other) const {
  if (other.ByteCount() != ByteCount()) return false;
  if (other.Width() != Width()) return false;
  if (other.Height() != Height()) return false;
  if (other.GetPixelFormat().GetPixelFormatName() != GetPixelFormat().GetPixelFormatName()) return false;
  if (other.Timestamp() != Timestamp()) return false;
  size_t bytes = ByteCount();
  const uint8_t *theirs = other.Data();
  const uint8_t *ours = Data();
  return bytes == 0 || std::memcmp(theirs, ours, bytes) == 0;
}

}  // namespace tarn::lux
