// Binning and decimation objects: two factors (and binning's mode) that a Process applies to an image; see
// sensor/block_reduction.h.
#include "api/format_support.h"
#include "core/api.h"
#include "core/image.h"
#include "sensor/block_reduction.h"

using namespace orx;

namespace {

template <typename Handle>
void construct(Handle* handle) {
    Handle& result = check::out(handle, "handle");
    api::publish(result);
}

template <typename Handle>
void setFactor(Handle handle, const uint8_t* factor, std::atomic<uint8_t> ReductionSettings::*slot) {
    const uint8_t value = check::in(factor, "factor");
    checkReductionFactor(value);
    ((*api::use(handle)).*slot).store(value);
}

template <typename Handle>
void readFactor(Handle handle, uint8_t* factor, std::atomic<uint8_t> ReductionSettings::*slot) {
    uint8_t& result = check::out(factor, "factor");
    result = ((*api::use(handle)).*slot).load();
}

template <typename Handle>
void expectedSize(Handle handle, size_t* outWidth, size_t* outHeight, size_t width, size_t height,
                  TARN_LUX_PixelFormatName name, Reduction reduction) {
    size_t& w = check::out(outWidth, "outputWidth");
    size_t& h = check::out(outHeight, "outputHeight");
    const Ref<ReductionSettings> settings = api::use(handle);
    reducedSize(name, width, height, {settings->factorX.load(), settings->factorY.load()}, reduction, w, h);
}

template <typename Handle>
void process(Handle handle, TARN_LUX_ImageHandle input, TARN_LUX_ImageHandle* output, bool binning,
             const char* operation) {
    TARN_LUX_ImageHandle& result = check::out(output, "output");
    const Ref<ReductionSettings> settings = api::use(handle);
    const Reduction reduction = !binning                                            ? Reduction::Pick
                                : settings->mode.load() == TARN_LUX_BinningMode_Sum ? Reduction::Sum
                                                                                    : Reduction::Average;
    api::publish(result, reduceBlocks(*api::use(input), {settings->factorX.load(), settings->factorY.load()}, reduction,
                                      operation));
}

}  // namespace

// The operations both kinds share, under their own names.
#define ORX_REDUCTION_OPERATIONS(CLASS, FACTOR, IS_BINNING, REDUCTION)                                                \
    TARN_LUX_RETURN_CODE TARN_LUX_##CLASS##_Construct(TARN_LUX_##CLASS##Handle* handle) {                             \
        return api::guard(__func__, [&] { construct(handle); });                                                      \
    }                                                                                                                 \
    TARN_LUX_RETURN_CODE TARN_LUX_##CLASS##_Set##FACTOR##X(TARN_LUX_##CLASS##Handle handle, const uint8_t* f) {       \
        return api::guard(__func__, [&] { setFactor(handle, f, &ReductionSettings::factorX); });                      \
    }                                                                                                                 \
    TARN_LUX_RETURN_CODE TARN_LUX_##CLASS##_Set##FACTOR##Y(TARN_LUX_##CLASS##Handle handle, const uint8_t* f) {       \
        return api::guard(__func__, [&] { setFactor(handle, f, &ReductionSettings::factorY); });                      \
    }                                                                                                                 \
    TARN_LUX_RETURN_CODE TARN_LUX_##CLASS##_##FACTOR##X(TARN_LUX_##CLASS##Handle handle, uint8_t* f) {                \
        return api::guard(__func__, [&] { readFactor(handle, f, &ReductionSettings::factorX); });                     \
    }                                                                                                                 \
    TARN_LUX_RETURN_CODE TARN_LUX_##CLASS##_##FACTOR##Y(TARN_LUX_##CLASS##Handle handle, uint8_t* f) {                \
        return api::guard(__func__, [&] { readFactor(handle, f, &ReductionSettings::factorY); });                     \
    }                                                                                                                 \
    TARN_LUX_RETURN_CODE TARN_LUX_##CLASS##_##FACTOR##Min(TARN_LUX_##CLASS##Handle handle, uint8_t* minimum) {        \
        return api::guard(__func__, [&] {                                                                             \
            uint8_t& result = check::out(minimum, "minimum");                                                         \
            api::use(handle);                                                                                         \
            result = kMinReductionFactor;                                                                             \
        });                                                                                                           \
    }                                                                                                                 \
    TARN_LUX_RETURN_CODE TARN_LUX_##CLASS##_##FACTOR##Max(TARN_LUX_##CLASS##Handle handle, uint8_t* maximum) {        \
        return api::guard(__func__, [&] {                                                                             \
            uint8_t& result = check::out(maximum, "maximum");                                                         \
            api::use(handle);                                                                                         \
            result = kMaxReductionFactor;                                                                             \
        });                                                                                                           \
    }                                                                                                                 \
    TARN_LUX_RETURN_CODE TARN_LUX_##CLASS##_ExpectedOutputSize(TARN_LUX_##CLASS##Handle handle, size_t* w, size_t* h, \
                                                               size_t width, size_t height,                           \
                                                               TARN_LUX_PixelFormatName name) {                       \
        return api::guard(__func__, [&] { expectedSize(handle, w, h, width, height, name, REDUCTION); });             \
    }                                                                                                                 \
    TARN_LUX_RETURN_CODE TARN_LUX_##CLASS##_IsPixelFormatSupported(                                                   \
        TARN_LUX_##CLASS##Handle handle, TARN_LUX_PixelFormatName name, TARN_LUX_BOOL* isSupported) {                 \
        return api::guard(__func__, [&] { api::answerFormatSupport(handle, name, isSupported, isReductionFormat); }); \
    }                                                                                                                 \
    TARN_LUX_RETURN_CODE TARN_LUX_##CLASS##_Process(TARN_LUX_##CLASS##Handle handle, TARN_LUX_ImageHandle input,      \
                                                    TARN_LUX_ImageHandle* output) {                                   \
        return api::guard(__func__, [&] { process(handle, input, output, IS_BINNING, __func__); });                   \
    }

extern "C" {

ORX_REDUCTION_OPERATIONS(Binning, Binning, true, Reduction::Average)
ORX_REDUCTION_OPERATIONS(Decimation, Decimation, false, Reduction::Pick)

TARN_LUX_RETURN_CODE
TARN_LUX_Binning_SetMode(TARN_LUX_BinningHandle handle, const TARN_LUX_BinningMode* mode) {
    return api::guard(__func__, [&] {
        const TARN_LUX_BinningMode value = check::in(mode, "mode");
        if (value != TARN_LUX_BinningMode_Average && value != TARN_LUX_BinningMode_Sum) {
            fail(TARN_LUX_RETURN_CODE_INVALID_ARGUMENT, "value isn't supported. The binning mode ", value,
                 " is neither 0 (average) nor 1 (sum)");
        }
        api::use(handle)->mode.store(value);
    });
}

TARN_LUX_RETURN_CODE TARN_LUX_Binning_Mode(TARN_LUX_BinningHandle handle, TARN_LUX_BinningMode* mode) {
    return api::guard(__func__, [&] {
        TARN_LUX_BinningMode& result = check::out(mode, "mode");
        result = api::use(handle)->mode.load();
    });
}

}  // extern "C"
