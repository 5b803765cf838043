// Video writing: the writer's life cycle, its queue and counters, the options
// of its encoder and container, and what each encoder and container supports.
#include <algorithm>
#include <cstring>
#include <thread>

#include "core/api.h"
#include "core/environment.h"
#include "video/avi_file.h"
#include "video/mjpeg_encoder.h"
#include "video/video_writer.h"

using namespace orx;

namespace {

// TARN_LUX_VIDEO_SEGMENT_BYTES lowers the size of the file's RIFF segments,
// so tests can cross into the extended layout without writing gigabytes.
uint64_t segmentLimit() {
    return environmentNumber("TARN_LUX_VIDEO_SEGMENT_BYTES", video::kDefaultSegmentLimit)
        .value_or(video::kDefaultSegmentLimit);
}

// TARN_LUX_VIDEO_ENCODERS sets how many threads compress the frames of each
// video; one per processor otherwise.
size_t encoderThreads() {
    constexpr size_t kMostThreads = 64;
    const size_t processors = std::max(1u, std::thread::hardware_concurrency());
    return environmentNumber("TARN_LUX_VIDEO_ENCODERS", kMostThreads).value_or(std::min(processors, kMostThreads));
}

template <typename T>
void writeRange(void* minimum, void* maximum, void* increment, T low, T high, T step) {
    // All three are checked before anything is written; the addresses need
    // no alignment (the values are copied as bytes).
    if (minimum == nullptr) check::nullPointer("minimum");
    if (maximum == nullptr) check::nullPointer("maximum");
    if (increment == nullptr) check::nullPointer("increment");
    std::memcpy(minimum, &low, sizeof low);
    std::memcpy(maximum, &high, sizeof high);
    std::memcpy(increment, &step, sizeof step);
}

}  // namespace

extern "C" {

TARN_LUX_RETURN_CODE TARN_LUX_VideoWriter_Open(TARN_LUX_VideoWriterHandle* writer, const char* fileName,
                                               TARN_LUX_VIDEO_CONTAINER container, TARN_LUX_VIDEO_ENCODER encoder) {
    return api::guard(__func__, [&] {
        TARN_LUX_VideoWriterHandle& result = check::out(writer, "writer");
        const char& name = check::in(fileName, "fileName");
        video::checkCombination(container, encoder);
        api::publish(result, &name, segmentLimit(), encoderThreads());
    });
}

// A null handle is a writer that was never opened (or was closed by its
// owner, who forgot the handle): not open, and no error.
TARN_LUX_RETURN_CODE TARN_LUX_VideoWriter_IsOpen(TARN_LUX_VideoWriterHandle writer, TARN_LUX_BOOL* isOpen) {
    return api::guard(__func__, [&] {
        TARN_LUX_BOOL& result = check::out(isOpen, "isOpen");
        result = writer != nullptr && api::use(writer)->isOpen();
    });
}

TARN_LUX_RETURN_CODE TARN_LUX_VideoWriter_Close(TARN_LUX_VideoWriterHandle writer) {
    return api::guard(__func__, [&] {
        auto video = api::use(writer);
        // The handle is released also when finishing the file failed.
        try {
            video->close();
        } catch (...) {
            api::destruct(writer);
            throw;
        }
        api::destruct(writer);
    });
}

TARN_LUX_RETURN_CODE TARN_LUX_VideoWriter_Append(TARN_LUX_VideoWriterHandle writer, TARN_LUX_ImageHandle image) {
    return api::guard(__func__, [&] {
        auto video = api::use(writer);
        video->append(*api::use(image));
    });
}

TARN_LUX_RETURN_CODE TARN_LUX_VideoWriter_NumFramesEncoded(TARN_LUX_VideoWriterHandle writer, uint64_t* count) {
    return api::guard(__func__, [&] { check::out(count, "count") = api::use(writer)->framesEncoded(); });
}

TARN_LUX_RETURN_CODE TARN_LUX_VideoWriter_NumFramesDropped(TARN_LUX_VideoWriterHandle writer, uint64_t* count) {
    return api::guard(__func__, [&] { check::out(count, "count") = api::use(writer)->framesDropped(); });
}

TARN_LUX_RETURN_CODE TARN_LUX_VideoWriter_FileSize(TARN_LUX_VideoWriterHandle writer, uint64_t* byteCount) {
    return api::guard(__func__, [&] { check::out(byteCount, "byteCount") = api::use(writer)->fileSize(); });
}

TARN_LUX_RETURN_CODE TARN_LUX_VideoWriter_ResetFrameCounters(TARN_LUX_VideoWriterHandle writer) {
    return api::guard(__func__, [&] { api::use(writer)->resetFrameCounters(); });
}

TARN_LUX_RETURN_CODE TARN_LUX_VideoWriter_SetQueueSize(TARN_LUX_VideoWriterHandle writer, int32_t queueSize) {
    return api::guard(__func__, [&] { api::use(writer)->setQueueSize(queueSize); });
}

TARN_LUX_RETURN_CODE TARN_LUX_VideoWriter_QueueSize(TARN_LUX_VideoWriterHandle writer, int32_t* queueSize) {
    return api::guard(__func__, [&] { check::out(queueSize, "queueSize") = api::use(writer)->queueSize(); });
}

TARN_LUX_RETURN_CODE TARN_LUX_VideoWriter_QueueSizeRange(TARN_LUX_VideoWriterHandle writer, int32_t* minimum,
                                                         int32_t* maximum) {
    return api::guard(__func__, [&] {
        int32_t& min = check::out(minimum, "minimum");
        int32_t& max = check::out(maximum, "maximum");
        api::use(writer);
        min = video::kMinimumQueueSize;
        max = video::kMaximumQueueSize;
    });
}

TARN_LUX_RETURN_CODE TARN_LUX_VideoWriter_NumBuffersQueued(TARN_LUX_VideoWriterHandle writer, int32_t* count) {
    return api::guard(__func__, [&] { check::out(count, "count") = api::use(writer)->buffersQueued(); });
}

TARN_LUX_RETURN_CODE TARN_LUX_VideoWriter_WaitUntilFrameDone(TARN_LUX_VideoWriterHandle writer, int32_t timeoutMs) {
    return api::guard(__func__, [&] { api::use(writer)->waitUntilFrameDone(timeoutMs); });
}

TARN_LUX_RETURN_CODE TARN_LUX_VideoWriter_WaitUntilQueueEmpty(TARN_LUX_VideoWriterHandle writer, int32_t timeoutMs) {
    return api::guard(__func__, [&] { api::use(writer)->waitUntilQueueEmpty(timeoutMs); });
}

TARN_LUX_RETURN_CODE TARN_LUX_IEncoder_SetOption(TARN_LUX_VideoWriterHandle writer, TARN_LUX_VIDEO_ENCODER_OPTION option,
                                                 const void* value, size_t byteCount) {
    return api::guard(__func__, [&] { api::use(writer)->setEncoderOption(option, value, byteCount); });
}

TARN_LUX_RETURN_CODE TARN_LUX_IEncoder_GetOption(TARN_LUX_VideoWriterHandle writer, TARN_LUX_VIDEO_ENCODER_OPTION option,
                                                 void* value, size_t byteCount, size_t* writtenByteCount) {
    return api::guard(__func__, [&] { api::use(writer)->encoderOption(option, value, byteCount, writtenByteCount); });
}

TARN_LUX_RETURN_CODE TARN_LUX_IEncoder_OptionRange(TARN_LUX_VideoWriterHandle writer,
                                                   TARN_LUX_VIDEO_ENCODER_OPTION option, void* minimum, void* maximum,
                                                   void* increment) {
    return api::guard(__func__, [&] {
        api::use(writer);
        video::checkEncoderOption(option);
        writeRange<double>(minimum, maximum, increment, video::kMinimumQuality, video::kMaximumQuality, 1.0);
    });
}

TARN_LUX_RETURN_CODE TARN_LUX_IContainer_SetOption(TARN_LUX_VideoWriterHandle writer,
                                                   TARN_LUX_VIDEO_CONTAINER_OPTION option, const void* value,
                                                   size_t byteCount) {
    return api::guard(__func__, [&] { api::use(writer)->setContainerOption(option, value, byteCount); });
}

TARN_LUX_RETURN_CODE TARN_LUX_IContainer_GetOption(TARN_LUX_VideoWriterHandle writer,
                                                   TARN_LUX_VIDEO_CONTAINER_OPTION option, void* value,
                                                   size_t byteCount, size_t* writtenByteCount) {
    return api::guard(__func__,
                      [&] { api::use(writer)->containerOption(option, value, byteCount, writtenByteCount); });
}

TARN_LUX_RETURN_CODE TARN_LUX_IContainer_OptionRange(TARN_LUX_VideoWriterHandle writer,
                                                     TARN_LUX_VIDEO_CONTAINER_OPTION option, void* minimum,
                                                     void* maximum, void* increment) {
    return api::guard(__func__, [&] {
        api::use(writer);
        video::checkContainerOption(option);
        writeRange<double>(minimum, maximum, increment, video::kMinimumFrameRate, video::kMaximumFrameRate,
                           video::kFrameRateStep);
    });
}

TARN_LUX_RETURN_CODE TARN_LUX_GetSupportedEncodersForAContainer(TARN_LUX_VIDEO_CONTAINER container,
                                                                TARN_LUX_VIDEO_ENCODER* encoders, size_t* count) {
    return api::guard(__func__, [&] {
        video::checkContainerId(container);
        static const TARN_LUX_VIDEO_ENCODER supported[] = {TARN_LUX_VIDEO_ENCODER_MJPEG};
        api::answerList(supported, std::size(supported), encoders, count);
    });
}

TARN_LUX_RETURN_CODE TARN_LUX_GetSupportedContainersForAnEncoder(TARN_LUX_VIDEO_ENCODER encoder,
                                                                 TARN_LUX_VIDEO_CONTAINER* containers, size_t* count) {
    return api::guard(__func__, [&] {
        video::checkEncoderId(encoder);
        static const TARN_LUX_VIDEO_CONTAINER supported[] = {TARN_LUX_VIDEO_CONTAINER_AVI};
        api::answerList(supported, encoder == TARN_LUX_VIDEO_ENCODER_MJPEG ? std::size(supported) : 0, containers,
                        count);
    });
}

TARN_LUX_RETURN_CODE TARN_LUX_GetSupportedPixelFormats(TARN_LUX_VIDEO_ENCODER encoder, TARN_LUX_PixelFormatName* names,
                                                       size_t* count) {
    return api::guard(__func__, [&] {
        video::checkEncoderId(encoder);
        const auto& formats = video::mjpegPixelFormats();
        api::answerList(formats.data(), encoder == TARN_LUX_VIDEO_ENCODER_MJPEG ? formats.size() : 0, names, count);
    });
}

}  // extern "C"
