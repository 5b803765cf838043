// Interpolation algorithms of scaling, numbered as they cross the C ABI.
#pragma once

#include <cstdint>

namespace orx {

enum class Interpolation : uint32_t {
    Nearest = 0,       // source pixel under dst * (src/dst), rounded down
    Linear = 1,        // bilinear between the pixel centres
    Cubic = 2,         // Keys cubic convolution, a = -0.75, 4 x 4 taps
    Area = 3,          // box filter over the covered area
    Lanczos4 = 4,      // Lanczos window of 4 lobes, 8 x 8 taps
    LinearExact = 5,   // bilinear, rounded once from exact weights
    NearestExact = 6,  // source pixel under the destination pixel's centre
};

constexpr uint32_t kInterpolationCount = 7;

inline bool isKnownInterpolation(uint32_t value) { return value < kInterpolationCount; }

}  // namespace orx
