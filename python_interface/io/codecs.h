// Video encoders and containers.  They hold no library object of their own:
// once a video writer is opened with them they carry its handle, so their
// option calls act on that video.  They are always held by shared pointers;
// the writer keeps its own references.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "image/geometry.h"
#include "image/pixel_format.h"
#include "orx_tarn_lux.h"

namespace tarn::lux {
namespace encoder {

class IEncoder {
 public:
  virtual ~IEncoder() = default;
  virtual TARN_LUX_VIDEO_ENCODER Id() const = 0;

  // Option values travel as raw bytes whose layout the option fixes.
  void SetOption(TARN_LUX_VIDEO_ENCODER_OPTION option, const void *value, size_t count);
  void GetOption(TARN_LUX_VIDEO_ENCODER_OPTION option, void *value, size_t count, size_t *outCount);
  void OptionRange(TARN_LUX_VIDEO_ENCODER_OPTION option, void *min, void *max, void *inc);

  TARN_LUX_VideoWriterHandle handle = nullptr;
};

class MJPEGEncoder : public IEncoder {
 public:
  TARN_LUX_VIDEO_ENCODER Id() const override { return TARN_LUX_VIDEO_ENCODER_MJPEG; }

  void SetQuality(uint32_t quality);
  uint32_t GetQuality();
  Range<double> QualityRange();
};

}  // namespace encoder

namespace container {

class IContainer {
 public:
  virtual ~IContainer() = default;
  virtual TARN_LUX_VIDEO_CONTAINER Id() const = 0;

  void SetOption(TARN_LUX_VIDEO_CONTAINER_OPTION option, const void *value, size_t count);
  void GetOption(TARN_LUX_VIDEO_CONTAINER_OPTION option, void *value, size_t count, size_t *outCount);
  void OptionRange(TARN_LUX_VIDEO_CONTAINER_OPTION option, void *min, void *max, void *inc);

  TARN_LUX_VideoWriterHandle handle = nullptr;
};

class AVIContainer : public IContainer {
 public:
  TARN_LUX_VIDEO_CONTAINER Id() const override { return TARN_LUX_VIDEO_CONTAINER_AVI; }

  void SetFramerate(double fps);
  double GetFramerate();
};

}  // namespace container

std::shared_ptr<encoder::IEncoder> CreateEncoder(TARN_LUX_VIDEO_ENCODER encoder);
std::shared_ptr<container::IContainer> CreateContainer(TARN_LUX_VIDEO_CONTAINER container);

std::vector<unsigned short> GetSupportedEncodersForAContainer(TARN_LUX_VIDEO_CONTAINER container);
std::vector<unsigned short> GetSupportedContainersForAnEncoder(TARN_LUX_VIDEO_ENCODER encoder);
std::vector<PixelFormatName> GetSupportedPixelFormats(TARN_LUX_VIDEO_ENCODER encoder);

// The move constructions of new_MJPEGEncoder and new_AVIContainer: a new
// shared object that takes over the state of `from`'s object.
template <class T>
std::shared_ptr<T> *takeOver(std::shared_ptr<T> &&from) {
  return new std::shared_ptr<T>(std::make_shared<T>(std::move(*from)));
}

}  // namespace tarn::lux
