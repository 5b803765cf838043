#include "io/video_writer.h"

#include <utility>

#include "library/error_mapping.h"
#include "library/exceptions.h"

namespace tarn::lux {

VideoWriter::VideoWriter(VideoWriter &&other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)),
      encoder_(std::move(other.encoder_)),
      container_(std::move(other.container_)) {}

VideoWriter::~VideoWriter() {
  // Asked also for a null handle: the library answers "not open" then.
  TARN_LUX_BOOL open = 0;
  if (TARN_LUX_VideoWriter_IsOpen(handle_, &open) == TARN_LUX_RETURN_CODE_SUCCESS && open) {
    TARN_LUX_VideoWriter_Close(handle_);
    handle_ = nullptr;
  }
}

void VideoWriter::Open(const std::string &fileName, std::shared_ptr<container::IContainer> container,
                       std::shared_ptr<encoder::IEncoder> encoder) {
  if (!container || !encoder) throw InvalidArgumentException("The given pointer is a null pointer!");
  check(TARN_LUX_VideoWriter_Open(&handle_, fileName.c_str(), container->Id(), encoder->Id()));
  encoder_ = std::move(encoder);
  container_ = std::move(container);
  encoder_->handle = handle_;
  container_->handle = handle_;
}

void VideoWriter::Open(const std::string &fileName) {
  Open(fileName, std::make_shared<container::AVIContainer>(), std::make_shared<encoder::MJPEGEncoder>());
}

bool VideoWriter::IsOpen() const {
  TARN_LUX_BOOL open = 0;
  check(TARN_LUX_VideoWriter_IsOpen(handle_, &open));
  return open != 0;
}

void VideoWriter::Close() {
  check(TARN_LUX_VideoWriter_Close(handle_));
  handle_ = nullptr;
}

void VideoWriter::Append(const Image &image) {
  if (!encoder_) throw InvalidArgumentException("The open method must be called before append!");
  check(TARN_LUX_VideoWriter_Append(handle_, image.handle()));
}

VideoWriter &VideoWriter::operator<<(const Image &image) {
  Append(image);
  return *this;
}

uint64_t VideoWriter::NumFramesEncoded() const {
  return query<uint64_t>(TARN_LUX_VideoWriter_NumFramesEncoded, handle_);
}

uint64_t VideoWriter::NumFramesDropped() const {
  return query<uint64_t>(TARN_LUX_VideoWriter_NumFramesDropped, handle_);
}

uint64_t VideoWriter::FileSize() const { return query<uint64_t>(TARN_LUX_VideoWriter_FileSize, handle_); }

void VideoWriter::ResetFrameCounters() { check(TARN_LUX_VideoWriter_ResetFrameCounters(handle_)); }

void VideoWriter::SetQueueSize(int32_t queueSize) { check(TARN_LUX_VideoWriter_SetQueueSize(handle_, queueSize)); }

int32_t VideoWriter::QueueSize() const { return query<int32_t>(TARN_LUX_VideoWriter_QueueSize, handle_); }

Range<int32_t> VideoWriter::QueueSizeRange() const {
  int32_t min = 0, max = 0;
  check(TARN_LUX_VideoWriter_QueueSizeRange(handle_, &min, &max));
  return Range<int32_t>(min, max, 1);
}

int32_t VideoWriter::NumBuffersQueued() const {
  return query<int32_t>(TARN_LUX_VideoWriter_NumBuffersQueued, handle_);
}

void VideoWriter::WaitUntilFrameDone(int32_t timeout_ms) {
  check(TARN_LUX_VideoWriter_WaitUntilFrameDone(handle_, timeout_ms));
}

void VideoWriter::WaitUntilQueueEmpty(int32_t timeout_ms) {
  check(TARN_LUX_VideoWriter_WaitUntilQueueEmpty(handle_, timeout_ms));
}

}  // namespace tarn::lux
