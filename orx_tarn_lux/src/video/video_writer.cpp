#include "video/video_writer.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "core/check.h"
#include "video/avi_file.h"
#include "video/mjpeg_encoder.h"

namespace orx::video {
namespace {

// The largest side a JPEG frame can have.
constexpr size_t kMaximumSide = 65535;

const char* const kQualityName = "quality";
const char* const kFrameRateName = "frame rate";

// Checks common to every option setter and getter. `known`: whether the
// option number names the one option of this encoder or container.
void checkOption(bool known, const char* owner, unsigned option, const char* name) {
    if (!known) {
        fail(TARN_LUX_RETURN_CODE_INVALID_ARGUMENT, owner, " option ", option, " does not exist; option 0 is the ",
             name);
    }
}

template <typename T>
T readOption(const void* value, size_t byteCount, const char* name, const char* typeName) {
    if (byteCount != sizeof(T)) {
        fail(TARN_LUX_RETURN_CODE_INVALID_ARGUMENT, "the ", name, " takes ", sizeof(T), " bytes (a ", typeName,
             "), not ", byteCount);
    }
    T read;
    std::memcpy(&read, &check::in(static_cast<const uint8_t*>(value), "value"), sizeof read);
    return read;
}

template <typename T>
void writeOption(T option, void* value, size_t byteCount, size_t* written) {
    check::buffer(value, byteCount, sizeof option, "value");
    std::memcpy(value, &option, sizeof option);
    if (written != nullptr) *written = sizeof option;
}

}  // namespace

void checkEncoderId(TARN_LUX_VIDEO_ENCODER encoder) {
    if (encoder != TARN_LUX_VIDEO_ENCODER_RAW && encoder != TARN_LUX_VIDEO_ENCODER_MJPEG) {
        fail(TARN_LUX_RETURN_CODE_INVALID_ARGUMENT, "encoder ", encoder, " is not known; ",
             TARN_LUX_VIDEO_ENCODER_RAW, " is raw, ", TARN_LUX_VIDEO_ENCODER_MJPEG, " is MJPEG");
    }
}

void checkContainerId(TARN_LUX_VIDEO_CONTAINER container) {
    if (container != TARN_LUX_VIDEO_CONTAINER_AVI) {
        fail(TARN_LUX_RETURN_CODE_INVALID_ARGUMENT, "container ", container, " is not known; ",
             TARN_LUX_VIDEO_CONTAINER_AVI, " is AVI");
    }
}

void checkCombination(TARN_LUX_VIDEO_CONTAINER container, TARN_LUX_VIDEO_ENCODER encoder) {
    checkContainerId(container);
    checkEncoderId(encoder);
    if (encoder == TARN_LUX_VIDEO_ENCODER_RAW) {
        fail(TARN_LUX_RETURN_CODE_NOT_SUPPORTED, "the AVI container takes MJPEG frames (encoder ",
             TARN_LUX_VIDEO_ENCODER_MJPEG, ") only, not raw ones (encoder ", TARN_LUX_VIDEO_ENCODER_RAW, ")");
    }
}

void checkEncoderOption(TARN_LUX_VIDEO_ENCODER_OPTION option) {
    checkOption(option == TARN_LUX_VIDEO_ENCODER_OPTION_QUALITY, "encoder", option, kQualityName);
}

void checkContainerOption(TARN_LUX_VIDEO_CONTAINER_OPTION option) {
    checkOption(option == TARN_LUX_VIDEO_CONTAINER_OPTION_FRAMERATE, "container", option, kFrameRateName);
}

VideoWriter::VideoWriter(std::string fileName, uint64_t segmentLimit, size_t workerCount)
    : fileName_(std::move(fileName)),
      segmentLimit_(segmentLimit),
      workerCount_(std::max<size_t>(workerCount, 1)),
      quality_(kDefaultQuality),
      frameRate_(kDefaultFrameRate) {
    if (fileName_.empty()) fail(TARN_LUX_RETURN_CODE_INVALID_ARGUMENT, "the file name is empty");
}

VideoWriter::~VideoWriter() {
    try {
        close();
    } catch (...) {
        // Nobody is left to tell; the file holds what could be written.
    }
}

bool VideoWriter::isOpen() const {
    std::lock_guard<std::mutex> hold(lock_);
    return !closing_;
}

void VideoWriter::checkUsable(std::unique_lock<std::mutex>&) {
    if (closing_) fail(TARN_LUX_RETURN_CODE_INVALID_HANDLE, "the video writer is closed");
    if (!failure_) return;
    if (!std::exchange(failureReported_, true)) {
        fail(failure_->code(), "writing the video failed: ", failure_->what());
    }
    fail(failure_->code(), "the video writer failed earlier (", failure_->what(), ") and must be closed");
}

void VideoWriter::startFile(const Image& first) {
    if (first.width() > kMaximumSide || first.height() > kMaximumSide) {
        fail(TARN_LUX_RETURN_CODE_INVALID_ARGUMENT, "frames of ", first.width(), " x ", first.height(),
             " pixels are too large for MJPEG; each side can be at most ", kMaximumSide);
    }
    file_ = std::make_unique<AviFile>(fileName_, uint32_t(first.width()), uint32_t(first.height()), segmentLimit_);
    width_ = first.width();
    height_ = first.height();
    for (size_t index = 0; index < workerCount_; ++index) workers_.emplace_back([this] { work(); });
}

void VideoWriter::append(const Image& image) {
    if (!isMjpegPixelFormat(image.format())) check::unsupportedFormat(image.format(), "the MJPEG encoder");
    std::unique_lock<std::mutex> lock(lock_);
    if (closing_ || failure_) {
        ++framesDropped_;
        checkUsable(lock);
    }
    if (file_ == nullptr) {
        startFile(image);
    } else if (image.width() != width_ || image.height() != height_) {
        fail(TARN_LUX_RETURN_CODE_INVALID_ARGUMENT, "the frame has ", image.width(), " x ", image.height(),
             " pixels, but the video's frames have ", width_, " x ", height_);
    }
    if (int64_t(queue_.size()) + slotsBeingFilled_ >= queueLimit_) {
        ++framesDropped_;
        fail(TARN_LUX_RETURN_CODE_BUSY, "the queue is full (", queueLimit_, " frames); the frame was dropped");
    }
    // The copy is made outside the lock, so the workers and other callers
    // carry on meanwhile; the slot is held for it. Buffers of earlier frames
    // are reused: fresh memory for every frame costs more than the copy.
    ++slotsBeingFilled_;
    FrameBuffer buffer = takeSpare(image.byteCount());
    lock.unlock();
    std::optional<Image> copy;
    try {
        if (buffer.capacity < image.byteCount()) {
            buffer.bytes.reset(new uint8_t[image.byteCount()]);
            buffer.capacity = image.byteCount();
        }
        std::memcpy(buffer.bytes.get(), image.data(), image.byteCount());
        copy.emplace(Image::overMemory(image.format(), image.width(), image.height(), buffer.bytes.get(),
                                       buffer.capacity));
        copy->setTimestamp(image.timestamp());
    } catch (...) {
        lock.lock();
        --slotsBeingFilled_;
        ++framesDropped_;
        workArrived_.notify_all();
        throw;
    }
    lock.lock();
    --slotsBeingFilled_;
    queue_.push_back({std::move(*copy), std::move(buffer)});
    workArrived_.notify_all();
}

VideoWriter::FrameBuffer VideoWriter::takeSpare(size_t bytes) {
    for (auto spare = spares_.begin(); spare != spares_.end(); ++spare) {
        if (spare->capacity >= bytes) {
            FrameBuffer taken = std::move(*spare);
            spares_.erase(spare);
            return taken;
        }
    }
    return {};
}

void VideoWriter::work() {
    MjpegEncoder encoder;
    std::unique_lock<std::mutex> lock(lock_);
    for (;;) {
        // A frame still being copied in by Append belongs to the video too.
        workArrived_.wait(lock, [&] { return !queue_.empty() || (closing_ && slotsBeingFilled_ == 0); });
        if (queue_.empty()) return;
        if (failure_) {
            framesDropped_ += queue_.size();
            queue_.clear();
            workDone_.notify_all();
            continue;
        }
        Queued frame = std::move(queue_.front());
        queue_.pop_front();
        const uint64_t sequence = nextToTake_++;
        ++framesInWork_;
        lock.unlock();

        // Workers compress side by side and write one after the other, in
        // the order Append queued the frames.
        std::optional<Error> failed;
        MjpegEncoder::Frame jpeg{};
        const auto attempt = [&](auto step) {
            try {
                step();
            } catch (const Error& error) {
                failed = error;
            } catch (const std::exception& error) {
                failed = Error(TARN_LUX_RETURN_CODE_ERROR, error.what());
            }
        };
        attempt([&] { jpeg = encoder.encode(frame.image, quality_.load(std::memory_order_relaxed)); });
        frame.image = Image();
        lock.lock();
        // Kept only while the queue could fill up to its limit again.
        if (spares_.size() + queue_.size() + framesInWork_ <= size_t(queueLimit_) + workerCount_) {
            spares_.push_back(std::move(frame.buffer));
        }
        turnArrived_.wait(lock, [&] { return nextToWrite_ == sequence; });
        if (!failed && !failure_) {
            lock.unlock();
            attempt([&] { file_->appendFrame(jpeg.data, jpeg.size, frameRate_.load(std::memory_order_relaxed)); });
            fileSize_.store(file_->byteCount(), std::memory_order_relaxed);
            lock.lock();
        }
        ++nextToWrite_;
        --framesInWork_;
        ++framesFinished_;
        if (failed && !failure_) failure_ = std::move(failed);
        if (failure_) {
            // This frame, and everything queued behind it, will not be written.
            framesDropped_ += 1 + queue_.size();
            queue_.clear();
        } else {
            ++framesEncoded_;
        }
        turnArrived_.notify_all();
        workDone_.notify_all();
    }
}

void VideoWriter::finishFile() {
    try {
        file_->finish(frameRate_.load(std::memory_order_relaxed));
    } catch (const Error& error) {
        std::lock_guard<std::mutex> hold(lock_);
        if (!failure_) failure_ = error;
    }
    fileSize_.store(file_->byteCount(), std::memory_order_relaxed);
}

void VideoWriter::close() {
    {
        std::lock_guard<std::mutex> hold(lock_);
        if (closing_) return;
        closing_ = true;
    }
    workArrived_.notify_all();
    for (std::thread& worker : workers_) worker.join();
    if (file_ != nullptr) finishFile();
    std::lock_guard<std::mutex> hold(lock_);
    closed_ = true;
    workDone_.notify_all();
    if (failure_ && !std::exchange(failureReported_, true)) {
        fail(failure_->code(), "writing the video failed: ", failure_->what());
    }
}

uint64_t VideoWriter::framesEncoded() const {
    std::lock_guard<std::mutex> hold(lock_);
    return framesEncoded_;
}

uint64_t VideoWriter::framesDropped() const {
    std::lock_guard<std::mutex> hold(lock_);
    return framesDropped_;
}

uint64_t VideoWriter::fileSize() const { return fileSize_.load(std::memory_order_relaxed); }

void VideoWriter::resetFrameCounters() {
    std::lock_guard<std::mutex> hold(lock_);
    framesEncoded_ = 0;
    framesDropped_ = 0;
}

void VideoWriter::setQueueSize(int32_t size) {
    check::range(size, kMinimumQueueSize, kMaximumQueueSize, "queueSize");
    std::unique_lock<std::mutex> lock(lock_);
    checkUsable(lock);
    queueLimit_ = size;
}

int32_t VideoWriter::queueSize() const {
    std::lock_guard<std::mutex> hold(lock_);
    return queueLimit_;
}

int32_t VideoWriter::buffersQueued() const {
    std::lock_guard<std::mutex> hold(lock_);
    return int32_t(queue_.size()) + slotsBeingFilled_;
}

template <typename Done>
void VideoWriter::waitFor(std::unique_lock<std::mutex>& lock, int32_t timeoutMs, Done done, const char* what) {
    const auto stop = [&] { return done() || failure_ || closing_; };
    if (timeoutMs < 0) {
        workDone_.wait(lock, stop);
    } else if (!workDone_.wait_for(lock, std::chrono::milliseconds(timeoutMs), stop)) {
        fail(TARN_LUX_RETURN_CODE_TIMEOUT, what, " within ", timeoutMs, " ms (", queue_.size() + framesInWork_,
             " frames still to write)");
    }
    checkUsable(lock);
}

void VideoWriter::waitUntilFrameDone(int32_t timeoutMs) {
    std::unique_lock<std::mutex> lock(lock_);
    checkUsable(lock);
    const bool idle = queue_.empty() && framesInWork_ == 0 && slotsBeingFilled_ == 0;
    const uint64_t target = framesFinished_ + 1;
    waitFor(lock, timeoutMs, [&] { return idle || framesFinished_ >= target; }, "no frame was finished");
}

void VideoWriter::waitUntilQueueEmpty(int32_t timeoutMs) {
    std::unique_lock<std::mutex> lock(lock_);
    checkUsable(lock);
    waitFor(lock, timeoutMs, [&] { return queue_.empty() && framesInWork_ == 0 && slotsBeingFilled_ == 0; },
            "the queue did not empty");
}

template <typename T>
void VideoWriter::setOption(std::atomic<T>& setting, const void* value, size_t byteCount, const char* name,
                            const char* typeName, T minimum, T maximum) {
    const auto chosen = readOption<T>(value, byteCount, name, typeName);
    if (chosen != chosen) fail(TARN_LUX_RETURN_CODE_OUT_OF_RANGE, "the ", name, " is not a number");
    check::range(chosen, minimum, maximum, name);
    std::unique_lock<std::mutex> lock(lock_);
    checkUsable(lock);
    setting.store(chosen, std::memory_order_relaxed);
}

void VideoWriter::setEncoderOption(TARN_LUX_VIDEO_ENCODER_OPTION option, const void* value, size_t byteCount) {
    checkEncoderOption(option);
    setOption(quality_, value, byteCount, kQualityName, "uint32_t", kMinimumQuality, kMaximumQuality);
}

void VideoWriter::encoderOption(TARN_LUX_VIDEO_ENCODER_OPTION option, void* value, size_t byteCount,
                                size_t* written) const {
    checkEncoderOption(option);
    writeOption(quality_.load(std::memory_order_relaxed), value, byteCount, written);
}

void VideoWriter::setContainerOption(TARN_LUX_VIDEO_CONTAINER_OPTION option, const void* value, size_t byteCount) {
    checkContainerOption(option);
    setOption(frameRate_, value, byteCount, kFrameRateName, "double", kMinimumFrameRate, kMaximumFrameRate);
}

void VideoWriter::containerOption(TARN_LUX_VIDEO_CONTAINER_OPTION option, void* value, size_t byteCount,
                                  size_t* written) const {
    checkContainerOption(option);
    writeOption(frameRate_.load(std::memory_order_relaxed), value, byteCount, written);
}

}  // namespace orx::video
