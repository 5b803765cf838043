// The three correctors: colour correction matrix with saturation, gamma and
// gain. Settings live in the object behind the handle, guarded so that one
// thread may change them while another processes; Process takes a copy of
// the settings when it starts.
//
// Formats. All three: RGB, BGR, RGBa and BGRa at 8, 10 and 12 bits (alpha is
// copied). Gamma and gain also take Mono8/10/12 and the unpacked Bayer
// formats; the gain of a mosaic is per colour site, of a gray image the
// master gain alone. Everything else, packed formats in particular, answers
// TARN_LUX_RETURN_CODE_IMAGE_FORMAT_NOT_SUPPORTED ("image has unsupported
// pixel format"), and IsPixelFormatSupported says true exactly for the
// formats listed.
//
// Arithmetic, on samples v of a format whose maximum is M (255, 1023, 4095):
//  - gain:  min(M, round(v * master * channel gain)), the channel gain red,
//    green or blue (1 for gray images);
//  - gamma: round(M * (v / M) ^ (1 / gamma));
//  - colour: the factors matrix F (R' = RR*R + GR*G + BR*B, G' = RG*R + GG*G
//    + BG*B, B' = RB*R + GB*G + BB*B) followed by the saturation s around
//    each pixel's luma Y = 0.299 R + 0.587 G + 0.114 B, i.e. C'' = Y' + s *
//    (C' - Y'); both fold into one matrix applied in 32-bit float with fused
//    multiply-adds, clamped to [0, M] and rounded to nearest (ties to even).
// Gain and gamma go through a table per channel computed in double precision
// and rounded half up, so they equal the real-valued formula rounded; the
// colour matrix is within one step of it. Samples of 16-bit formats whose
// unused high bits are set count as M.
//
// Ranges (values outside are refused with TARN_LUX_RETURN_CODE_INVALID_ARGUMENT
// and "<name> isn't supported.", the setting unchanged): gamma 0.1 to 10
// (default 1), each gain 0 to 16 (default 1), saturation 0 to 4 (default 1),
// each matrix factor -16 to 16 (default the identity). NaN is refused too.
#pragma once

#include <mutex>

#include "core/image.h"

namespace orx {

// Minimum, maximum and default of one numeric setting.
struct SettingRange {
    float minimum;
    float maximum;
    float initial;
};

// Settings that one thread may change while another processes with them.
template <typename Settings>
class Guarded {
public:
    Settings get() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return settings_;
    }
    template <typename Change>
    void change(Change&& change) {
        std::lock_guard<std::mutex> lock(mutex_);
        change(settings_);
    }

private:
    mutable std::mutex mutex_;
    Settings settings_;
};

// Refuses NaN and values outside the range with "<name> isn't supported.".
void checkSetting(float value, const SettingRange& range, const char* name);

// Shared by the three: format support and the two processing forms.
class Corrector {
public:
    virtual ~Corrector() = default;
    virtual bool supports(TARN_LUX_PixelFormatName format) const = 0;
    Image process(const Image& image) const;
    void processInPlace(Image& image) const;

protected:
    // Writes the corrected pixels of `in` to `out` (possibly the same image).
    virtual void apply(const Image& in, Image& out) const = 0;
};

class ColorCorrector final : public Corrector {
public:
    static constexpr size_t kFactorCount = 9;
    static constexpr SettingRange kFactor = {-16.0f, 16.0f, 0.0f};
    static constexpr SettingRange kSaturation = {0.0f, 4.0f, 1.0f};

    struct Settings {
        float factors[kFactorCount] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
        float saturation = kSaturation.initial;
    };

    Guarded<Settings> settings;

    bool supports(TARN_LUX_PixelFormatName format) const override;

private:
    void apply(const Image& in, Image& out) const override;
};

class GammaCorrector final : public Corrector {
public:
    static constexpr SettingRange kGamma = {0.1f, 10.0f, 1.0f};

    struct Settings {
        float gamma = kGamma.initial;
    };

    Guarded<Settings> settings;

    bool supports(TARN_LUX_PixelFormatName format) const override;

private:
    void apply(const Image& in, Image& out) const override;
};

class Gain final : public Corrector {
public:
    static constexpr SettingRange kGain = {0.0f, 16.0f, 1.0f};
    enum Channel { Master, Red, Green, Blue, kChannelCount };

    struct Settings {
        float gain[kChannelCount] = {1.0f, 1.0f, 1.0f, 1.0f};
    };

    Guarded<Settings> settings;

    bool supports(TARN_LUX_PixelFormatName format) const override;

private:
    void apply(const Image& in, Image& out) const override;
};

}  // namespace orx

ORX_BIND_HANDLE(TARN_LUX_ColorCorrectorHandle, orx::ColorCorrector);
ORX_BIND_HANDLE(TARN_LUX_GammaCorrectorHandle, orx::GammaCorrector);
ORX_BIND_HANDLE(TARN_LUX_GainHandle, orx::Gain);
