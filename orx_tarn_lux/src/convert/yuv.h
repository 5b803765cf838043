// BT.601 YUV with studio-range samples (Y 16-235, U and V 16-240 around
// 128), the range the 4:2:0 formats carry and OpenCV's NV12/NV21 and I420
// conversions use; RGB is full range. The factors are the full-range BT.601
// ones scaled by 219/255 (luma) and 224/255 (chroma), in 16-bit fixed point.
#pragma once

#include <algorithm>
#include <cstdint>

namespace orx::convert::yuv {

constexpr int32_t kShift = 16;
constexpr int32_t kHalf = 1 << (kShift - 1);
constexpr int32_t fixed(double factor) { return int32_t(factor * (1 << kShift) + 0.5); }

constexpr int32_t kLumaOffset = 16;
constexpr int32_t kChromaZero = 128;
constexpr int32_t kMax = 255;
constexpr double kLumaRange = 219.0 / 255.0;
constexpr double kChromaRange = 224.0 / 255.0;

// YUV -> RGB.
constexpr int32_t kRgbFromY = fixed(1 / kLumaRange);
constexpr int32_t kRedFromV = fixed(1.402 / kChromaRange);
constexpr int32_t kGreenFromU = fixed(0.344136 / kChromaRange);
constexpr int32_t kGreenFromV = fixed(0.714136 / kChromaRange);
constexpr int32_t kBlueFromU = fixed(1.772 / kChromaRange);

// RGB -> YUV. The chroma rows sum to exactly zero, so that gray gets
// U = V = 128 and a gray round trip keeps its chroma neutral.
constexpr int32_t kYFromRed = fixed(0.299 * kLumaRange);
constexpr int32_t kYFromGreen = fixed(0.587 * kLumaRange);
constexpr int32_t kYFromBlue = fixed(0.114 * kLumaRange);
constexpr int32_t kUFromRed = fixed(0.168736 * kChromaRange);
constexpr int32_t kUFromGreen = fixed(0.331264 * kChromaRange);
constexpr int32_t kUFromBlue = kUFromRed + kUFromGreen;
constexpr int32_t kVFromGreen = fixed(0.418688 * kChromaRange);
constexpr int32_t kVFromBlue = fixed(0.081312 * kChromaRange);
constexpr int32_t kVFromRed = kVFromGreen + kVFromBlue;

// A fixed-point sum rounded to the nearest sample and clamped to 0-255; the
// shift of a negative sum rounds down, which the clamp makes harmless.
inline uint8_t toSample(int32_t scaled) { return static_cast<uint8_t>(std::clamp((scaled + kHalf) >> kShift, 0, kMax)); }

struct Yuv {
    uint8_t y, u, v;
};

inline uint8_t lumaOf(int32_t r, int32_t g, int32_t b) {
    return toSample(kYFromRed * r + kYFromGreen * g + kYFromBlue * b + (kLumaOffset << kShift));
}

inline uint8_t blueDifferenceOf(int32_t r, int32_t g, int32_t b) {
    return toSample(kUFromBlue * b - kUFromRed * r - kUFromGreen * g + (kChromaZero << kShift));
}

inline uint8_t redDifferenceOf(int32_t r, int32_t g, int32_t b) {
    return toSample(kVFromRed * r - kVFromGreen * g - kVFromBlue * b + (kChromaZero << kShift));
}

}  // namespace orx::convert::yuv
