// Sharpness measurement: an algorithm and regions of interest kept in the
// library object; Measure answers one number, larger when sharper.
#pragma once

#include <cstdint>
#include <vector>

#include "image/geometry.h"
#include "image/image.h"
#include "image/pixel_format.h"
#include "image/records.h"
#include "orx_tarn_lux.h"
#include "processing/library_object.h"

namespace tarn::lux {

class Sharpness
    : public LibraryObject<TARN_LUX_SharpnessHandle, TARN_LUX_Sharpness_Construct,
                           TARN_LUX_Sharpness_AcquireReference, TARN_LUX_Sharpness_Destruct> {
 public:
  enum SharpnessAlgorithm : int32_t {
    SharpnessAlgorithm_Tenengrad = 0,
    SharpnessAlgorithm_MeanScore = 1,
    SharpnessAlgorithm_HistogramVariance = 2,
    SharpnessAlgorithm_Sobel = 3,
  };
  using SharpnessROIWeight = tarn::lux::SharpnessROIWeight;
  // The class's own record type, laid out like tarn::lux::SharpnessROI; no
  // function makes one, and a tarn::lux::SharpnessROI does not convert to it.
  struct SharpnessROI {
    Rect2D rect{0, 0, 0, 0};
    uint8_t xSamplingInterval = 1;
    uint8_t ySamplingInterval = 1;
    SharpnessROIWeight weight = SharpnessROIWeight_Medium;
  };
  using LibraryObject::LibraryObject;

  double Measure(const Image &image);
  bool IsPixelFormatSupported(PixelFormatName pixelFormatName) const;
  std::vector<PixelFormatName> SupportedPixelFormats() const;
  void SetAlgorithm(SharpnessAlgorithm algorithm);
  SharpnessAlgorithm Algorithm() const;
  Size2D ROIMinSize() const;
  void SetROI(const SharpnessROI &roi);
  void SetROI(const Rect2D &rect);
  void SetROI(const tarn::lux::SharpnessROI &roi);
  void SetROIs(const std::vector<tarn::lux::SharpnessROI> &rois);
  std::vector<tarn::lux::SharpnessROI> GetROIs();
};

// Rectangles equal, then weight, then the two sampling intervals.
bool operator==(const SharpnessROI &a, const SharpnessROI &b);
inline bool operator!=(const SharpnessROI &a, const SharpnessROI &b) { return !(a == b); }

}  // namespace tarn::lux
