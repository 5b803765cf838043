// Operations whose implementation has not landed yet. Each answers
// TARN_LUX_RETURN_CODE_NOT_SUPPORTED with a description naming it, so the
// interface is complete from the start. Whoever implements one deletes its
// line here and defines it in their own file; the compiler checks every line
// below against the declaration in orx_tarn_lux.h.
#include "core/api.h"

namespace {

orx::ReturnCode notAvailable(const char* operation) {
    return orx::api::guard(operation, [] {
        orx::fail(TARN_LUX_RETURN_CODE_NOT_SUPPORTED, "this operation is not available in this version of the library");
    });
}

}  // namespace

#define ORX_PENDING(NAME, ...) \
    extern "C" TARN_LUX_RETURN_CODE NAME(__VA_ARGS__) { return notAvailable(#NAME); }

// clang-format off
ORX_PENDING(TARN_LUX_IEncoder_SetOption, TARN_LUX_VideoWriterHandle, TARN_LUX_VIDEO_ENCODER_OPTION, const void*, size_t)
ORX_PENDING(TARN_LUX_IEncoder_GetOption, TARN_LUX_VideoWriterHandle, TARN_LUX_VIDEO_ENCODER_OPTION, void*, size_t, size_t*)
ORX_PENDING(TARN_LUX_IEncoder_OptionRange, TARN_LUX_VideoWriterHandle, TARN_LUX_VIDEO_ENCODER_OPTION, void*, void*, void*)
ORX_PENDING(TARN_LUX_IContainer_SetOption, TARN_LUX_VideoWriterHandle, TARN_LUX_VIDEO_CONTAINER_OPTION, const void*, size_t)
ORX_PENDING(TARN_LUX_IContainer_GetOption, TARN_LUX_VideoWriterHandle, TARN_LUX_VIDEO_CONTAINER_OPTION, void*, size_t, size_t*)
ORX_PENDING(TARN_LUX_IContainer_OptionRange, TARN_LUX_VideoWriterHandle, TARN_LUX_VIDEO_CONTAINER_OPTION, void*, void*, void*)
ORX_PENDING(TARN_LUX_GetSupportedEncodersForAContainer, TARN_LUX_VIDEO_CONTAINER, TARN_LUX_VIDEO_ENCODER*, size_t*)
ORX_PENDING(TARN_LUX_GetSupportedContainersForAnEncoder, TARN_LUX_VIDEO_ENCODER, TARN_LUX_VIDEO_CONTAINER*, size_t*)
ORX_PENDING(TARN_LUX_GetSupportedPixelFormats, TARN_LUX_VIDEO_ENCODER, TARN_LUX_PixelFormatName*, size_t*)
ORX_PENDING(TARN_LUX_VideoWriter_Open, TARN_LUX_VideoWriterHandle*, const char*, TARN_LUX_VIDEO_CONTAINER, TARN_LUX_VIDEO_ENCODER)
ORX_PENDING(TARN_LUX_VideoWriter_IsOpen, TARN_LUX_VideoWriterHandle, TARN_LUX_BOOL*)
ORX_PENDING(TARN_LUX_VideoWriter_Close, TARN_LUX_VideoWriterHandle)
ORX_PENDING(TARN_LUX_VideoWriter_Append, TARN_LUX_VideoWriterHandle, TARN_LUX_ImageHandle)
ORX_PENDING(TARN_LUX_VideoWriter_NumFramesEncoded, TARN_LUX_VideoWriterHandle, uint64_t*)
ORX_PENDING(TARN_LUX_VideoWriter_NumFramesDropped, TARN_LUX_VideoWriterHandle, uint64_t*)
ORX_PENDING(TARN_LUX_VideoWriter_FileSize, TARN_LUX_VideoWriterHandle, uint64_t*)
ORX_PENDING(TARN_LUX_VideoWriter_ResetFrameCounters, TARN_LUX_VideoWriterHandle)
ORX_PENDING(TARN_LUX_VideoWriter_SetQueueSize, TARN_LUX_VideoWriterHandle, int32_t)
ORX_PENDING(TARN_LUX_VideoWriter_QueueSize, TARN_LUX_VideoWriterHandle, int32_t*)
ORX_PENDING(TARN_LUX_VideoWriter_QueueSizeRange, TARN_LUX_VideoWriterHandle, int32_t*, int32_t*)
ORX_PENDING(TARN_LUX_VideoWriter_NumBuffersQueued, TARN_LUX_VideoWriterHandle, int32_t*)
ORX_PENDING(TARN_LUX_VideoWriter_WaitUntilFrameDone, TARN_LUX_VideoWriterHandle, int32_t)
ORX_PENDING(TARN_LUX_VideoWriter_WaitUntilQueueEmpty, TARN_LUX_VideoWriterHandle, int32_t)
// clang-format on
