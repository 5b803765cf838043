// Processors close to the sensor: binning, decimation, hot-pixel correction
// and edge enhancement. Each holds one library handle; every setting lives
// in the library object, so shallow copies share it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "image/geometry.h"
#include "image/image.h"
#include "image/pixel_format.h"
#include "orx_tarn_lux.h"
#include "processing/library_object.h"

namespace tarn::lux {

class Binning
    : public LibraryObject<TARN_LUX_BinningHandle, TARN_LUX_Binning_Construct,
                           TARN_LUX_Binning_AcquireReference, TARN_LUX_Binning_Destruct> {
 public:
  enum BinningMode : int32_t { BinningMode_Average = 0, BinningMode_Sum = 1 };
  using LibraryObject::LibraryObject;

  void SetBinningX(uint8_t value);
  void SetBinningY(uint8_t value);
  uint8_t BinningX() const;
  uint8_t BinningY() const;
  uint8_t BinningMin() const;
  uint8_t BinningMax() const;
  void SetMode(BinningMode mode);
  BinningMode Mode() const;
  Size2D ExpectedOutputSize(Size2D inputSize, PixelFormatName pixelFormat) const;
  bool IsPixelFormatSupported(PixelFormatName pixelFormatName) const;
  Image Process(const Image &inputImage) const;
};

class Decimation
    : public LibraryObject<TARN_LUX_DecimationHandle, TARN_LUX_Decimation_Construct,
                           TARN_LUX_Decimation_AcquireReference, TARN_LUX_Decimation_Destruct> {
 public:
  using LibraryObject::LibraryObject;

  void SetDecimationX(uint8_t value);
  void SetDecimationY(uint8_t value);
  uint8_t DecimationX() const;
  uint8_t DecimationY() const;
  uint8_t DecimationMin() const;
  uint8_t DecimationMax() const;
  Size2D ExpectedOutputSize(Size2D inputSize, PixelFormatName pixelFormat) const;
  bool IsPixelFormatSupported(PixelFormatName pixelFormatName) const;
  Image Process(const Image &inputImage) const;
};

class HotpixelCorrection
    : public LibraryObject<TARN_LUX_HotpixelCorrectionHandle, TARN_LUX_HotpixelCorrection_Construct,
                           TARN_LUX_HotpixelCorrection_AcquireReference, TARN_LUX_HotpixelCorrection_Destruct> {
 public:
  enum SensitivityLevel : int32_t {
    SensitivityLevel_Invalid = 0,
    SensitivityLevel_SensitivityLevel1 = 1,
    SensitivityLevel_SensitivityLevel2 = 2,
    SensitivityLevel_SensitivityLevel3 = 3,
    SensitivityLevel_SensitivityLevel4 = 4,
    SensitivityLevel_SensitivityLevel5 = 5,
  };

  // Sensitivity 3 and gain factor 100; the library object is released when
  // setting either fails.
  HotpixelCorrection();
  HotpixelCorrection(const HotpixelCorrection &other) = default;
  HotpixelCorrection(HotpixelCorrection &&other) noexcept = default;

  void SetSensitivity(SensitivityLevel sensitivityLevel = SensitivityLevel_SensitivityLevel3);
  SensitivityLevel Sensitivity() const;
  void SetGainFactorPercent(uint32_t gainFactorPercent = 100);
  uint32_t GainFactorPercent() const;
  std::vector<Point2D> Detect(const Image &inputImage);
  Image Correct(const Image &inputImage, const std::vector<Point2D> &hotpixels) const;
  Image &CorrectInPlace(Image &image, const std::vector<Point2D> &hotpixels) const;
  Image CorrectAdaptive(const Image &inputImage);
  Image &CorrectAdaptiveInPlace(Image &image);
};

class EdgeEnhancement
    : public LibraryObject<TARN_LUX_EdgeEnhancementHandle, TARN_LUX_EdgeEnhancement_Construct,
                           TARN_LUX_EdgeEnhancement_AcquireReference, TARN_LUX_EdgeEnhancement_Destruct> {
 public:
  using LibraryObject::LibraryObject;

  void SetFactor(uint32_t factor);
  uint32_t Factor() const;
  uint32_t DefaultFactor() const;
  Range<uint32_t> GetRange() const;
  bool IsPixelFormatSupported(PixelFormatName pixelFormatName) const;
  Image Process(const Image &image) const;
  void ProcessInPlace(Image &image) const;
};

}  // namespace tarn::lux
