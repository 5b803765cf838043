// Colour correction, gamma and gain (correct/correctors.h).
#include "core/api.h"
#include "correct/correctors.h"

using namespace orx;

namespace {

// Construct, IsPixelFormatSupported, Process and ProcessInPlace are the same
// for the three correctors.
template <typename Handle>
ReturnCode construct(const char* operation, Handle* handle) {
    return api::guard(operation, [&] { api::publish(check::out(handle, "corrector")); });
}

template <typename Handle>
ReturnCode answerSupport(const char* operation, Handle handle, TARN_LUX_PixelFormatName name, TARN_LUX_BOOL* answer) {
    return api::guard(operation, [&] {
        TARN_LUX_BOOL& result = check::out(answer, "isSupported");
        result = api::use(handle)->supports(name) ? 1 : 0;
    });
}

template <typename Handle>
ReturnCode process(const char* operation, Handle handle, TARN_LUX_ImageHandle input, TARN_LUX_ImageHandle* output) {
    return api::guard(operation, [&] {
        TARN_LUX_ImageHandle& result = check::out(output, "output");
        const auto corrector = api::use(handle);
        api::publish(result, corrector->process(*api::use(input)));
    });
}

template <typename Handle>
ReturnCode processInPlace(const char* operation, Handle handle, TARN_LUX_ImageHandle image) {
    return api::guard(operation, [&] {
        const auto corrector = api::use(handle);
        corrector->processInPlace(*api::use(image));
    });
}

// A float setting read through an out-parameter.
template <typename Handle, typename Read>
ReturnCode readFloat(const char* operation, Handle handle, float* value, Read read) {
    return api::guard(operation, [&] {
        float& result = check::out(value, "value");
        result = read(*api::use(handle));
    });
}

ReturnCode setGain(const char* operation, TARN_LUX_GainHandle gain, const float* value, Gain::Channel channel,
                   const char* name) {
    return api::guard(operation, [&] {
        const float wanted = check::in(value, name);
        const auto held = api::use(gain);
        checkSetting(wanted, Gain::kGain, name);
        held->settings.change([&](Gain::Settings& s) { s.gain[channel] = wanted; });
    });
}

ReturnCode gainValue(const char* operation, TARN_LUX_GainHandle gain, float* value, Gain::Channel channel) {
    return readFloat(operation, gain, value, [&](const Gain& g) { return g.settings.get().gain[channel]; });
}

}  // namespace

// The operations that are the same for the three correctors.
#define ORX_CORRECTOR_FAMILY(CLASS)                                                                             \
    TARN_LUX_RETURN_CODE TARN_LUX_##CLASS##_Construct(TARN_LUX_##CLASS##Handle* corrector) {                    \
        return construct(__func__, corrector);                                                                  \
    }                                                                                                           \
    TARN_LUX_RETURN_CODE TARN_LUX_##CLASS##_IsPixelFormatSupported(                                             \
        TARN_LUX_##CLASS##Handle corrector, TARN_LUX_PixelFormatName name, TARN_LUX_BOOL* isSupported) {        \
        return answerSupport(__func__, corrector, name, isSupported);                                           \
    }                                                                                                           \
    TARN_LUX_RETURN_CODE TARN_LUX_##CLASS##_Process(TARN_LUX_##CLASS##Handle corrector,                         \
                                                    TARN_LUX_ImageHandle input, TARN_LUX_ImageHandle* output) { \
        return process(__func__, corrector, input, output);                                                     \
    }                                                                                                           \
    TARN_LUX_RETURN_CODE TARN_LUX_##CLASS##_ProcessInPlace(TARN_LUX_##CLASS##Handle corrector,                  \
                                                           TARN_LUX_ImageHandle image) {                        \
        return processInPlace(__func__, corrector, image);                                                      \
    }

extern "C" {

ORX_CORRECTOR_FAMILY(ColorCorrector)
ORX_CORRECTOR_FAMILY(GammaCorrector)
ORX_CORRECTOR_FAMILY(Gain)
#undef ORX_CORRECTOR_FAMILY

// --- Colour corrector -------------------------------------------------------

TARN_LUX_RETURN_CODE TARN_LUX_ColorCorrector_SetColorCorrectionFactors(TARN_LUX_ColorCorrectorHandle corrector,
                                                                       const float* factors) {
    return api::guard(__func__, [&] {
        check::in(factors, "colorCorrectionFactors");
        const auto held = api::use(corrector);
        for (size_t i = 0; i < ColorCorrector::kFactorCount; ++i)
            checkSetting(factors[i], ColorCorrector::kFactor, "colorCorrectionFactors");
        held->settings.change(
            [&](ColorCorrector::Settings& s) { std::copy_n(factors, ColorCorrector::kFactorCount, s.factors); });
    });
}

TARN_LUX_RETURN_CODE TARN_LUX_ColorCorrector_ColorCorrectionFactors(TARN_LUX_ColorCorrectorHandle corrector,
                                                                    float* factors, size_t* count) {
    return api::guard(__func__, [&] {
        const ColorCorrector::Settings s = api::use(corrector)->settings.get();
        api::answerList(s.factors, ColorCorrector::kFactorCount, factors, count);
    });
}

TARN_LUX_RETURN_CODE TARN_LUX_ColorCorrector_SetSaturation(TARN_LUX_ColorCorrectorHandle corrector,
                                                           float saturation) {
    return api::guard(__func__, [&] {
        const auto held = api::use(corrector);
        checkSetting(saturation, ColorCorrector::kSaturation, "saturation");
        held->settings.change([&](ColorCorrector::Settings& s) { s.saturation = saturation; });
    });
}

TARN_LUX_RETURN_CODE TARN_LUX_ColorCorrector_Saturation(TARN_LUX_ColorCorrectorHandle corrector, float* saturation) {
    return readFloat(__func__, corrector, saturation, [](const ColorCorrector& c) { return c.settings.get().saturation; });
}

TARN_LUX_RETURN_CODE TARN_LUX_ColorCorrector_SaturationMin(TARN_LUX_ColorCorrectorHandle corrector, float* minimum) {
    return readFloat(__func__, corrector, minimum, [](const ColorCorrector&) { return ColorCorrector::kSaturation.minimum; });
}

TARN_LUX_RETURN_CODE TARN_LUX_ColorCorrector_SaturationMax(TARN_LUX_ColorCorrectorHandle corrector, float* maximum) {
    return readFloat(__func__, corrector, maximum, [](const ColorCorrector&) { return ColorCorrector::kSaturation.maximum; });
}

// --- Gamma corrector --------------------------------------------------------

TARN_LUX_RETURN_CODE TARN_LUX_GammaCorrector_SetGammaCorrectionValue(TARN_LUX_GammaCorrectorHandle corrector,
                                                                     const float* value) {
    return api::guard(__func__, [&] {
        const float wanted = check::in(value, "gammaValue");
        const auto held = api::use(corrector);
        checkSetting(wanted, GammaCorrector::kGamma, "gammaValue");
        held->settings.change([&](GammaCorrector::Settings& s) { s.gamma = wanted; });
    });
}

TARN_LUX_RETURN_CODE TARN_LUX_GammaCorrector_GammaCorrectionValue(TARN_LUX_GammaCorrectorHandle corrector,
                                                                  float* value) {
    return readFloat(__func__, corrector, value, [](const GammaCorrector& g) { return g.settings.get().gamma; });
}

TARN_LUX_RETURN_CODE TARN_LUX_GammaCorrector_GammaCorrectionMin(TARN_LUX_GammaCorrectorHandle corrector,
                                                                float* minimum) {
    return readFloat(__func__, corrector, minimum, [](const GammaCorrector&) { return GammaCorrector::kGamma.minimum; });
}

TARN_LUX_RETURN_CODE TARN_LUX_GammaCorrector_GammaCorrectionMax(TARN_LUX_GammaCorrectorHandle corrector,
                                                                float* maximum) {
    return readFloat(__func__, corrector, maximum, [](const GammaCorrector&) { return GammaCorrector::kGamma.maximum; });
}

// --- Gain -------------------------------------------------------------------

#define ORX_GAIN_CHANNEL(CHANNEL, NAME)                                                                     \
    TARN_LUX_RETURN_CODE TARN_LUX_Gain_Set##CHANNEL##GainValue(TARN_LUX_GainHandle gain, const float* value) { \
        return setGain(__func__, gain, value, Gain::CHANNEL, NAME);                                         \
    }                                                                                                       \
    TARN_LUX_RETURN_CODE TARN_LUX_Gain_##CHANNEL##GainValue(TARN_LUX_GainHandle gain, float* value) {       \
        return gainValue(__func__, gain, value, Gain::CHANNEL);                                             \
    }                                                                                                       \
    TARN_LUX_RETURN_CODE TARN_LUX_Gain_##CHANNEL##GainMin(TARN_LUX_GainHandle gain, float* minimum) {       \
        return readFloat(__func__, gain, minimum, [](const Gain&) { return Gain::kGain.minimum; });         \
    }                                                                                                       \
    TARN_LUX_RETURN_CODE TARN_LUX_Gain_##CHANNEL##GainMax(TARN_LUX_GainHandle gain, float* maximum) {       \
        return readFloat(__func__, gain, maximum, [](const Gain&) { return Gain::kGain.maximum; });         \
    }

ORX_GAIN_CHANNEL(Master, "masterGainValue")
ORX_GAIN_CHANNEL(Red, "redGainValue")
ORX_GAIN_CHANNEL(Green, "greenGainValue")
ORX_GAIN_CHANNEL(Blue, "blueGainValue")
#undef ORX_GAIN_CHANNEL

}  // extern "C"
