#include "processing/sensor.h"

#include "library/error_mapping.h"

namespace tarn::lux {
namespace {

// A factor setter receives the factor's address, as the library asks.
template <class Handle>
void setFactor(TARN_LUX_RETURN_CODE (*operation)(Handle, const uint8_t *), Handle handle, uint8_t value) {
  check(operation(handle, &value));
}

template <class Handle>
Size2D expectedSize(TARN_LUX_RETURN_CODE (*operation)(Handle, size_t *, size_t *, size_t, size_t,
                                                      TARN_LUX_PixelFormatName),
                    Handle handle, Size2D input, PixelFormatName pixelFormat) {
  Size2D output{};
  check(operation(handle, &output.width, &output.height, input.width, input.height, pixelFormat));
  return output;
}

template <class Handle>
bool supports(TARN_LUX_RETURN_CODE (*operation)(Handle, TARN_LUX_PixelFormatName, TARN_LUX_BOOL *), Handle handle,
              PixelFormatName name) {
  TARN_LUX_BOOL flag = TARN_LUX_FALSE;
  check(operation(handle, name, &flag));
  return flag == TARN_LUX_TRUE;
}

// Operations that make a new image from one: the result takes the handle.
template <class Handle>
Image processed(TARN_LUX_RETURN_CODE (*operation)(Handle, TARN_LUX_ImageHandle, TARN_LUX_ImageHandle *),
                Handle handle, const Image &input) {
  TARN_LUX_ImageHandle output = nullptr;
  check(operation(handle, input.handle(), &output));
  return Image(output);
}

const TARN_LUX_Point2D *positions(const std::vector<Point2D> &hotpixels) {
  static_assert(sizeof(Point2D) == sizeof(TARN_LUX_Point2D), "positions cross the boundary unchanged");
  return hotpixels.empty() ? nullptr : reinterpret_cast<const TARN_LUX_Point2D *>(hotpixels.data());
}

}  // namespace

void Binning::SetBinningX(uint8_t value) { setFactor(TARN_LUX_Binning_SetBinningX, handle(), value); }
void Binning::SetBinningY(uint8_t value) { setFactor(TARN_LUX_Binning_SetBinningY, handle(), value); }
uint8_t Binning::BinningX() const { return query<uint8_t>(TARN_LUX_Binning_BinningX, handle()); }
uint8_t Binning::BinningY() const { return query<uint8_t>(TARN_LUX_Binning_BinningY, handle()); }
uint8_t Binning::BinningMin() const { return query<uint8_t>(TARN_LUX_Binning_BinningMin, handle()); }
uint8_t Binning::BinningMax() const { return query<uint8_t>(TARN_LUX_Binning_BinningMax, handle()); }
void Binning::SetMode(BinningMode mode) {
  const TARN_LUX_BinningMode value = static_cast<TARN_LUX_BinningMode>(mode);
  check(TARN_LUX_Binning_SetMode(handle(), &value));
}
Binning::BinningMode Binning::Mode() const {
  return static_cast<BinningMode>(query<TARN_LUX_BinningMode>(TARN_LUX_Binning_Mode, handle()));
}
Size2D Binning::ExpectedOutputSize(Size2D inputSize, PixelFormatName pixelFormat) const {
  return expectedSize(TARN_LUX_Binning_ExpectedOutputSize, handle(), inputSize, pixelFormat);
}
bool Binning::IsPixelFormatSupported(PixelFormatName name) const {
  return supports(TARN_LUX_Binning_IsPixelFormatSupported, handle(), name);
}
Image Binning::Process(const Image &inputImage) const {
  return processed(TARN_LUX_Binning_Process, handle(), inputImage);
}

void Decimation::SetDecimationX(uint8_t value) { setFactor(TARN_LUX_Decimation_SetDecimationX, handle(), value); }
void Decimation::SetDecimationY(uint8_t value) { setFactor(TARN_LUX_Decimation_SetDecimationY, handle(), value); }
uint8_t Decimation::DecimationX() const { return query<uint8_t>(TARN_LUX_Decimation_DecimationX, handle()); }
uint8_t Decimation::DecimationY() const { return query<uint8_t>(TARN_LUX_Decimation_DecimationY, handle()); }
uint8_t Decimation::DecimationMin() const { return query<uint8_t>(TARN_LUX_Decimation_DecimationMin, handle()); }
uint8_t Decimation::DecimationMax() const { return query<uint8_t>(TARN_LUX_Decimation_DecimationMax, handle()); }
Size2D Decimation::ExpectedOutputSize(Size2D inputSize, PixelFormatName pixelFormat) const {
  return expectedSize(TARN_LUX_Decimation_ExpectedOutputSize, handle(), inputSize, pixelFormat);
}
bool Decimation::IsPixelFormatSupported(PixelFormatName name) const {
  return supports(TARN_LUX_Decimation_IsPixelFormatSupported, handle(), name);
}
Image Decimation::Process(const Image &inputImage) const {
  return processed(TARN_LUX_Decimation_Process, handle(), inputImage);
}

HotpixelCorrection::HotpixelCorrection() {
  // A failure here leaves through the base destructor, which releases the object.
  SetSensitivity();
  SetGainFactorPercent();
}
void HotpixelCorrection::SetSensitivity(SensitivityLevel level) {
  check(TARN_LUX_HotpixelCorrection_SetSensitivity(handle(), level));
}
HotpixelCorrection::SensitivityLevel HotpixelCorrection::Sensitivity() const {
  return static_cast<SensitivityLevel>(
      query<TARN_LUX_HotpixelSensitivityLevel>(TARN_LUX_HotpixelCorrection_Sensitivity, handle()));
}
void HotpixelCorrection::SetGainFactorPercent(uint32_t percent) {
  check(TARN_LUX_HotpixelCorrection_SetGainFactorPercent(handle(), percent));
}
uint32_t HotpixelCorrection::GainFactorPercent() const {
  return query<uint32_t>(TARN_LUX_HotpixelCorrection_GainFactorPercent, handle());
}
std::vector<Point2D> HotpixelCorrection::Detect(const Image &inputImage) {
  check(TARN_LUX_HotpixelCorrection_Detect(handle(), inputImage.handle()));
  size_t count = 0;
  check(TARN_LUX_HotpixelCorrection_Hotpixels(handle(), nullptr, &count));
  std::vector<Point2D> found(count);
  check(TARN_LUX_HotpixelCorrection_Hotpixels(
      handle(), found.empty() ? nullptr : reinterpret_cast<TARN_LUX_Point2D *>(found.data()), &count));
  found.resize(count);
  return found;
}
Image HotpixelCorrection::Correct(const Image &inputImage, const std::vector<Point2D> &hotpixels) const {
  TARN_LUX_ImageHandle output = nullptr;
  check(TARN_LUX_HotpixelCorrection_Correct(handle(), inputImage.handle(), positions(hotpixels), hotpixels.size(),
                                            &output));
  return Image(output);
}
Image &HotpixelCorrection::CorrectInPlace(Image &image, const std::vector<Point2D> &hotpixels) const {
  check(TARN_LUX_HotpixelCorrection_CorrectInPlace(handle(), image.handle(), positions(hotpixels), hotpixels.size()));
  return image;
}
Image HotpixelCorrection::CorrectAdaptive(const Image &inputImage) {
  return processed(TARN_LUX_HotpixelCorrection_CorrectAdaptive, handle(), inputImage);
}
Image &HotpixelCorrection::CorrectAdaptiveInPlace(Image &image) {
  check(TARN_LUX_HotpixelCorrection_CorrectAdaptiveInPlace(handle(), image.handle()));
  return image;
}

void EdgeEnhancement::SetFactor(uint32_t factor) { check(TARN_LUX_EdgeEnhancement_SetFactor(handle(), factor)); }
uint32_t EdgeEnhancement::Factor() const { return query<uint32_t>(TARN_LUX_EdgeEnhancement_Factor, handle()); }
uint32_t EdgeEnhancement::DefaultFactor() const {
  return query<uint32_t>(TARN_LUX_EdgeEnhancement_DefaultFactor, handle());
}
Range<uint32_t> EdgeEnhancement::GetRange() const {
  const auto range = query<TARN_LUX_RangeUInt32>(TARN_LUX_EdgeEnhancement_Range, handle());
  return Range<uint32_t>(range.minimum, range.maximum, range.increment);
}
bool EdgeEnhancement::IsPixelFormatSupported(PixelFormatName name) const {
  return supports(TARN_LUX_EdgeEnhancement_IsPixelFormatSupported, handle(), name);
}
Image EdgeEnhancement::Process(const Image &image) const {
  return processed(TARN_LUX_EdgeEnhancement_Process, handle(), image);
}
void EdgeEnhancement::ProcessInPlace(Image &image) const {
  check(TARN_LUX_EdgeEnhancement_ProcessInPlace(handle(), image.handle()));
}

}  // namespace tarn::lux
