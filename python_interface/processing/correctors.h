// Colour correction, gamma and gain. Every setting lives in the library
// object; the classes keep no copy, so shallow copies share them.
#pragma once

#include <cmath>
#include <cstddef>

#include "image/image.h"
#include "processing/library_object.h"

namespace tarn::lux {

// The nine factors of the colour correction matrix, row by row.
struct ColorCorrectionFactors {
  static constexpr size_t kCount = 9;
  // Records compare equal when every factor differs by at most this much.
  static constexpr float kEpsilon = 1.1920929e-07f;

  float factorRR = 0, factorGR = 0, factorBR = 0;
  float factorRG = 0, factorGG = 0, factorBG = 0;
  float factorRB = 0, factorGB = 0, factorBB = 0;

  ColorCorrectionFactors() = default;
  ColorCorrectionFactors(float facRR, float facGR, float facBR, float facRG, float facGG, float facBG, float facRB,
                         float facGB, float facBB)
      : factorRR(facRR), factorGR(facGR), factorBR(facBR), factorRG(facRG), factorGG(facGG), factorBG(facBG),
        factorRB(facRB), factorGB(facGB), factorBB(facBB) {}
  explicit ColorCorrectionFactors(const float (&factors)[kCount])
      : ColorCorrectionFactors(factors[0], factors[1], factors[2], factors[3], factors[4], factors[5], factors[6],
                               factors[7], factors[8]) {}

  void toArray(float (&factors)[kCount]) const {
    const float values[kCount] = {factorRR, factorGR, factorBR, factorRG, factorGG,
                                  factorBG, factorRB, factorGB, factorBB};
    for (size_t i = 0; i < kCount; ++i) factors[i] = values[i];
  }

  // Absolute comparison; NaN is never equal.
  bool operator==(const ColorCorrectionFactors &other) const {
    float mine[kCount], theirs[kCount];
    toArray(mine);
    other.toArray(theirs);
    for (size_t i = 0; i < kCount; ++i)
      if (!(std::fabs(mine[i] - theirs[i]) <= kEpsilon)) return false;
    return true;
  }
};

// Process and ProcessInPlace, the same for the three correctors.
template <class Handle, TARN_LUX_RETURN_CODE (*ProcessOperation)(Handle, TARN_LUX_ImageHandle, TARN_LUX_ImageHandle *),
          TARN_LUX_RETURN_CODE (*InPlaceOperation)(Handle, TARN_LUX_ImageHandle),
          TARN_LUX_RETURN_CODE (*Supported)(Handle, TARN_LUX_PixelFormatName, TARN_LUX_BOOL *)>
struct CorrectorProcessing {
  static Image process(Handle handle, const Image &input) {
    TARN_LUX_ImageHandle result = nullptr;
    check(ProcessOperation(handle, input.handle(), &result));
    return Image(result);
  }
  static void processInPlace(Handle handle, Image &image) { check(InPlaceOperation(handle, image.handle())); }
  static bool isSupported(Handle handle, PixelFormatName name) {
    TARN_LUX_BOOL supported = 0;
    check(Supported(handle, name, &supported));
    return supported == 1;
  }
};

// A float setting the library writes through an out-parameter.
template <class Handle>
float readFloat(TARN_LUX_RETURN_CODE (*operation)(Handle, float *), Handle handle) {
  float value = 0;
  check(operation(handle, &value));
  return value;
}

// A float setting passed to the library by address.
template <class Handle>
void writeFloat(TARN_LUX_RETURN_CODE (*operation)(Handle, const float *), Handle handle, float value) {
  check(operation(handle, &value));
}

#define TARN_LUX_CORRECTOR_PROCESSING(CLASS)                                                                 \
  using Processing = CorrectorProcessing<TARN_LUX_##CLASS##Handle, TARN_LUX_##CLASS##_Process,             \
                                         TARN_LUX_##CLASS##_ProcessInPlace, TARN_LUX_##CLASS##_IsPixelFormatSupported>; \
  bool IsPixelFormatSupported(PixelFormatName pixelFormatName) const {                                     \
    return Processing::isSupported(handle(), pixelFormatName);                                             \
  }                                                                                                        \
  Image Process(const Image &inputImage) const { return Processing::process(handle(), inputImage); }      \
  void ProcessInPlace(Image &image) const { Processing::processInPlace(handle(), image); }

class ColorCorrector
    : public LibraryObject<TARN_LUX_ColorCorrectorHandle, TARN_LUX_ColorCorrector_Construct,
                           TARN_LUX_ColorCorrector_AcquireReference, TARN_LUX_ColorCorrector_Destruct> {
 public:
  using LibraryObject::LibraryObject;
  TARN_LUX_CORRECTOR_PROCESSING(ColorCorrector)

  void SetColorCorrectionFactors(::tarn::lux::ColorCorrectionFactors colorCorrectorFactors) {
    float factors[::tarn::lux::ColorCorrectionFactors::kCount];
    colorCorrectorFactors.toArray(factors);
    check(TARN_LUX_ColorCorrector_SetColorCorrectionFactors(handle(), factors));
  }
  ::tarn::lux::ColorCorrectionFactors ColorCorrectionFactors() { return factors(); }
  ::tarn::lux::ColorCorrectionFactors ColorCorrectionFactors() const { return factors(); }

  void SetSaturation(float saturation) { check(TARN_LUX_ColorCorrector_SetSaturation(handle(), saturation)); }
  float Saturation() const { return readFloat(TARN_LUX_ColorCorrector_Saturation, handle()); }
  float SaturationMin() const { return readFloat(TARN_LUX_ColorCorrector_SaturationMin, handle()); }
  float SaturationMax() const { return readFloat(TARN_LUX_ColorCorrector_SaturationMax, handle()); }

 private:
  // The two-call query into room for exactly nine floats.
  ::tarn::lux::ColorCorrectionFactors factors() const {
    size_t size = 0;
    check(TARN_LUX_ColorCorrector_ColorCorrectionFactors(handle(), nullptr, &size));
    float factors[::tarn::lux::ColorCorrectionFactors::kCount] = {};
    size = ::tarn::lux::ColorCorrectionFactors::kCount;
    check(TARN_LUX_ColorCorrector_ColorCorrectionFactors(handle(), factors, &size));
    return ::tarn::lux::ColorCorrectionFactors(factors);
  }
};

class GammaCorrector
    : public LibraryObject<TARN_LUX_GammaCorrectorHandle, TARN_LUX_GammaCorrector_Construct,
                           TARN_LUX_GammaCorrector_AcquireReference, TARN_LUX_GammaCorrector_Destruct> {
 public:
  using LibraryObject::LibraryObject;
  TARN_LUX_CORRECTOR_PROCESSING(GammaCorrector)

  void SetGammaCorrectionValue(float gammaValue) {
    writeFloat(TARN_LUX_GammaCorrector_SetGammaCorrectionValue, handle(), gammaValue);
  }
  float GammaCorrectionValue() const { return readFloat(TARN_LUX_GammaCorrector_GammaCorrectionValue, handle()); }
  float GammaCorrectionMin() const { return readFloat(TARN_LUX_GammaCorrector_GammaCorrectionMin, handle()); }
  float GammaCorrectionMax() const { return readFloat(TARN_LUX_GammaCorrector_GammaCorrectionMax, handle()); }
};

#define TARN_LUX_GAIN_CHANNEL(CHANNEL, ARGUMENT)                                                         \
  void Set##CHANNEL##GainValue(float ARGUMENT) {                                                           \
    writeFloat(TARN_LUX_Gain_Set##CHANNEL##GainValue, handle(), ARGUMENT);                                 \
  }                                                                                                        \
  float CHANNEL##GainValue() const { return readFloat(TARN_LUX_Gain_##CHANNEL##GainValue, handle()); }    \
  float CHANNEL##GainMin() const { return readFloat(TARN_LUX_Gain_##CHANNEL##GainMin, handle()); }        \
  float CHANNEL##GainMax() const { return readFloat(TARN_LUX_Gain_##CHANNEL##GainMax, handle()); }

class Gain : public LibraryObject<TARN_LUX_GainHandle, TARN_LUX_Gain_Construct, TARN_LUX_Gain_AcquireReference,
                                  TARN_LUX_Gain_Destruct> {
 public:
  using LibraryObject::LibraryObject;
  TARN_LUX_CORRECTOR_PROCESSING(Gain)
  TARN_LUX_GAIN_CHANNEL(Master, masterGainValue)
  TARN_LUX_GAIN_CHANNEL(Red, redGainValue)
  TARN_LUX_GAIN_CHANNEL(Green, greenGainValue)
  TARN_LUX_GAIN_CHANNEL(Blue, blueGainValue)
};

#undef TARN_LUX_GAIN_CHANNEL
#undef TARN_LUX_CORRECTOR_PROCESSING

}  // namespace tarn::lux
