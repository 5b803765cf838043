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
ORX_PENDING(TARN_LUX_Binning_Construct, TARN_LUX_BinningHandle*)
ORX_PENDING(TARN_LUX_Binning_SetBinningX, TARN_LUX_BinningHandle, const uint8_t*)
ORX_PENDING(TARN_LUX_Binning_SetBinningY, TARN_LUX_BinningHandle, const uint8_t*)
ORX_PENDING(TARN_LUX_Binning_BinningX, TARN_LUX_BinningHandle, uint8_t*)
ORX_PENDING(TARN_LUX_Binning_BinningY, TARN_LUX_BinningHandle, uint8_t*)
ORX_PENDING(TARN_LUX_Binning_BinningMin, TARN_LUX_BinningHandle, uint8_t*)
ORX_PENDING(TARN_LUX_Binning_BinningMax, TARN_LUX_BinningHandle, uint8_t*)
ORX_PENDING(TARN_LUX_Binning_SetMode, TARN_LUX_BinningHandle, const TARN_LUX_BinningMode*)
ORX_PENDING(TARN_LUX_Binning_Mode, TARN_LUX_BinningHandle, TARN_LUX_BinningMode*)
ORX_PENDING(TARN_LUX_Binning_ExpectedOutputSize, TARN_LUX_BinningHandle, size_t*, size_t*, size_t, size_t, TARN_LUX_PixelFormatName)
ORX_PENDING(TARN_LUX_Binning_IsPixelFormatSupported, TARN_LUX_BinningHandle, TARN_LUX_PixelFormatName, TARN_LUX_BOOL*)
ORX_PENDING(TARN_LUX_Binning_Process, TARN_LUX_BinningHandle, TARN_LUX_ImageHandle, TARN_LUX_ImageHandle*)
ORX_PENDING(TARN_LUX_Decimation_Construct, TARN_LUX_DecimationHandle*)
ORX_PENDING(TARN_LUX_Decimation_SetDecimationX, TARN_LUX_DecimationHandle, const uint8_t*)
ORX_PENDING(TARN_LUX_Decimation_SetDecimationY, TARN_LUX_DecimationHandle, const uint8_t*)
ORX_PENDING(TARN_LUX_Decimation_DecimationX, TARN_LUX_DecimationHandle, uint8_t*)
ORX_PENDING(TARN_LUX_Decimation_DecimationY, TARN_LUX_DecimationHandle, uint8_t*)
ORX_PENDING(TARN_LUX_Decimation_DecimationMin, TARN_LUX_DecimationHandle, uint8_t*)
ORX_PENDING(TARN_LUX_Decimation_DecimationMax, TARN_LUX_DecimationHandle, uint8_t*)
ORX_PENDING(TARN_LUX_Decimation_ExpectedOutputSize, TARN_LUX_DecimationHandle, size_t*, size_t*, size_t, size_t, TARN_LUX_PixelFormatName)
ORX_PENDING(TARN_LUX_Decimation_IsPixelFormatSupported, TARN_LUX_DecimationHandle, TARN_LUX_PixelFormatName, TARN_LUX_BOOL*)
ORX_PENDING(TARN_LUX_Decimation_Process, TARN_LUX_DecimationHandle, TARN_LUX_ImageHandle, TARN_LUX_ImageHandle*)
ORX_PENDING(TARN_LUX_HotpixelCorrection_Construct, TARN_LUX_HotpixelCorrectionHandle*)
ORX_PENDING(TARN_LUX_HotpixelCorrection_SetSensitivity, TARN_LUX_HotpixelCorrectionHandle, TARN_LUX_HotpixelSensitivityLevel)
ORX_PENDING(TARN_LUX_HotpixelCorrection_Sensitivity, TARN_LUX_HotpixelCorrectionHandle, TARN_LUX_HotpixelSensitivityLevel*)
ORX_PENDING(TARN_LUX_HotpixelCorrection_SetGainFactorPercent, TARN_LUX_HotpixelCorrectionHandle, uint32_t)
ORX_PENDING(TARN_LUX_HotpixelCorrection_GainFactorPercent, TARN_LUX_HotpixelCorrectionHandle, uint32_t*)
ORX_PENDING(TARN_LUX_HotpixelCorrection_Detect, TARN_LUX_HotpixelCorrectionHandle, TARN_LUX_ImageHandle)
ORX_PENDING(TARN_LUX_HotpixelCorrection_Hotpixels, TARN_LUX_HotpixelCorrectionHandle, TARN_LUX_Point2D*, size_t*)
ORX_PENDING(TARN_LUX_HotpixelCorrection_Correct, TARN_LUX_HotpixelCorrectionHandle, TARN_LUX_ImageHandle, const TARN_LUX_Point2D*, size_t, TARN_LUX_ImageHandle*)
ORX_PENDING(TARN_LUX_HotpixelCorrection_CorrectInPlace, TARN_LUX_HotpixelCorrectionHandle, TARN_LUX_ImageHandle, const TARN_LUX_Point2D*, size_t)
ORX_PENDING(TARN_LUX_HotpixelCorrection_CorrectAdaptive, TARN_LUX_HotpixelCorrectionHandle, TARN_LUX_ImageHandle, TARN_LUX_ImageHandle*)
ORX_PENDING(TARN_LUX_HotpixelCorrection_CorrectAdaptiveInPlace, TARN_LUX_HotpixelCorrectionHandle, TARN_LUX_ImageHandle)
ORX_PENDING(TARN_LUX_EdgeEnhancement_Construct, TARN_LUX_EdgeEnhancementHandle*)
ORX_PENDING(TARN_LUX_EdgeEnhancement_SetFactor, TARN_LUX_EdgeEnhancementHandle, uint32_t)
ORX_PENDING(TARN_LUX_EdgeEnhancement_Factor, TARN_LUX_EdgeEnhancementHandle, uint32_t*)
ORX_PENDING(TARN_LUX_EdgeEnhancement_DefaultFactor, TARN_LUX_EdgeEnhancementHandle, uint32_t*)
ORX_PENDING(TARN_LUX_EdgeEnhancement_Range, TARN_LUX_EdgeEnhancementHandle, TARN_LUX_RangeUInt32*)
ORX_PENDING(TARN_LUX_EdgeEnhancement_IsPixelFormatSupported, TARN_LUX_EdgeEnhancementHandle, TARN_LUX_PixelFormatName, TARN_LUX_BOOL*)
ORX_PENDING(TARN_LUX_EdgeEnhancement_Process, TARN_LUX_EdgeEnhancementHandle, TARN_LUX_ImageHandle, TARN_LUX_ImageHandle*)
ORX_PENDING(TARN_LUX_EdgeEnhancement_ProcessInPlace, TARN_LUX_EdgeEnhancementHandle, TARN_LUX_ImageHandle)
ORX_PENDING(TARN_LUX_Sharpness_Construct, TARN_LUX_SharpnessHandle*)
ORX_PENDING(TARN_LUX_Sharpness_Measure, TARN_LUX_SharpnessHandle, TARN_LUX_ImageHandle, double*)
ORX_PENDING(TARN_LUX_Sharpness_IsPixelFormatSupported, TARN_LUX_SharpnessHandle, TARN_LUX_PixelFormatName, TARN_LUX_BOOL*)
ORX_PENDING(TARN_LUX_Sharpness_SupportedPixelFormats, TARN_LUX_SharpnessHandle, TARN_LUX_PixelFormatName*, size_t*)
ORX_PENDING(TARN_LUX_Sharpness_SetAlgorithm, TARN_LUX_SharpnessHandle, TARN_LUX_SharpnessAlgorithm)
ORX_PENDING(TARN_LUX_Sharpness_Algorithm, TARN_LUX_SharpnessHandle, TARN_LUX_SharpnessAlgorithm*)
ORX_PENDING(TARN_LUX_Sharpness_ROIMinSize, TARN_LUX_SharpnessHandle, TARN_LUX_Size2D*)
ORX_PENDING(TARN_LUX_Sharpness_SetROIs, TARN_LUX_SharpnessHandle, const TARN_LUX_SharpnessROI*, size_t)
ORX_PENDING(TARN_LUX_Sharpness_GetROIs, TARN_LUX_SharpnessHandle, TARN_LUX_SharpnessROI*, size_t*)
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
