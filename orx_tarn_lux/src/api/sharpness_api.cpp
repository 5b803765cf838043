// Sharpness measurement objects: an algorithm and ROIs kept in the object; the measurement in sensor/sharpness.h.
#include "api/format_support.h"
#include "core/api.h"
#include "core/image.h"
#include "sensor/sharpness.h"

using namespace orx;

extern "C" {

TARN_LUX_RETURN_CODE
TARN_LUX_Sharpness_Construct(TARN_LUX_SharpnessHandle* sharpness) {
    return api::guard(__func__, [&] {
        TARN_LUX_SharpnessHandle& result = check::out(sharpness, "sharpness");
        api::publish(result);
    });
}

TARN_LUX_RETURN_CODE
TARN_LUX_Sharpness_Measure(TARN_LUX_SharpnessHandle sharpness, TARN_LUX_ImageHandle image, double* value) {
    return api::guard(__func__, [&] {
        double& result = check::out(value, "value");
        const Ref<SharpnessSettings> settings = api::use(sharpness);
        result = measureSharpness(*api::use(image), settings->algorithm(), settings->rois());
    });
}

TARN_LUX_RETURN_CODE
TARN_LUX_Sharpness_IsPixelFormatSupported(TARN_LUX_SharpnessHandle sharpness, TARN_LUX_PixelFormatName name,
                                          TARN_LUX_BOOL* isSupported) {
    return api::guard(__func__, [&] { api::answerFormatSupport(sharpness, name, isSupported, isSharpnessFormat); });
}

TARN_LUX_RETURN_CODE
TARN_LUX_Sharpness_SupportedPixelFormats(TARN_LUX_SharpnessHandle sharpness, TARN_LUX_PixelFormatName* names,
                                         size_t* count) {
    return api::guard(__func__, [&] {
        api::use(sharpness);
        api::answerList(sharpnessFormats(), names, count);
    });
}

TARN_LUX_RETURN_CODE
TARN_LUX_Sharpness_SetAlgorithm(TARN_LUX_SharpnessHandle sharpness, TARN_LUX_SharpnessAlgorithm algorithm) {
    return api::guard(__func__, [&] {
        checkSharpnessAlgorithm(algorithm);
        api::use(sharpness)->setAlgorithm(algorithm);
    });
}

TARN_LUX_RETURN_CODE
TARN_LUX_Sharpness_Algorithm(TARN_LUX_SharpnessHandle sharpness, TARN_LUX_SharpnessAlgorithm* algorithm) {
    return api::guard(__func__, [&] {
        TARN_LUX_SharpnessAlgorithm& result = check::out(algorithm, "algorithm");
        result = api::use(sharpness)->algorithm();
    });
}

TARN_LUX_RETURN_CODE
TARN_LUX_Sharpness_ROIMinSize(TARN_LUX_SharpnessHandle sharpness, TARN_LUX_Size2D* size) {
    return api::guard(__func__, [&] {
        TARN_LUX_Size2D& result = check::out(size, "size");
        api::use(sharpness);
        result = {kRoiMinSize, kRoiMinSize};
    });
}

TARN_LUX_RETURN_CODE
TARN_LUX_Sharpness_SetROIs(TARN_LUX_SharpnessHandle sharpness, const TARN_LUX_SharpnessROI* rois, size_t count) {
    return api::guard(__func__, [&] {
        checkRois(rois, count);
        const Ref<SharpnessSettings> settings = api::use(sharpness);
        std::vector<TARN_LUX_SharpnessROI> kept(rois, rois + count);
        for (TARN_LUX_SharpnessROI& roi : kept) roi.reserved = 0;  // carries nothing; answer it as 0
        settings->setRois(std::move(kept));
    });
}

TARN_LUX_RETURN_CODE
TARN_LUX_Sharpness_GetROIs(TARN_LUX_SharpnessHandle sharpness, TARN_LUX_SharpnessROI* rois, size_t* count) {
    return api::guard(__func__, [&] { api::answerList(api::use(sharpness)->rois(), rois, count); });
}

}  // extern "C"
