// Hot-pixel correction and edge enhancement objects: settings kept in the object, processing in sensor/hotpixels.h and
// sensor/edge_enhancement.h.
#include "api/format_support.h"
#include "core/api.h"
#include "core/image.h"
#include "sensor/edge_enhancement.h"
#include "sensor/hotpixels.h"

using namespace orx;

namespace {

// A new image made from a copy of `input` by `change`, which works in place.
template <typename Change>
void publishChanged(const Image& input, TARN_LUX_ImageHandle& result, Change change) {
    Image output = input.clone();
    change(output);
    api::publish(result, std::move(output));
}

template <typename Handle>
void construct(Handle* handle) {
    Handle& result = check::out(handle, "handle");
    api::publish(result);
}

}  // namespace

extern "C" {

TARN_LUX_RETURN_CODE TARN_LUX_HotpixelCorrection_Construct(TARN_LUX_HotpixelCorrectionHandle* correction) {
    return api::guard(__func__, [&] { construct(correction); });
}

TARN_LUX_RETURN_CODE TARN_LUX_HotpixelCorrection_SetSensitivity(TARN_LUX_HotpixelCorrectionHandle correction,
                                                                TARN_LUX_HotpixelSensitivityLevel level) {
    return api::guard(__func__, [&] {
        checkHotpixelLevel(level);
        api::use(correction)->level.store(level);
    });
}

TARN_LUX_RETURN_CODE TARN_LUX_HotpixelCorrection_Sensitivity(TARN_LUX_HotpixelCorrectionHandle correction,
                                                             TARN_LUX_HotpixelSensitivityLevel* level) {
    return api::guard(__func__, [&] {
        TARN_LUX_HotpixelSensitivityLevel& result = check::out(level, "level");
        result = api::use(correction)->level.load();
    });
}

TARN_LUX_RETURN_CODE TARN_LUX_HotpixelCorrection_SetGainFactorPercent(TARN_LUX_HotpixelCorrectionHandle correction,
                                                                      uint32_t percent) {
    return api::guard(__func__, [&] {
        checkGainFactorPercent(percent);
        api::use(correction)->gainFactorPercent.store(percent);
    });
}

TARN_LUX_RETURN_CODE TARN_LUX_HotpixelCorrection_GainFactorPercent(TARN_LUX_HotpixelCorrectionHandle correction,
                                                                   uint32_t* percent) {
    return api::guard(__func__, [&] {
        uint32_t& result = check::out(percent, "percent");
        result = api::use(correction)->gainFactorPercent.load();
    });
}

TARN_LUX_RETURN_CODE
TARN_LUX_HotpixelCorrection_Detect(TARN_LUX_HotpixelCorrectionHandle correction, TARN_LUX_ImageHandle image) {
    return api::guard(__func__, [&] {
        const Ref<HotpixelCorrector> corrector = api::use(correction);
        corrector->keep(detectHotpixels(*api::use(image), corrector->threshold(), __func__));
    });
}

TARN_LUX_RETURN_CODE TARN_LUX_HotpixelCorrection_Hotpixels(TARN_LUX_HotpixelCorrectionHandle correction,
                                                           TARN_LUX_Point2D* positions, size_t* count) {
    return api::guard(__func__, [&] { api::answerList(api::use(correction)->found(), positions, count); });
}

TARN_LUX_RETURN_CODE TARN_LUX_HotpixelCorrection_Correct(TARN_LUX_HotpixelCorrectionHandle correction,
                                                         TARN_LUX_ImageHandle input, const TARN_LUX_Point2D* positions,
                                                         size_t count, TARN_LUX_ImageHandle* output) {
    return api::guard(__func__, [&] {
        TARN_LUX_ImageHandle& result = check::out(output, "output");
        api::use(correction);
        const Ref<Image> source = api::use(input);
        publishChanged(*source, result, [&](Image& copy) {
            correctHotpixels(*source, copy, positions, count, "TARN_LUX_HotpixelCorrection_Correct");
        });
    });
}

TARN_LUX_RETURN_CODE TARN_LUX_HotpixelCorrection_CorrectInPlace(TARN_LUX_HotpixelCorrectionHandle correction,
                                                                TARN_LUX_ImageHandle image,
                                                                const TARN_LUX_Point2D* positions, size_t count) {
    return api::guard(__func__, [&] {
        api::use(correction);
        const Ref<Image> target = api::use(image);
        correctHotpixels(*target, *target, positions, count, __func__);
    });
}

// Detects with the corrector's settings, keeps the list (so Hotpixels tells what was corrected) and corrects `target`
// from `source`.
static void correctAdaptive(TARN_LUX_HotpixelCorrectionHandle correction, const Image& source, Image& target,
                            const char* operation) {
    const Ref<HotpixelCorrector> corrector = api::use(correction);
    std::vector<TARN_LUX_Point2D> found = detectHotpixels(source, corrector->threshold(), operation);
    correctHotpixels(source, target, found.data(), found.size(), operation);
    corrector->keep(std::move(found));
}

TARN_LUX_RETURN_CODE TARN_LUX_HotpixelCorrection_CorrectAdaptive(TARN_LUX_HotpixelCorrectionHandle correction,
                                                                 TARN_LUX_ImageHandle input,
                                                                 TARN_LUX_ImageHandle* output) {
    return api::guard(__func__, [&] {
        TARN_LUX_ImageHandle& result = check::out(output, "output");
        const Ref<Image> source = api::use(input);
        publishChanged(*source, result, [&](Image& copy) {
            correctAdaptive(correction, *source, copy, "TARN_LUX_HotpixelCorrection_CorrectAdaptive");
        });
    });
}

TARN_LUX_RETURN_CODE TARN_LUX_HotpixelCorrection_CorrectAdaptiveInPlace(TARN_LUX_HotpixelCorrectionHandle correction,
                                                                        TARN_LUX_ImageHandle image) {
    return api::guard(__func__, [&] {
        const Ref<Image> target = api::use(image);
        correctAdaptive(correction, *target, *target, __func__);
    });
}

TARN_LUX_RETURN_CODE TARN_LUX_EdgeEnhancement_Construct(TARN_LUX_EdgeEnhancementHandle* enhancement) {
    return api::guard(__func__, [&] { construct(enhancement); });
}

TARN_LUX_RETURN_CODE
TARN_LUX_EdgeEnhancement_SetFactor(TARN_LUX_EdgeEnhancementHandle enhancement, uint32_t factor) {
    return api::guard(__func__, [&] {
        checkEdgeFactor(factor);
        api::use(enhancement)->factor.store(factor);
    });
}

TARN_LUX_RETURN_CODE
TARN_LUX_EdgeEnhancement_Factor(TARN_LUX_EdgeEnhancementHandle enhancement, uint32_t* factor) {
    return api::guard(__func__, [&] {
        uint32_t& result = check::out(factor, "factor");
        result = api::use(enhancement)->factor.load();
    });
}

TARN_LUX_RETURN_CODE TARN_LUX_EdgeEnhancement_DefaultFactor(TARN_LUX_EdgeEnhancementHandle enhancement,
                                                            uint32_t* factor) {
    return api::guard(__func__, [&] {
        uint32_t& result = check::out(factor, "factor");
        api::use(enhancement);
        result = kEdgeFactorDefault;
    });
}

TARN_LUX_RETURN_CODE
TARN_LUX_EdgeEnhancement_Range(TARN_LUX_EdgeEnhancementHandle enhancement, TARN_LUX_RangeUInt32* range) {
    return api::guard(__func__, [&] {
        TARN_LUX_RangeUInt32& result = check::out(range, "range");
        api::use(enhancement);
        result = {kEdgeFactorMin, kEdgeFactorMax, kEdgeFactorIncrement};
    });
}

TARN_LUX_RETURN_CODE TARN_LUX_EdgeEnhancement_IsPixelFormatSupported(TARN_LUX_EdgeEnhancementHandle enhancement,
                                                                     TARN_LUX_PixelFormatName name,
                                                                     TARN_LUX_BOOL* isSupported) {
    return api::guard(__func__,
                      [&] { api::answerFormatSupport(enhancement, name, isSupported, isEdgeEnhancementFormat); });
}

TARN_LUX_RETURN_CODE
TARN_LUX_EdgeEnhancement_Process(TARN_LUX_EdgeEnhancementHandle enhancement, TARN_LUX_ImageHandle input,
                                 TARN_LUX_ImageHandle* output) {
    return api::guard(__func__, [&] {
        TARN_LUX_ImageHandle& result = check::out(output, "output");
        const uint32_t factor = api::use(enhancement)->factor.load();
        const Ref<Image> source = api::use(input);
        checkEdgeEnhancementFormat(source->format());
        Image target(source->format(), source->width(), source->height(), Fill::Anything);
        target.setTimestamp(source->timestamp());
        enhanceEdges(*source, target, factor, __func__);
        api::publish(result, std::move(target));
    });
}

TARN_LUX_RETURN_CODE TARN_LUX_EdgeEnhancement_ProcessInPlace(TARN_LUX_EdgeEnhancementHandle enhancement,
                                                             TARN_LUX_ImageHandle image) {
    return api::guard(__func__, [&] {
        const uint32_t factor = api::use(enhancement)->factor.load();
        const Ref<Image> target = api::use(image);
        checkEdgeEnhancementFormat(target->format());
        // Every output sample needs its unchanged neighbours: enhance a copy of the pixels back into the image.
        const Image source = target->clone();
        enhanceEdges(source, *target, factor, __func__);
    });
}

}  // extern "C"
