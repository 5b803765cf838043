#include "io/codecs.h"

#include "library/error_mapping.h"
#include "library/exceptions.h"

namespace tarn::lux {
namespace {

// A typed option read through the generic getter, from a zeroed value.
template <class T, class Owner, class Option>
T optionValue(Owner &owner, Option option) {
  T value{};
  size_t written = 0;
  owner.GetOption(option, &value, sizeof value, &written);
  return value;
}

}  // namespace

namespace encoder {

void IEncoder::SetOption(TARN_LUX_VIDEO_ENCODER_OPTION option, const void *value, size_t count) {
  check(TARN_LUX_IEncoder_SetOption(handle, option, value, count));
}

void IEncoder::GetOption(TARN_LUX_VIDEO_ENCODER_OPTION option, void *value, size_t count, size_t *outCount) {
  check(TARN_LUX_IEncoder_GetOption(handle, option, value, count, outCount));
}

void IEncoder::OptionRange(TARN_LUX_VIDEO_ENCODER_OPTION option, void *min, void *max, void *inc) {
  check(TARN_LUX_IEncoder_OptionRange(handle, option, min, max, inc));
}

void MJPEGEncoder::SetQuality(uint32_t quality) {
  SetOption(TARN_LUX_VIDEO_ENCODER_OPTION_QUALITY, &quality, sizeof quality);
}

uint32_t MJPEGEncoder::GetQuality() { return optionValue<uint32_t>(*this, TARN_LUX_VIDEO_ENCODER_OPTION_QUALITY); }

Range<double> MJPEGEncoder::QualityRange() {
  double min = 0.0, max = 0.0, inc = 0.0;
  OptionRange(TARN_LUX_VIDEO_ENCODER_OPTION_QUALITY, &min, &max, &inc);
  return Range<double>(min, max, inc);
}

}  // namespace encoder

namespace container {

void IContainer::SetOption(TARN_LUX_VIDEO_CONTAINER_OPTION option, const void *value, size_t count) {
  check(TARN_LUX_IContainer_SetOption(handle, option, value, count));
}

void IContainer::GetOption(TARN_LUX_VIDEO_CONTAINER_OPTION option, void *value, size_t count, size_t *outCount) {
  check(TARN_LUX_IContainer_GetOption(handle, option, value, count, outCount));
}

void IContainer::OptionRange(TARN_LUX_VIDEO_CONTAINER_OPTION option, void *min, void *max, void *inc) {
  check(TARN_LUX_IContainer_OptionRange(handle, option, min, max, inc));
}

void AVIContainer::SetFramerate(double fps) {
  SetOption(TARN_LUX_VIDEO_CONTAINER_OPTION_FRAMERATE, &fps, sizeof fps);
}

double AVIContainer::GetFramerate() {
  return optionValue<double>(*this, TARN_LUX_VIDEO_CONTAINER_OPTION_FRAMERATE);
}

}  // namespace container

std::shared_ptr<encoder::IEncoder> CreateEncoder(TARN_LUX_VIDEO_ENCODER encoder) {
  if (encoder != TARN_LUX_VIDEO_ENCODER_MJPEG)
    throw InvalidArgumentException("The supplied encoder is not a valid value!");
  return std::make_shared<encoder::MJPEGEncoder>();
}

std::shared_ptr<container::IContainer> CreateContainer(TARN_LUX_VIDEO_CONTAINER container) {
  if (container != TARN_LUX_VIDEO_CONTAINER_AVI)
    throw InvalidArgumentException("The supplied container is not a valid value!");
  return std::make_shared<container::AVIContainer>();
}

namespace {

// The two-call list query: the count first, then the elements.
template <class T, class Key, class Operation>
std::vector<T> listOf(Operation operation, Key key) {
  size_t count = 0;
  check(operation(key, nullptr, &count));
  std::vector<T> values(count);
  check(operation(key, values.data(), &count));
  return values;
}

}  // namespace

std::vector<unsigned short> GetSupportedEncodersForAContainer(TARN_LUX_VIDEO_CONTAINER container) {
  return listOf<unsigned short>(TARN_LUX_GetSupportedEncodersForAContainer, container);
}

std::vector<unsigned short> GetSupportedContainersForAnEncoder(TARN_LUX_VIDEO_ENCODER encoder) {
  return listOf<unsigned short>(TARN_LUX_GetSupportedContainersForAnEncoder, encoder);
}

std::vector<PixelFormatName> GetSupportedPixelFormats(TARN_LUX_VIDEO_ENCODER encoder) {
  const auto names = listOf<TARN_LUX_PixelFormatName>(TARN_LUX_GetSupportedPixelFormats, encoder);
  std::vector<PixelFormatName> formats;
  formats.reserve(names.size());
  for (TARN_LUX_PixelFormatName name : names) formats.push_back(static_cast<PixelFormatName>(name));
  return formats;
}

}  // namespace tarn::lux
