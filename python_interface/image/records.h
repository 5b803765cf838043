// Plain value records that carry measurement results and settings to Python
// inside vectors.  They hold no library handle; the module alone makes,
// copies and destroys them.
#pragma once

#include <cstdint>
#include <vector>

#include "image/geometry.h"

namespace tarn::lux {

// The values of one channel along a pixel line, in line order.
struct PixelLineChannel {
  std::vector<uint32_t> Values;
};

// One channel of a histogram.
struct HistogramChannel {
  uint64_t PixelSum = 0;
  uint64_t PixelCount = 0;
  std::vector<uint64_t> Bins;  // count per bin, in bin order
};

// How much one region counts in a sharpness measurement.  The sharpness
// class publishes these values as its own nested enumeration.
enum SharpnessROIWeight : uint16_t {
  SharpnessROIWeight_Weak = 33,
  SharpnessROIWeight_Medium = 66,
  SharpnessROIWeight_Strong = 99,
};

// One region of a sharpness measurement with its sampling intervals; it
// crosses the library boundary field by field.
struct SharpnessROI {
  Rect2D rect{0, 0, 0, 0};
  uint8_t xSamplingInterval = 1;
  uint8_t ySamplingInterval = 1;
  SharpnessROIWeight weight = SharpnessROIWeight_Medium;
};

}  // namespace tarn::lux
