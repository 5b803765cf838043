#include "image/pixel_format.h"

#include "library/error_mapping.h"

namespace tarn::lux {
namespace {

bool queryFlag(TARN_LUX_RETURN_CODE (*operation)(TARN_LUX_PixelFormatName, TARN_LUX_BOOL *), PixelFormatName name) {
  return query<TARN_LUX_BOOL>(operation, name) != 0;
}

}  // namespace

std::string PixelFormatNameEnumEntryToString(int32_t value) {
  switch (value) {
    case PixelFormatName_Invalid: return "Invalid";
    case PixelFormatName_BayerGR8: return "BayerGR8";
    case PixelFormatName_BayerGR10: return "BayerGR10";
    case PixelFormatName_BayerGR12: return "BayerGR12";
    case PixelFormatName_BayerRG8: return "BayerRG8";
    case PixelFormatName_BayerRG10: return "BayerRG10";
    case PixelFormatName_BayerRG12: return "BayerRG12";
    case PixelFormatName_BayerGB8: return "BayerGB8";
    case PixelFormatName_BayerGB10: return "BayerGB10";
    case PixelFormatName_BayerGB12: return "BayerGB12";
    case PixelFormatName_BayerBG8: return "BayerBG8";
    case PixelFormatName_BayerBG10: return "BayerBG10";
    case PixelFormatName_BayerBG12: return "BayerBG12";
    case PixelFormatName_Mono8: return "Mono8";
    case PixelFormatName_Mono10: return "Mono10";
    case PixelFormatName_Mono12: return "Mono12";
    case PixelFormatName_YUV420_8_YY_UV_SemiplanarORX: return "YUV420_8_YY_UV_SemiplanarORX";
    case PixelFormatName_YUV420_8_YY_VU_SemiplanarORX: return "YUV420_8_YY_VU_SemiplanarORX";
    case PixelFormatName_RGB8: return "RGB8";
    case PixelFormatName_RGB10: return "RGB10";
    case PixelFormatName_RGB12: return "RGB12";
    case PixelFormatName_BGR8: return "BGR8";
    case PixelFormatName_BGR10: return "BGR10";
    case PixelFormatName_BGR12: return "BGR12";
    case PixelFormatName_RGBa8: return "RGBa8";
    case PixelFormatName_RGBa10: return "RGBa10";
    case PixelFormatName_RGBa12: return "RGBa12";
    case PixelFormatName_BGRa8: return "BGRa8";
    case PixelFormatName_BGRa10: return "BGRa10";
    case PixelFormatName_BGRa12: return "BGRa12";
    case PixelFormatName_BayerBG10p: return "BayerBG10p";
    case PixelFormatName_BayerBG12p: return "BayerBG12p";
    case PixelFormatName_BayerGB10p: return "BayerGB10p";
    case PixelFormatName_BayerGB12p: return "BayerGB12p";
    case PixelFormatName_BayerGR10p: return "BayerGR10p";
    case PixelFormatName_BayerGR12p: return "BayerGR12p";
    case PixelFormatName_BayerRG10p: return "BayerRG10p";
    case PixelFormatName_BayerRG12p: return "BayerRG12p";
    case PixelFormatName_Mono10p: return "Mono10p";
    case PixelFormatName_Mono12p: return "Mono12p";
    case PixelFormatName_RGB10p32: return "RGB10p32";
    case PixelFormatName_BGR10p32: return "BGR10p32";
    case PixelFormatName_BayerRG10g40ORX: return "BayerRG10g40ORX";
    case PixelFormatName_BayerGB10g40ORX: return "BayerGB10g40ORX";
    case PixelFormatName_BayerGR10g40ORX: return "BayerGR10g40ORX";
    case PixelFormatName_BayerBG10g40ORX: return "BayerBG10g40ORX";
    case PixelFormatName_BayerRG12g24ORX: return "BayerRG12g24ORX";
    case PixelFormatName_BayerGB12g24ORX: return "BayerGB12g24ORX";
    case PixelFormatName_BayerGR12g24ORX: return "BayerGR12g24ORX";
    case PixelFormatName_BayerBG12g24ORX: return "BayerBG12g24ORX";
    case PixelFormatName_Mono10g40ORX: return "Mono10g40ORX";
    case PixelFormatName_Mono12g24ORX: return "Mono12g24ORX";
    default: return "INVALID PIXEL FORMAT VALUE";
  }
}

std::string ConversionModeEnumEntryToString(int32_t value) {
  switch (value) {
    case ConversionMode_Fast: return "Fast";
    case ConversionMode_HighQuality: return "HighQuality";
    case ConversionMode_Classic: return "Classic";
    default: return "INVALID CONVERSION MODE VALUE";
  }
}

std::string EndiannessEnumEntryToString(int32_t value) {
  switch (value) {
    case Endianness_Unknown: return "Unknown";
    case Endianness_LittleEndian: return "LittleEndian";
    case Endianness_BigEndian: return "BigEndian";
    default: return "INVALID ENDIANNESS VALUE";
  }
}

std::string OrientationEnumEntryToString(int32_t value) {
  switch (value) {
    case Orientation_Horizontal: return "Horizontal";
    case Orientation_Vertical: return "Vertical";
    default: return "INVALID ORIENTATION VALUE";
  }
}

size_t PixelFormat::NumSignificantBitsPerChannel() const {
  return query<size_t>(TARN_LUX_PixelFormat_NumSignificantBitsPerChannel, name_);
}
size_t PixelFormat::NumStorageBitsPerChannel() const {
  return query<size_t>(TARN_LUX_PixelFormat_NumStorageBitsPerChannel, name_);
}
size_t PixelFormat::NumChannels() const { return query<size_t>(TARN_LUX_PixelFormat_NumChannels, name_); }
uint32_t PixelFormat::MaximumValuePerChannel() const {
  return query<uint32_t>(TARN_LUX_PixelFormat_MaximumValuePerChannel, name_);
}
size_t PixelFormat::NumSignificantBitsPerPixel() const {
  return query<size_t>(TARN_LUX_PixelFormat_NumSignificantBitsPerPixel, name_);
}
size_t PixelFormat::NumStorageBitsPerPixel() const {
  return query<size_t>(TARN_LUX_PixelFormat_NumStorageBitsPerPixel, name_);
}
Endianness PixelFormat::GetEndianness() const {
  return static_cast<Endianness>(query<TARN_LUX_Endianness>(TARN_LUX_PixelFormat_Endianness, name_));
}
size_t PixelFormat::CalculateStorageSizeOfPixels(uint64_t numberOfPixels) const {
  size_t bytes = 0;
  check(TARN_LUX_PixelFormat_CalculateStorageSizeOfPixels(name_, numberOfPixels, &bytes));
  return bytes;
}
bool PixelFormat::IsPacked() const { return queryFlag(TARN_LUX_PixelFormat_IsPacked, name_); }
bool PixelFormat::IsBayered() const { return queryFlag(TARN_LUX_PixelFormat_IsBayered, name_); }
bool PixelFormat::IsYUV() const { return queryFlag(TARN_LUX_PixelFormat_IsYUV, name_); }
BayerPattern PixelFormat::GetBayerPattern() const {
  return static_cast<BayerPattern>(query<TARN_LUX_BayerPattern>(TARN_LUX_PixelFormat_BayerPattern, name_));
}

}  // namespace tarn::lux
