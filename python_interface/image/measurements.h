// Pixel lines and histograms: the library computes them when they are made;
// the channels are read out into value records (image/records.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "image/image.h"
#include "image/pixel_format.h"
#include "image/records.h"
#include "processing/library_object.h"

namespace tarn::lux {

class PixelLine : public LibraryObject<TARN_LUX_PixelLineHandle, nullptr, TARN_LUX_PixelLine_AcquireReference,
                                       TARN_LUX_PixelLine_Destruct> {
 public:
  PixelLine(const Image &image, Orientation orientation, size_t offset) : LibraryObject(kNoHandle) {
    TARN_LUX_PixelLineHandle line = nullptr;
    check(TARN_LUX_PixelLine_Construct(image.handle(), orientation, offset, &line));
    adopt(line);
  }
  PixelLine(const PixelLine &) = default;
  PixelLine(PixelLine &&) noexcept = default;
  virtual ~PixelLine() = default;

  int32_t GetPixelFormatName() const { return query<int32_t>(TARN_LUX_PixelLine_PixelFormatName, handle()); }
  int32_t GetOrientation() const { return query<int32_t>(TARN_LUX_PixelLine_Orientation, handle()); }
  size_t Offset() const { return query<size_t>(TARN_LUX_PixelLine_Offset, handle()); }

  std::vector<PixelLineChannel> Channels() const {
    std::vector<PixelLineChannel> channels;
    const size_t count = query<size_t>(TARN_LUX_PixelLine_NumChannels, handle());
    for (size_t channel = 0; channel < count; ++channel) {
      size_t values = 0;
      check(TARN_LUX_PixelLine_Values(handle(), channel, nullptr, &values));
      std::vector<uint32_t> line(values, 0);
      check(TARN_LUX_PixelLine_Values(handle(), channel, line.data(), &values));
      channels.push_back(PixelLineChannel{std::move(line)});
    }
    return channels;
  }
};

class PixelRow : public PixelLine {
 public:
  PixelRow(const Image &image, size_t row) : PixelLine(image, Orientation_Horizontal, row) {}
};

class PixelColumn : public PixelLine {
 public:
  PixelColumn(const Image &image, size_t column) : PixelLine(image, Orientation_Vertical, column) {}
};

class Histogram : public LibraryObject<TARN_LUX_HistogramHandle, nullptr, TARN_LUX_Histogram_AcquireReference,
                                       TARN_LUX_Histogram_Destruct> {
 public:
  explicit Histogram(const Image &image) : LibraryObject(kNoHandle) {
    TARN_LUX_HistogramHandle histogram = nullptr;
    check(TARN_LUX_Histogram_Construct(image.handle(), &histogram));
    adopt(histogram);
  }

  PixelFormat GetPixelFormat() const {
    return PixelFormat(PixelFormatName(query<int32_t>(TARN_LUX_Histogram_PixelFormat, handle())));
  }

  std::vector<HistogramChannel> Channels() const {
    std::vector<HistogramChannel> channels;
    const size_t count = query<size_t>(TARN_LUX_Histogram_NumChannels, handle());
    for (size_t channel = 0; channel < count; ++channel) {
      HistogramChannel record;
      check(TARN_LUX_Histogram_PixelSum(handle(), channel, &record.PixelSum));
      check(TARN_LUX_Histogram_PixelCount(handle(), channel, &record.PixelCount));
      size_t bins = 0;
      check(TARN_LUX_Histogram_Bins(handle(), channel, nullptr, &bins));
      record.Bins.assign(bins, 0);
      check(TARN_LUX_Histogram_Bins(handle(), channel, record.Bins.data(), &bins));
      channels.push_back(std::move(record));
    }
    return channels;
  }
};

}  // namespace tarn::lux
