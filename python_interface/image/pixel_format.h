// Pixel formats: the name enumeration, the value class whose properties the
// library answers, and the small enumerations of the image model.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "orx_tarn_lux.h"

namespace tarn::lux {

enum PixelFormatName : int32_t {
  PixelFormatName_Invalid = TARN_LUX_PixelFormatName_Invalid,
  PixelFormatName_BayerGR8 = TARN_LUX_PixelFormatName_BayerGR8,
  PixelFormatName_BayerGR10 = TARN_LUX_PixelFormatName_BayerGR10,
  PixelFormatName_BayerGR12 = TARN_LUX_PixelFormatName_BayerGR12,
  PixelFormatName_BayerRG8 = TARN_LUX_PixelFormatName_BayerRG8,
  PixelFormatName_BayerRG10 = TARN_LUX_PixelFormatName_BayerRG10,
  PixelFormatName_BayerRG12 = TARN_LUX_PixelFormatName_BayerRG12,
  PixelFormatName_BayerGB8 = TARN_LUX_PixelFormatName_BayerGB8,
  PixelFormatName_BayerGB10 = TARN_LUX_PixelFormatName_BayerGB10,
  PixelFormatName_BayerGB12 = TARN_LUX_PixelFormatName_BayerGB12,
  PixelFormatName_BayerBG8 = TARN_LUX_PixelFormatName_BayerBG8,
  PixelFormatName_BayerBG10 = TARN_LUX_PixelFormatName_BayerBG10,
  PixelFormatName_BayerBG12 = TARN_LUX_PixelFormatName_BayerBG12,
  PixelFormatName_Mono8 = TARN_LUX_PixelFormatName_Mono8,
  PixelFormatName_Mono10 = TARN_LUX_PixelFormatName_Mono10,
  PixelFormatName_Mono12 = TARN_LUX_PixelFormatName_Mono12,
  PixelFormatName_YUV420_8_YY_UV_SemiplanarORX = TARN_LUX_PixelFormatName_YUV420_8_YY_UV_SemiplanarORX,
  PixelFormatName_YUV420_8_YY_VU_SemiplanarORX = TARN_LUX_PixelFormatName_YUV420_8_YY_VU_SemiplanarORX,
  PixelFormatName_RGB8 = TARN_LUX_PixelFormatName_RGB8,
  PixelFormatName_RGB10 = TARN_LUX_PixelFormatName_RGB10,
  PixelFormatName_RGB12 = TARN_LUX_PixelFormatName_RGB12,
  PixelFormatName_BGR8 = TARN_LUX_PixelFormatName_BGR8,
  PixelFormatName_BGR10 = TARN_LUX_PixelFormatName_BGR10,
  PixelFormatName_BGR12 = TARN_LUX_PixelFormatName_BGR12,
  PixelFormatName_RGBa8 = TARN_LUX_PixelFormatName_RGBa8,
  PixelFormatName_RGBa10 = TARN_LUX_PixelFormatName_RGBa10,
  PixelFormatName_RGBa12 = TARN_LUX_PixelFormatName_RGBa12,
  PixelFormatName_BGRa8 = TARN_LUX_PixelFormatName_BGRa8,
  PixelFormatName_BGRa10 = TARN_LUX_PixelFormatName_BGRa10,
  PixelFormatName_BGRa12 = TARN_LUX_PixelFormatName_BGRa12,
  PixelFormatName_BayerBG10p = TARN_LUX_PixelFormatName_BayerBG10p,
  PixelFormatName_BayerBG12p = TARN_LUX_PixelFormatName_BayerBG12p,
  PixelFormatName_BayerGB10p = TARN_LUX_PixelFormatName_BayerGB10p,
  PixelFormatName_BayerGB12p = TARN_LUX_PixelFormatName_BayerGB12p,
  PixelFormatName_BayerGR10p = TARN_LUX_PixelFormatName_BayerGR10p,
  PixelFormatName_BayerGR12p = TARN_LUX_PixelFormatName_BayerGR12p,
  PixelFormatName_BayerRG10p = TARN_LUX_PixelFormatName_BayerRG10p,
  PixelFormatName_BayerRG12p = TARN_LUX_PixelFormatName_BayerRG12p,
  PixelFormatName_Mono10p = TARN_LUX_PixelFormatName_Mono10p,
  PixelFormatName_Mono12p = TARN_LUX_PixelFormatName_Mono12p,
  PixelFormatName_RGB10p32 = TARN_LUX_PixelFormatName_RGB10p32,
  PixelFormatName_BGR10p32 = TARN_LUX_PixelFormatName_BGR10p32,
  PixelFormatName_BayerRG10g40ORX = TARN_LUX_PixelFormatName_BayerRG10g40ORX,
  PixelFormatName_BayerGB10g40ORX = TARN_LUX_PixelFormatName_BayerGB10g40ORX,
  PixelFormatName_BayerGR10g40ORX = TARN_LUX_PixelFormatName_BayerGR10g40ORX,
  PixelFormatName_BayerBG10g40ORX = TARN_LUX_PixelFormatName_BayerBG10g40ORX,
  PixelFormatName_BayerRG12g24ORX = TARN_LUX_PixelFormatName_BayerRG12g24ORX,
  PixelFormatName_BayerGB12g24ORX = TARN_LUX_PixelFormatName_BayerGB12g24ORX,
  PixelFormatName_BayerGR12g24ORX = TARN_LUX_PixelFormatName_BayerGR12g24ORX,
  PixelFormatName_BayerBG12g24ORX = TARN_LUX_PixelFormatName_BayerBG12g24ORX,
  PixelFormatName_Mono10g40ORX = TARN_LUX_PixelFormatName_Mono10g40ORX,
  PixelFormatName_Mono12g24ORX = TARN_LUX_PixelFormatName_Mono12g24ORX,
};

enum BayerPattern : int32_t {
  BayerPattern_Unknown = 0,
  BayerPattern_None = 1,
  BayerPattern_Bayer_GR = 2,
  BayerPattern_Bayer_RG = 3,
  BayerPattern_Bayer_GB = 4,
  BayerPattern_Bayer_BG = 5,
};

enum Endianness : int32_t { Endianness_Unknown = 0, Endianness_LittleEndian = 1, Endianness_BigEndian = 2 };
enum Orientation : int32_t { Orientation_Horizontal = 0, Orientation_Vertical = 1 };
enum ConversionMode : int32_t { ConversionMode_Fast = 1, ConversionMode_HighQuality = 2, ConversionMode_Classic = 3 };
enum InterpolationAlgorithm : int32_t {
  InterpolationAlgorithm_nearest = 0,
  InterpolationAlgorithm_linear = 1,
  InterpolationAlgorithm_cubic = 2,
  InterpolationAlgorithm_area = 3,
  InterpolationAlgorithm_lanczos4 = 4,
  InterpolationAlgorithm_linear_exact = 5,
  InterpolationAlgorithm_nearest_exact = 6,
};

std::string PixelFormatNameEnumEntryToString(int32_t value);
std::string ConversionModeEnumEntryToString(int32_t value);
std::string EndiannessEnumEntryToString(int32_t value);
std::string OrientationEnumEntryToString(int32_t value);

class PixelFormat {
 public:
  PixelFormat() = default;
  PixelFormat(PixelFormatName name) : name_(name) {}  // NOLINT: formats convert from names implicitly

  std::string Name() const { return PixelFormatNameEnumEntryToString(name_); }
  PixelFormatName GetPixelFormatName() const { return name_; }
  bool operator==(const PixelFormat &other) const { return name_ == other.name_; }

  size_t NumSignificantBitsPerChannel() const;
  size_t NumStorageBitsPerChannel() const;
  size_t NumChannels() const;
  uint32_t MaximumValuePerChannel() const;
  size_t NumSignificantBitsPerPixel() const;
  size_t NumStorageBitsPerPixel() const;
  Endianness GetEndianness() const;
  size_t CalculateStorageSizeOfPixels(uint64_t numberOfPixels) const;
  bool IsPacked() const;
  bool IsBayered() const;
  bool IsYUV() const;
  BayerPattern GetBayerPattern() const;

 private:
  PixelFormatName name_ = PixelFormatName_Invalid;
};

}  // namespace tarn::lux
