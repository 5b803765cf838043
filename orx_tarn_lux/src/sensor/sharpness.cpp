#include "sensor/sharpness.h"

#include <algorithm>
#include <cmath>

#include "core/check.h"
#include "core/error.h"
#include "core/kernel_dispatch.h"
#include "core/parallel.h"
#include "sensor/sharpness_terms.h"
#include "sensor/site_layout.h"

namespace orx {
namespace {

constexpr size_t kChunkRows = 8;

// Intensity rows of one sampled row: image rows for mono and Bayer, sums of the colour channels (16-bit) for the RGB
// family.
class IntensityRows {
public:
    IntensityRows(const Image& image, const SiteLayout& layout)
        : image_(image), layout_(layout), colour_(image.formatInfo().channels >= 3) {
        if (colour_)
            for (auto& buffer : buffers_) buffer.resize(image.width());
    }

    size_t sampleBytes() const { return colour_ ? 2 : layout_.sampleBytes; }

    // Rows above, at and below y (the border repeating y).
    void load(size_t y, const uint8_t* rows[3]) {
        const size_t p = layout_.period;
        const size_t at[3] = {y >= p ? y - p : y, y, y + p < image_.height() ? y + p : y};
        for (size_t k = 0; k < 3; ++k) rows[k] = colour_ ? intensity(at[k], buffers_[k]) : image_.row(at[k]);
    }

private:
    const uint8_t* intensity(size_t y, std::vector<uint16_t>& buffer) const {
        const uint8_t* row = image_.row(y);
        const size_t channels = layout_.unitSamples;
        for (size_t x = 0; x < image_.width(); ++x)
            buffer[x] = uint16_t(loadSample(row, x * channels, layout_.sampleBytes) +
                                 loadSample(row, x * channels + 1, layout_.sampleBytes) +
                                 loadSample(row, x * channels + 2, layout_.sampleBytes));
        return reinterpret_cast<const uint8_t*>(buffer.data());
    }

    const Image& image_;
    SiteLayout layout_;
    bool colour_;
    std::vector<uint16_t> buffers_[3];
};

// Scalar reference: the terms of pixels x = begin, begin + step, ... < end.
void rowScalar(const uint8_t* const rows[3], size_t sampleBytes, size_t width, size_t period,
               TARN_LUX_SharpnessAlgorithm algorithm, size_t begin, size_t end, size_t step, SharpnessSums& sums) {
    const auto at = [&](size_t k, size_t x) { return int32_t(loadSample(rows[k], x, sampleBytes)); };
    for (size_t x = begin; x < end; x += step) {
        const size_t l = x >= period ? x - period : x;
        const size_t r = x + period < width ? x + period : x;
        const sharpness::Neighbourhood n{at(0, l), at(0, x), at(0, r), at(1, l), at(1, x),
                                         at(1, r), at(2, l), at(2, x), at(2, r)};
        const uint64_t t = uint64_t(sharpness::term<int64_t>(n, algorithm));
        sums.terms += t;
        sums.squares += algorithm == TARN_LUX_SharpnessAlgorithm_HistogramVariance ? t * t : 0;
        ++sums.count;
    }
}

SharpnessSums measureRoi(const Image& image, const SiteLayout& layout, TARN_LUX_SharpnessAlgorithm algorithm,
                         const TARN_LUX_SharpnessROI& roi) {
    const size_t rows = (roi.height + roi.ySamplingInterval - 1) / roi.ySamplingInterval;
    const size_t p = layout.period;
    const size_t end = roi.x + roi.width;
    // Interior columns where no neighbour needs the border repeated.
    const size_t innerBegin = std::min(std::max(roi.x, p), end);
    const size_t innerEnd = std::max(innerBegin, std::min(end, image.width() - std::min(p, image.width())));
    const bool fast = useFastKernels() && roi.xSamplingInterval == 1;
    std::vector<SharpnessSums> chunks(rows / kChunkRows + 1);
    parallelFor(rows, kChunkRows, [&](size_t first, size_t last) {
        IntensityRows intensity(image, layout);
        SharpnessSums& sums = chunks[first / kChunkRows];
        const uint8_t* r[3];
        for (size_t j = first; j < last; ++j) {
            intensity.load(roi.y + j * roi.ySamplingInterval, r);
            const size_t bytes = intensity.sampleBytes();
            if (!fast) {
                rowScalar(r, bytes, image.width(), p, algorithm, roi.x, end, roi.xSamplingInterval, sums);
                continue;
            }
            rowScalar(r, bytes, image.width(), p, algorithm, roi.x, innerBegin, 1, sums);
            sharpnessRowFast(r[0], r[1], r[2], bytes, p, algorithm, innerBegin, innerEnd, sums);
            rowScalar(r, bytes, image.width(), p, algorithm, innerEnd, end, 1, sums);
        }
    });
    SharpnessSums total;
    for (const SharpnessSums& chunk : chunks) total.add(chunk);
    return total;
}

double roiValue(const SharpnessSums& sums, TARN_LUX_SharpnessAlgorithm algorithm, double scale) {
    const double n = double(sums.count);
    const double mean = double(sums.terms) / n;
    switch (algorithm) {
        case TARN_LUX_SharpnessAlgorithm_HistogramVariance:
            return std::max(0.0, double(sums.squares) / n - mean * mean) / (scale * scale);
        case TARN_LUX_SharpnessAlgorithm_Tenengrad: return mean / (scale * scale);
        default: return mean / scale;
    }
}

}  // namespace

bool isSharpnessFormat(TARN_LUX_PixelFormatName name) {
    const PixelFormatInfo* format = findPixelFormat(name);
    return format != nullptr && hasSiteLayout(*format) && format->significantBitsPerChannel <= 12;
}

std::vector<TARN_LUX_PixelFormatName> sharpnessFormats() {
    std::vector<TARN_LUX_PixelFormatName> names;
    for (const PixelFormatInfo& format : pixelFormats())
        if (isSharpnessFormat(format.name)) names.push_back(format.name);
    return names;
}

void checkSharpnessAlgorithm(TARN_LUX_SharpnessAlgorithm algorithm) {
    if (algorithm > TARN_LUX_SharpnessAlgorithm_Sobel) {
        fail(TARN_LUX_RETURN_CODE_INVALID_ARGUMENT, "value isn't supported. The sharpness algorithm ", algorithm,
             " is none of 0 (Tenengrad), 1 (MeanScore), 2 (HistogramVariance), 3 "
             "(Sobel)");
    }
}

void checkRois(const TARN_LUX_SharpnessROI* rois, size_t count) {
    if (count > 0 && rois == nullptr) check::nullPointer("rois");
    for (size_t i = 0; i < count; ++i) {
        const TARN_LUX_SharpnessROI& roi = rois[i];
        if (roi.width < kRoiMinSize || roi.height < kRoiMinSize) {
            fail(TARN_LUX_RETURN_CODE_OUT_OF_RANGE, "ROI ", i, " of ", roi.width, " x ", roi.height,
                 " is smaller than the minimum of ", kRoiMinSize, " x ", kRoiMinSize);
        }
        if (roi.x + roi.width < roi.x || roi.y + roi.height < roi.y) {
            fail(TARN_LUX_RETURN_CODE_OUT_OF_RANGE, "ROI ", i, " at x ", roi.x, ", y ", roi.y,
                 " ends beyond the largest coordinate");
        }
        if (roi.xSamplingInterval == 0 || roi.ySamplingInterval == 0 || roi.weight == 0) {
            fail(TARN_LUX_RETURN_CODE_INVALID_ARGUMENT, "ROI ", i, " has sampling intervals ",
                 unsigned(roi.xSamplingInterval), " x ", unsigned(roi.ySamplingInterval), " and weight ", roi.weight,
                 "; each must be at least 1");
        }
    }
}

double measureSharpness(const Image& image, TARN_LUX_SharpnessAlgorithm algorithm,
                        const std::vector<TARN_LUX_SharpnessROI>& rois) {
    if (!isSharpnessFormat(image.format())) {
        fail(TARN_LUX_RETURN_CODE_IMAGE_FORMAT_NOT_SUPPORTED,
             "pixel format isn't supported. Sharpness takes mono, "
             "Bayer and RGB family formats of 8 to 12 bits, not ",
             describeFormat(image.format()));
    }
    std::vector<TARN_LUX_SharpnessROI> regions = rois;
    if (regions.empty())
        regions.push_back({0, 0, image.width(), image.height(), 1, 1, TARN_LUX_SharpnessROIWeight_Medium, 0});
    for (size_t i = 0; i < regions.size(); ++i) {
        const TARN_LUX_SharpnessROI& roi = regions[i];
        if (roi.x > image.width() || roi.width > image.width() - roi.x || roi.y > image.height() ||
            roi.height > image.height() - roi.y) {
            fail(TARN_LUX_RETURN_CODE_OUT_OF_RANGE, "ROI ", i, " at x ", roi.x, ", y ", roi.y, " of ", roi.width, " x ",
                 roi.height, " reaches outside the image of ", image.width(), " x ", image.height());
        }
    }
    const SiteLayout layout = siteLayout(image.formatInfo());
    const double scale = double(layout.maxValue) * (image.formatInfo().channels >= 3 ? 3 : 1);
    double weighted = 0;
    double weights = 0;
    for (const TARN_LUX_SharpnessROI& roi : regions) {
        weighted += roi.weight * roiValue(measureRoi(image, layout, algorithm, roi), algorithm, scale);
        weights += roi.weight;
    }
    return weighted / weights;
}

}  // namespace orx
