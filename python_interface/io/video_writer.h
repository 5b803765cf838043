// The video writer: a thin owner of the library's video handle and of shared
// references to the encoder and container it was opened with.  Queueing and
// encoding happen inside the library; the writer has no thread or lock.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "image/geometry.h"
#include "image/image.h"
#include "io/codecs.h"
#include "orx_tarn_lux.h"

namespace tarn::lux {

class VideoWriter {
 public:
  VideoWriter() = default;
  // Takes the other writer's video, encoder and container; it is left empty.
  VideoWriter(VideoWriter &&other) noexcept;
  VideoWriter(const VideoWriter &) = delete;
  VideoWriter &operator=(const VideoWriter &) = delete;
  // Closes an open video; never throws.
  ~VideoWriter();

  // The file is created when the first image arrives.
  void Open(const std::string &fileName, std::shared_ptr<container::IContainer> container,
            std::shared_ptr<encoder::IEncoder> encoder);
  // With a new AVI container and MJPEG encoder.
  void Open(const std::string &fileName);
  bool IsOpen() const;
  void Close();

  void Append(const Image &image);
  VideoWriter &operator<<(const Image &image);

  std::shared_ptr<encoder::IEncoder> Encoder() const { return encoder_; }
  std::shared_ptr<container::IContainer> Container() const { return container_; }

  uint64_t NumFramesEncoded() const;
  uint64_t NumFramesDropped() const;
  uint64_t FileSize() const;
  void ResetFrameCounters();

  void SetQueueSize(int32_t queueSize);
  int32_t QueueSize() const;
  Range<int32_t> QueueSizeRange() const;
  int32_t NumBuffersQueued() const;

  void WaitUntilFrameDone(int32_t timeout_ms);
  void WaitUntilQueueEmpty(int32_t timeout_ms);

 private:
  TARN_LUX_VideoWriterHandle handle_ = nullptr;
  std::shared_ptr<encoder::IEncoder> encoder_;
  std::shared_ptr<container::IContainer> container_;
};

}  // namespace tarn::lux
