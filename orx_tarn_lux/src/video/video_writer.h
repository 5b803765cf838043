// The video writer behind TARN_LUX_VideoWriter_*: frames are copied into a
// bounded queue by Append and compressed and written by a worker thread of
// the writer's own, so a camera loop never waits for the encoder. Several
// workers compress frames side by side (one per processor unless told
// otherwise) and write them one after the other in the order of Append.
//
// Life of a writer:
// - Open only records the file name; the first Append fixes the frame size,
//   creates the file (so a bad path is reported right there) and starts the
//   worker.
// - Append refuses a frame the queue has no room for (BUSY) and counts it
//   as dropped. Every appended frame ends either in the file or in the
//   dropped count.
// - A failure of the worker (a full disk, a failed compression) ends the
//   recording: the frames still queued are counted as dropped, the next call
//   that would add to or wait on the video reports the failure with its code,
//   and from then on such calls answer that the writer failed earlier and
//   must be closed. Counters and settings can still be read.
// - Close drains the queue, writes the indexes and headers and releases the
//   handle; an open writer being destroyed does the same.
//
// Settings, all with their ranges:
// - queue size: 1 to 256 frames, default 8. Lowering it below the number of
//   frames waiting keeps those frames; new ones are refused until there is
//   room.
// - encoder quality (uint32_t, option 0): 1 to 100, default 90; it applies to
//   frames compressed from then on.
// - frame rate (double, option 0 of the container): 0.001 to 1000 frames per
//   second in steps of 0.001, default 25; the value at Close goes into the
//   file.
// Option ranges are reported as three doubles: minimum, maximum, increment.
//
// Waits take a time-out in milliseconds; a negative one waits without limit.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "core/error.h"
#include "core/handles.h"
#include "core/image.h"
#include "orx_tarn_lux.h"

namespace orx::video {

class AviFile;

constexpr int32_t kMinimumQueueSize = 1;
constexpr int32_t kMaximumQueueSize = 256;
constexpr int32_t kDefaultQueueSize = 8;

constexpr double kMinimumFrameRate = 0.001;
constexpr double kMaximumFrameRate = 1000.0;
constexpr double kFrameRateStep = 0.001;
constexpr double kDefaultFrameRate = 25.0;

// Identifiers and option numbers: INVALID_ARGUMENT for unknown ones.
void checkEncoderId(TARN_LUX_VIDEO_ENCODER encoder);
void checkContainerId(TARN_LUX_VIDEO_CONTAINER container);
void checkEncoderOption(TARN_LUX_VIDEO_ENCODER_OPTION option);
void checkContainerOption(TARN_LUX_VIDEO_CONTAINER_OPTION option);
// Throws unless `container` with `encoder` can be written: as above for
// unknown identifiers, NOT_SUPPORTED for known ones that cannot go together.
void checkCombination(TARN_LUX_VIDEO_CONTAINER container, TARN_LUX_VIDEO_ENCODER encoder);

class VideoWriter {
public:
    // `segmentLimit`: bytes per RIFF segment of the file (see avi_file.h);
    // `workerCount`: threads that compress frames (at least one).
    VideoWriter(std::string fileName, uint64_t segmentLimit, size_t workerCount);
    // Closes the video if Close did not; failures are dropped here.
    ~VideoWriter();

    bool isOpen() const;
    void append(const Image& image);
    // Drains the queue and completes the file; reports a failure of the
    // worker that no call has reported yet.
    void close();

    uint64_t framesEncoded() const;
    uint64_t framesDropped() const;
    uint64_t fileSize() const;
    void resetFrameCounters();

    void setQueueSize(int32_t size);
    int32_t queueSize() const;
    int32_t buffersQueued() const;

    void waitUntilFrameDone(int32_t timeoutMs);
    void waitUntilQueueEmpty(int32_t timeoutMs);

    void setEncoderOption(TARN_LUX_VIDEO_ENCODER_OPTION option, const void* value, size_t byteCount);
    void encoderOption(TARN_LUX_VIDEO_ENCODER_OPTION option, void* value, size_t byteCount, size_t* written) const;
    void setContainerOption(TARN_LUX_VIDEO_CONTAINER_OPTION option, const void* value, size_t byteCount);
    void containerOption(TARN_LUX_VIDEO_CONTAINER_OPTION option, void* value, size_t byteCount,
                         size_t* written) const;

private:
    struct FrameBuffer {
        std::unique_ptr<uint8_t[]> bytes;
        size_t capacity = 0;
    };
    // A queued frame: the copy and the memory it lies in.
    struct Queued {
        Image image;
        FrameBuffer buffer;
    };

    void work();
    // Under lock_: a spare buffer of at least `bytes`, or an empty one.
    FrameBuffer takeSpare(size_t bytes);
    void startFile(const Image& first);
    // Under lock_: throws the worker's failure, or that the video is closed.
    void checkUsable(std::unique_lock<std::mutex>& lock);
    template <typename Done>
    void waitFor(std::unique_lock<std::mutex>& lock, int32_t timeoutMs, Done done, const char* what);
    void finishFile();
    // Reads, checks and stores a setting passed by address (NaN is refused).
    template <typename T>
    void setOption(std::atomic<T>& setting, const void* value, size_t byteCount, const char* name,
                   const char* typeName, T minimum, T maximum);

    const std::string fileName_;
    const uint64_t segmentLimit_;
    const size_t workerCount_;

    mutable std::mutex lock_;
    std::condition_variable workArrived_;
    std::condition_variable workDone_;
    std::condition_variable turnArrived_;
    std::deque<Queued> queue_;
    // Buffers of written frames, for the next ones; at most as many as
    // frames can be queued and in work at once.
    std::vector<FrameBuffer> spares_;
    int32_t queueLimit_ = kDefaultQueueSize;
    int32_t slotsBeingFilled_ = 0;
    size_t framesInWork_ = 0;  // taken from the queue, not yet finished
    uint64_t nextToTake_ = 0;  // sequence numbers keep the order of Append
    uint64_t nextToWrite_ = 0;
    bool closing_ = false;
    bool closed_ = false;
    std::optional<Error> failure_;
    bool failureReported_ = false;
    uint64_t framesFinished_ = 0;  // never reset: what waits count on
    uint64_t framesEncoded_ = 0;
    uint64_t framesDropped_ = 0;
    size_t width_ = 0;
    size_t height_ = 0;

    std::atomic<uint32_t> quality_;
    std::atomic<double> frameRate_;
    std::atomic<uint64_t> fileSize_{0};
    std::unique_ptr<AviFile> file_;  // written by the worker whose turn it is
    std::vector<std::thread> workers_;
};

}  // namespace orx::video

ORX_BIND_HANDLE(TARN_LUX_VideoWriterHandle, orx::video::VideoWriter);
