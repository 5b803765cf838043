// Gain, gamma and colour correction: the arithmetic against double-precision
// formulas, every kernel path against the scalar one, format support, ranges
// and refusals through the interface.
#include "correct/correctors.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

#include "core/bayer.h"
#include "correct/correct_kernels.h"
#include "support/kernel_paths.h"
#include "support/noise_image.h"
#include "test_support.h"

namespace orx {
namespace {

using testing::bytesOf;
using testing::noiseImage;

// Noise within the format's range.
Image rangedNoise(TARN_LUX_PixelFormatName format, size_t width, size_t height, uint32_t seed) {
    Image image = noiseImage(format, width, height, seed);
    if (image.formatInfo().storageBitsPerChannel == 16) {
        const uint16_t top = uint16_t(image.formatInfo().maximumValuePerChannel());
        for (size_t i = 0; i + 1 < image.byteCount(); i += 2) image.data()[i + 1] &= uint8_t(top >> 8);
    }
    return image;
}

uint32_t sampleAt(const Image& image, size_t index) {
    if (image.formatInfo().storageBitsPerChannel == 8) return image.data()[index];
    uint16_t value;
    std::memcpy(&value, image.data() + 2 * index, 2);
    return value;
}

TEST(CorrectKernels, TablesAndMatrixAgreeWithTheirScalarTwins) {
    std::vector<uint8_t> tables[correct::kMaxPeriod];
    const uint8_t* tablePointers[correct::kMaxPeriod];
    for (size_t k = 0; k < correct::kMaxPeriod; ++k) {
        tables[k] = testing::noiseBytes(256, uint32_t(k + 1));
        tablePointers[k] = tables[k].data();
    }
    for (size_t period = 1; period <= correct::kMaxPeriod; ++period)
        for (size_t samples : {1, 63, 64, 65, 191, 200, 1000}) {
            const std::vector<uint8_t> in = testing::noiseBytes(samples, uint32_t(samples));
            std::vector<uint8_t> scalar(samples), fast(samples);
            correct::applyTables8Scalar(in.data(), scalar.data(), samples, tablePointers, period, 0);
            const size_t done = useWideKernels() ? correct::applyTables8Wide(in.data(), fast.data(), samples, tablePointers, period) : 0;
            correct::applyTables8Scalar(in.data(), fast.data(), samples, tablePointers, period, done);
            ASSERT_EQ(scalar, fast) << period << " " << samples;
        }
    const correct::Matrix matrix{{{1.7f, -0.4f, -0.3f}, {-0.25f, 1.5f, -0.25f}, {0.1f, -0.9f, 1.8f}}, 255.0f, 3};
    for (size_t channels : {3, 4})
        for (size_t pixels : {1, 15, 16, 17, 33, 100}) {
            correct::Matrix m = matrix;
            m.channels = channels;
            const std::vector<uint8_t> in = testing::noiseBytes(pixels * channels, uint32_t(pixels));
            std::vector<uint8_t> scalar(in.size()), fast(in.size());
            correct::applyMatrix8Scalar(in.data(), scalar.data(), pixels, m, 0);
            const size_t done = useWideKernels() ? correct::applyMatrix8Wide(in.data(), fast.data(), pixels, m) : 0;
            correct::applyMatrix8Scalar(in.data(), fast.data(), pixels, m, done);
            ASSERT_EQ(scalar, fast) << channels << " " << pixels;
        }
}

void configure(ColorCorrector& colour, GammaCorrector& gamma, Gain& gain) {
    colour.settings.change([](ColorCorrector::Settings& s) {
        const float factors[] = {1.6f, -0.3f, -0.3f, -0.2f, 1.4f, -0.2f, 0.05f, -0.45f, 1.4f};
        std::copy_n(factors, 9, s.factors);
        s.saturation = 1.3f;
    });
    gamma.settings.change([](GammaCorrector::Settings& s) { s.gamma = 2.2f; });
    gain.settings.change([](Gain::Settings& s) {
        s.gain[Gain::Master] = 1.25f;
        s.gain[Gain::Red] = 1.9f;
        s.gain[Gain::Green] = 0.8f;
        s.gain[Gain::Blue] = 1.1f;
    });
}

TEST(Correctors, EveryPathGivesTheSameBytesAndInPlaceEqualsTheCopy) {
    ColorCorrector colour;
    GammaCorrector gamma;
    Gain gain;
    configure(colour, gamma, gain);
    const Corrector* correctors[] = {&colour, &gamma, &gain};
    for (const PixelFormatInfo& format : pixelFormats())
        for (const Corrector* corrector : correctors) {
            if (!corrector->supports(format.name)) continue;
            for (const auto& [w, h] : {std::make_pair(1, 1), std::make_pair(67, 5), std::make_pair(130, 3)}) {
                const Image input = rangedNoise(format.name, size_t(w), size_t(h), uint32_t(w));
                EXPECT_EQ(testing::firstDisagreeingPath([&] { return bytesOf(corrector->process(input)); }), "")
                    << format.text;
                Image changed = input.clone();
                corrector->processInPlace(changed);
                EXPECT_EQ(bytesOf(changed), bytesOf(corrector->process(input))) << format.text;
            }
        }
}

TEST(Correctors, GainAndGammaEqualTheFormulaRounded) {
    ColorCorrector colour;
    GammaCorrector gamma;
    Gain gain;
    configure(colour, gamma, gain);
    for (TARN_LUX_PixelFormatName name : {TARN_LUX_PixelFormatName_BGRa8, TARN_LUX_PixelFormatName_RGB12,
                                          TARN_LUX_PixelFormatName_BayerGB10, TARN_LUX_PixelFormatName_Mono8}) {
        const Image input = rangedNoise(name, 37, 4, 3);
        const PixelFormatInfo& format = input.formatInfo();
        const double top = format.maximumValuePerChannel();
        const Image gained = gain.process(input);
        const Image corrected = gamma.process(input);
        const double perColour[] = {1.25 * double(1.9f), 1.25 * double(0.8f), 1.25 * double(1.1f)};
        for (size_t y = 0; y < 4; ++y)
            for (size_t x = 0; x < 37; ++x)
                for (size_t c = 0; c < format.channels; ++c) {
                    const size_t index = (y * 37 + x) * format.channels + c;
                    const double v = sampleAt(input, index);
                    double factor = 1.25;  // gray: the master gain alone
                    bool alpha = false;
                    if (format.isBayered()) {
                        factor = perColour[bayer::colourAt(bayer::tileOf(format.bayerPattern), x, y)];
                    } else if (format.channels > 1) {
                        alpha = c == 3;
                        const size_t colourIndex = format.order == ChannelOrder::BGRa ? 2 - c : c;
                        if (!alpha) factor = perColour[colourIndex];
                    }
                    const double expectedGain = alpha ? v : std::min(top, std::floor(v * factor + 0.5));
                    const double expectedGamma = alpha ? v : std::floor(top * std::pow(v / top, 1 / double(2.2f)) + 0.5);
                    ASSERT_EQ(sampleAt(gained, index), expectedGain) << format.text << " " << x << "," << y << "," << c;
                    ASSERT_EQ(sampleAt(corrected, index), expectedGamma) << format.text << " " << x << "," << y;
                }
    }
}

TEST(Correctors, ColourMatrixAndSaturationWithinOneOfTheRealValue) {
    ColorCorrector colour;
    GammaCorrector gamma;
    Gain gain;
    configure(colour, gamma, gain);
    const double factors[3][3] = {{1.6, -0.3, -0.3}, {-0.2, 1.4, -0.2}, {0.05, -0.45, 1.4}};
    const double s = 1.3, luma[3] = {0.299, 0.587, 0.114};
    for (TARN_LUX_PixelFormatName name : {TARN_LUX_PixelFormatName_RGB8, TARN_LUX_PixelFormatName_BGR10,
                                          TARN_LUX_PixelFormatName_RGBa12}) {
        const Image input = rangedNoise(name, 41, 3, 8);
        const Image output = colour.process(input);
        const PixelFormatInfo& format = input.formatInfo();
        const bool bgr = format.order == ChannelOrder::BGR;
        const double top = format.maximumValuePerChannel();
        for (size_t p = 0; p < 41 * 3; ++p) {
            double rgb[3], corrected[3];
            for (size_t c = 0; c < 3; ++c) rgb[c] = sampleAt(input, p * format.channels + (bgr ? 2 - c : c));
            for (size_t k = 0; k < 3; ++k)
                corrected[k] = factors[k][0] * rgb[0] + factors[k][1] * rgb[1] + factors[k][2] * rgb[2];
            const double y = luma[0] * corrected[0] + luma[1] * corrected[1] + luma[2] * corrected[2];
            for (size_t k = 0; k < 3; ++k) {
                const double expected = std::min(top, std::max(0.0, y + s * (corrected[k] - y)));
                const double got = sampleAt(output, p * format.channels + (bgr ? 2 - k : k));
                ASSERT_LE(std::abs(got - expected), 1.0) << format.text << " pixel " << p << " channel " << k;
            }
            if (format.channels == 4) {
                ASSERT_EQ(sampleAt(output, p * 4 + 3), sampleAt(input, p * 4 + 3));
            }
        }
    }
}

// --- Through the interface --------------------------------------------------

TEST(CorrectorInterface, SettingsRangesAndRefusals) {
    TARN_LUX_GammaCorrectorHandle gamma = nullptr;
    ASSERT_EQ(TARN_LUX_GammaCorrector_Construct(&gamma), TARN_LUX_RETURN_CODE_SUCCESS);
    float value = 0, minimum = 0, maximum = 0;
    TARN_LUX_GammaCorrector_GammaCorrectionMin(gamma, &minimum);
    TARN_LUX_GammaCorrector_GammaCorrectionMax(gamma, &maximum);
    EXPECT_LT(minimum, maximum);
    const float tooLarge = maximum * 2, nan = std::nanf("");
    EXPECT_FAILS_WITH(TARN_LUX_GammaCorrector_SetGammaCorrectionValue(gamma, &tooLarge),
                      TARN_LUX_RETURN_CODE_INVALID_ARGUMENT, "gammaValue isn't supported.");
    EXPECT_FAILS_WITH(TARN_LUX_GammaCorrector_SetGammaCorrectionValue(gamma, &nan),
                      TARN_LUX_RETURN_CODE_INVALID_ARGUMENT, "gammaValue isn't supported.");
    TARN_LUX_GammaCorrector_GammaCorrectionValue(gamma, &value);
    EXPECT_EQ(value, 1.0f);
    EXPECT_EQ(TARN_LUX_GammaCorrector_SetGammaCorrectionValue(gamma, &maximum), TARN_LUX_RETURN_CODE_SUCCESS);
    TARN_LUX_GammaCorrector_GammaCorrectionValue(gamma, &value);
    EXPECT_EQ(value, maximum);
    EXPECT_EQ(TARN_LUX_GammaCorrector_SetGammaCorrectionValue(gamma, nullptr), TARN_LUX_RETURN_CODE_INVALID_ARGUMENT);
    TARN_LUX_GammaCorrector_Destruct(gamma);

    TARN_LUX_GainHandle gain = nullptr;
    ASSERT_EQ(TARN_LUX_Gain_Construct(&gain), TARN_LUX_RETURN_CODE_SUCCESS);
    const float negative = -1;
    EXPECT_FAILS_WITH(TARN_LUX_Gain_SetBlueGainValue(gain, &negative), TARN_LUX_RETURN_CODE_INVALID_ARGUMENT,
                      "blueGainValue isn't supported.");
    EXPECT_FAILS_WITH(TARN_LUX_Gain_SetMasterGainValue(gain, &negative), TARN_LUX_RETURN_CODE_INVALID_ARGUMENT,
                      "masterGainValue isn't supported.");
    TARN_LUX_Gain_RedGainMax(gain, &maximum);
    EXPECT_EQ(TARN_LUX_Gain_SetRedGainValue(gain, &maximum), TARN_LUX_RETURN_CODE_SUCCESS);
    TARN_LUX_Gain_RedGainValue(gain, &value);
    EXPECT_EQ(value, maximum);
    TARN_LUX_Gain_Destruct(gain);

    TARN_LUX_ColorCorrectorHandle colour = nullptr;
    ASSERT_EQ(TARN_LUX_ColorCorrector_Construct(&colour), TARN_LUX_RETURN_CODE_SUCCESS);
    EXPECT_FAILS_WITH(TARN_LUX_ColorCorrector_SetSaturation(colour, -0.5f), TARN_LUX_RETURN_CODE_INVALID_ARGUMENT,
                      "saturation isn't supported.");
    size_t count = 0;
    ASSERT_EQ(TARN_LUX_ColorCorrector_ColorCorrectionFactors(colour, nullptr, &count), TARN_LUX_RETURN_CODE_SUCCESS);
    EXPECT_EQ(count, 9u);
    float factors[9] = {};
    count = 4;
    EXPECT_EQ(TARN_LUX_ColorCorrector_ColorCorrectionFactors(colour, factors, &count),
              TARN_LUX_RETURN_CODE_BUFFER_TOO_SMALL);
    const float wanted[9] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    ASSERT_EQ(TARN_LUX_ColorCorrector_SetColorCorrectionFactors(colour, wanted), TARN_LUX_RETURN_CODE_SUCCESS);
    count = 9;
    ASSERT_EQ(TARN_LUX_ColorCorrector_ColorCorrectionFactors(colour, factors, &count), TARN_LUX_RETURN_CODE_SUCCESS);
    EXPECT_EQ(std::vector<float>(factors, factors + 9), std::vector<float>(wanted, wanted + 9));
    const float absurd[9] = {1, 0, 0, 0, 1e9f, 0, 0, 0, 1};
    EXPECT_FAILS_WITH(TARN_LUX_ColorCorrector_SetColorCorrectionFactors(colour, absurd),
                      TARN_LUX_RETURN_CODE_INVALID_ARGUMENT, "colorCorrectionFactors isn't supported.");
    TARN_LUX_ColorCorrector_Destruct(colour);
}

TEST(CorrectorInterface, SupportIsExactlyWhereProcessWorks) {
    TARN_LUX_ColorCorrectorHandle colour = nullptr;
    TARN_LUX_GammaCorrectorHandle gamma = nullptr;
    TARN_LUX_GainHandle gain = nullptr;
    ASSERT_EQ(TARN_LUX_ColorCorrector_Construct(&colour), TARN_LUX_RETURN_CODE_SUCCESS);
    ASSERT_EQ(TARN_LUX_GammaCorrector_Construct(&gamma), TARN_LUX_RETURN_CODE_SUCCESS);
    ASSERT_EQ(TARN_LUX_Gain_Construct(&gain), TARN_LUX_RETURN_CODE_SUCCESS);
    for (const PixelFormatInfo& format : pixelFormats()) {
        if (!format.isValid()) continue;
        test::ScopedImage image(format.name, 4, 2);
        TARN_LUX_BOOL supported[3] = {};
        TARN_LUX_ImageHandle output = nullptr;
        TARN_LUX_RETURN_CODE codes[3];
        TARN_LUX_ColorCorrector_IsPixelFormatSupported(colour, format.name, &supported[0]);
        codes[0] = TARN_LUX_ColorCorrector_Process(colour, image.get(), &output);
        if (output) TARN_LUX_Image_Destruct(std::exchange(output, nullptr));
        TARN_LUX_GammaCorrector_IsPixelFormatSupported(gamma, format.name, &supported[1]);
        codes[1] = TARN_LUX_GammaCorrector_ProcessInPlace(gamma, image.get());
        TARN_LUX_Gain_IsPixelFormatSupported(gain, format.name, &supported[2]);
        codes[2] = TARN_LUX_Gain_Process(gain, image.get(), &output);
        if (output) TARN_LUX_Image_Destruct(output);
        for (size_t i = 0; i < 3; ++i) {
            EXPECT_EQ(supported[i] == 1, codes[i] == TARN_LUX_RETURN_CODE_SUCCESS) << format.text << " " << i;
            if (!supported[i]) {
                EXPECT_EQ(codes[i], TARN_LUX_RETURN_CODE_IMAGE_FORMAT_NOT_SUPPORTED);
                EXPECT_NE(test::lastFailure().text.find("image has unsupported pixel format"), std::string::npos);
            }
        }
        EXPECT_EQ(supported[0] == 1, format.packing == Packing::None && format.channels >= 3) << format.text;
        EXPECT_EQ(supported[1] == 1, format.packing == Packing::None) << format.text;
    }
    TARN_LUX_BOOL unknown = 1;
    EXPECT_EQ(TARN_LUX_Gain_IsPixelFormatSupported(gain, 12345, &unknown), TARN_LUX_RETURN_CODE_SUCCESS);
    EXPECT_EQ(unknown, 0);
    TARN_LUX_ColorCorrector_Destruct(colour);
    TARN_LUX_GammaCorrector_Destruct(gamma);
    TARN_LUX_Gain_Destruct(gain);
}

}  // namespace
}  // namespace orx
