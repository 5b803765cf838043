// Video encoders and containers.  They hold no library object of their own:
// once a video writer is opened with them they carry its handle, so their
// option calls act on that video.
#pragma once

#include <cstdint>

#include "orx_tarn_lux.h"

namespace tarn::lux {
namespace encoder {

class IEncoder {
 public:
  virtual ~IEncoder() = default;
  virtual TARN_LUX_VIDEO_ENCODER Id() const = 0;
  TARN_LUX_VideoWriterHandle handle = nullptr;
};

class MJPEGEncoder : public IEncoder {
 public:
  TARN_LUX_VIDEO_ENCODER Id() const override { return TARN_LUX_VIDEO_ENCODER_MJPEG; }
};

}  // namespace encoder

namespace container {

class IContainer {
 public:
  virtual ~IContainer() = default;
  virtual TARN_LUX_VIDEO_CONTAINER Id() const = 0;
  TARN_LUX_VideoWriterHandle handle = nullptr;
};

class AVIContainer : public IContainer {
 public:
  TARN_LUX_VIDEO_CONTAINER Id() const override { return TARN_LUX_VIDEO_CONTAINER_AVI; }
};

}  // namespace container
}  // namespace tarn::lux
