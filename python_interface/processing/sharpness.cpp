#include "processing/sharpness.h"

#include "library/error_mapping.h"

namespace tarn::lux {
namespace {

TARN_LUX_SharpnessROI record(const Rect2D &rect, uint8_t xInterval, uint8_t yInterval, uint16_t weight) {
  return TARN_LUX_SharpnessROI{rect.left(), rect.top(), rect.size().width, rect.size().height,
                               xInterval,   yInterval,  weight,            0};
}

void setRecords(TARN_LUX_SharpnessHandle handle, const std::vector<TARN_LUX_SharpnessROI> &records) {
  check(TARN_LUX_Sharpness_SetROIs(handle, records.empty() ? nullptr : records.data(), records.size()));
}

}  // namespace

double Sharpness::Measure(const Image &image) {
  double value = 0.0;
  check(TARN_LUX_Sharpness_Measure(handle(), image.handle(), &value));
  return value;
}

bool Sharpness::IsPixelFormatSupported(PixelFormatName name) const {
  TARN_LUX_BOOL flag = TARN_LUX_FALSE;
  check(TARN_LUX_Sharpness_IsPixelFormatSupported(handle(), name, &flag));
  return flag == TARN_LUX_TRUE;
}

std::vector<PixelFormatName> Sharpness::SupportedPixelFormats() const {
  size_t count = 0;
  check(TARN_LUX_Sharpness_SupportedPixelFormats(handle(), nullptr, &count));
  std::vector<TARN_LUX_PixelFormatName> names(count);
  check(TARN_LUX_Sharpness_SupportedPixelFormats(handle(), names.empty() ? nullptr : names.data(), &count));
  names.resize(count);
  std::vector<PixelFormatName> formats;
  formats.reserve(names.size());
  for (const TARN_LUX_PixelFormatName name : names) formats.push_back(static_cast<PixelFormatName>(name));
  return formats;
}

void Sharpness::SetAlgorithm(SharpnessAlgorithm algorithm) {
  check(TARN_LUX_Sharpness_SetAlgorithm(handle(), static_cast<TARN_LUX_SharpnessAlgorithm>(algorithm)));
}

Sharpness::SharpnessAlgorithm Sharpness::Algorithm() const {
  return static_cast<SharpnessAlgorithm>(query<TARN_LUX_SharpnessAlgorithm>(TARN_LUX_Sharpness_Algorithm, handle()));
}

Size2D Sharpness::ROIMinSize() const {
  const auto size = query<TARN_LUX_Size2D>(TARN_LUX_Sharpness_ROIMinSize, handle());
  return Size2D{size.width, size.height};
}

void Sharpness::SetROI(const SharpnessROI &roi) {
  setRecords(handle(), {record(roi.rect, roi.xSamplingInterval, roi.ySamplingInterval, roi.weight)});
}

void Sharpness::SetROI(const Rect2D &rect) { setRecords(handle(), {record(rect, 1, 1, SharpnessROIWeight_Medium)}); }

void Sharpness::SetROI(const tarn::lux::SharpnessROI &roi) {
  setRecords(handle(), {record(roi.rect, roi.xSamplingInterval, roi.ySamplingInterval, roi.weight)});
}

void Sharpness::SetROIs(const std::vector<tarn::lux::SharpnessROI> &rois) {
  std::vector<TARN_LUX_SharpnessROI> records;
  records.reserve(rois.size());
  for (const auto &roi : rois)
    records.push_back(record(roi.rect, roi.xSamplingInterval, roi.ySamplingInterval, roi.weight));
  setRecords(handle(), records);
}

std::vector<tarn::lux::SharpnessROI> Sharpness::GetROIs() {
  size_t count = 0;
  check(TARN_LUX_Sharpness_GetROIs(handle(), nullptr, &count));
  std::vector<TARN_LUX_SharpnessROI> records(count);
  check(TARN_LUX_Sharpness_GetROIs(handle(), records.empty() ? nullptr : records.data(), &count));
  records.resize(count);
  std::vector<tarn::lux::SharpnessROI> rois;
  rois.reserve(records.size());
  for (const auto &r : records)
    rois.push_back(tarn::lux::SharpnessROI{Rect2D(r.x, r.y, r.width, r.height), r.xSamplingInterval,
                                           r.ySamplingInterval, static_cast<SharpnessROIWeight>(r.weight)});
  return rois;
}

bool operator==(const SharpnessROI &a, const SharpnessROI &b) {
  return a.rect == b.rect && a.weight == b.weight && a.xSamplingInterval == b.xSamplingInterval &&
         a.ySamplingInterval == b.ySamplingInterval;
}

}  // namespace tarn::lux
