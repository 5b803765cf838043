// Sharpness measurement: one number per image, larger when sharper, for a focus search. Computed on an intensity per
// pixel: the sample itself for mono and Bayer formats, the sum of the colour channels for the RGB family (alpha
// ignored), and always between samples of one colour site (neighbours one period away: 2 pixels in a Bayer mosaic).
// Gradients are 3 x 3 Sobel operators; the image border repeats its outermost samples.
//
// Algorithms, each a mean over the sampled pixels, scaled by the largest intensity of the format so that 8- and 12-bit
// images of one scene agree:
//   Tenengrad           mean of (gx^2 + gy^2) / max^2
//   MeanScore           mean of |4 v - up - down - left - right| / max
//   HistogramVariance   variance of v / max^2
//   Sobel               mean of (|gx| + |gy|) / max
// Each is a convex function of the image that a blur (a weighted mean of shifted copies) can only lower, so blurring
// never raises a measure.
//
// ROIs: with none set, the whole image is measured with sampling intervals of 1. Otherwise each ROI is measured on its
// own, sampling every xSamplingInterval-th column and ySamplingInterval-th row from its top-left corner (larger
// intervals are faster and estimate the same mean), and the result is the weighted mean sum(weight_i * m_i) /
// sum(weight_i) of the per-ROI values. A ROI must be at least kRoiMinSize in both directions and have intervals and a
// weight above 0 (SetROIs refuses others), and must lie inside the measured image (Measure refuses others with
// OUT_OF_RANGE).
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

#include "core/image.h"

namespace orx {

constexpr size_t kRoiMinSize = 16;  // room for the 3 x 3 operators of a mosaic's sites, with some to average
constexpr TARN_LUX_SharpnessAlgorithm kDefaultSharpnessAlgorithm = TARN_LUX_SharpnessAlgorithm_Tenengrad;

bool isSharpnessFormat(TARN_LUX_PixelFormatName name);
std::vector<TARN_LUX_PixelFormatName> sharpnessFormats();

void checkSharpnessAlgorithm(TARN_LUX_SharpnessAlgorithm algorithm);
void checkRois(const TARN_LUX_SharpnessROI* rois, size_t count);

double measureSharpness(const Image& image, TARN_LUX_SharpnessAlgorithm algorithm,
                        const std::vector<TARN_LUX_SharpnessROI>& rois);

// Exact integer sums of one ROI's per-pixel terms: for HistogramVariance the intensities and their squares, for the
// others the term of the algorithm.
struct SharpnessSums {
    uint64_t terms = 0;
    uint64_t squares = 0;
    uint64_t count = 0;

    void add(const SharpnessSums& other) {
        terms += other.terms;
        squares += other.squares;
        count += other.count;
    }
};

// Fast row kernel: the terms of pixels [begin, end) (interior columns, one pixel apart) of the intensity rows above, at
// and below, 8- or 16-bit.
void sharpnessRowFast(const void* above, const void* centre, const void* below, size_t sampleBytes, size_t period,
                      TARN_LUX_SharpnessAlgorithm algorithm, size_t begin, size_t end, SharpnessSums& sums);

class SharpnessSettings {
public:
    TARN_LUX_SharpnessAlgorithm algorithm() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return algorithm_;
    }
    void setAlgorithm(TARN_LUX_SharpnessAlgorithm algorithm) {
        std::lock_guard<std::mutex> lock(mutex_);
        algorithm_ = algorithm;
    }
    std::vector<TARN_LUX_SharpnessROI> rois() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return rois_;
    }
    void setRois(std::vector<TARN_LUX_SharpnessROI> rois) {
        std::lock_guard<std::mutex> lock(mutex_);
        rois_ = std::move(rois);
    }

private:
    mutable std::mutex mutex_;
    TARN_LUX_SharpnessAlgorithm algorithm_ = kDefaultSharpnessAlgorithm;
    std::vector<TARN_LUX_SharpnessROI> rois_;
};

}  // namespace orx

ORX_BIND_HANDLE(TARN_LUX_SharpnessHandle, orx::SharpnessSettings);
