// Hot pixels: single samples far brighter than their surroundings.
//
// Detection compares each sample with its same-colour neighbours (the eight around it at a distance of one site period:
// 1 pixel, or 2 in a Bayer mosaic, fewer at the image border). A sample is hot when it exceeds the second largest of
// them by more than a threshold. The second largest, not the largest, so that two hot pixels side by side are both
// found, and not the median, so that a sample on the bright side of an edge or on a thin bright line (which always has
// two bright neighbours) is left alone.
//
// The threshold is a multiple of the image's noise, estimated robustly from the median of |2v - left - right| over
// same-colour samples of every kNoiseRowStep-th row (for Gaussian noise that median is 0.6745 * sqrt(6) sigma; texture
// hardly moves a median), never below kNoiseFloor DN:
//     level 1: 24 sigma   (only blatant defects)
//     level 2: 16 sigma
//     level 3: 10 sigma   (default)
//     level 4:  7 sigma
//     level 5:  5 sigma   (most sensitive)
// then scaled by the gain factor percent (100 = as estimated): images taken at a higher gain than the defect map was
// made for may pass a larger value.
//
// Correction replaces each listed sample by the median of its same-colour neighbours that are not listed themselves (of
// all of them when every one is listed), computed from the uncorrected image; an even count averages the two middle
// values, rounding half up.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

#include "core/image.h"

namespace orx {

constexpr TARN_LUX_HotpixelSensitivityLevel kDefaultHotpixelLevel = TARN_LUX_HotpixelSensitivityLevel_Level3;
constexpr uint32_t kDefaultGainFactorPercent = 100;

struct HotpixelThreshold {
    TARN_LUX_HotpixelSensitivityLevel level;
    uint32_t gainFactorPercent;
};

// Throws INVALID_ARGUMENT "value isn't supported." for levels outside 1 to 5 and a gain factor of 0.
void checkHotpixelLevel(TARN_LUX_HotpixelSensitivityLevel level);
void checkGainFactorPercent(uint32_t percent);

// Positions in row order. Throws IMAGE_FORMAT_NOT_SUPPORTED for formats other than unpacked mono and Bayer,
// OUT_OF_RANGE for images smaller than three site periods in either direction.
std::vector<TARN_LUX_Point2D> detectHotpixels(const Image& image, HotpixelThreshold threshold, const char* operation);

// Corrects `positions` of `source` into `target` (the same image, or a copy of it). Checks format, size and every
// position (OUT_OF_RANGE) before anything is written.
void correctHotpixels(const Image& source, Image& target, const TARN_LUX_Point2D* positions, size_t count,
                      const char* operation);

// Row kernel of detection for interior rows: appends the hot samples' x of columns [begin, end) and returns where it
// stopped. `rows` are the rows one period above, at and one period below.
size_t detectRowFast(const uint8_t* const* rows, size_t sampleBytes, size_t period, uint32_t threshold, size_t begin,
                     size_t end, std::vector<size_t>& hot);

class HotpixelCorrector {
public:
    std::atomic<TARN_LUX_HotpixelSensitivityLevel> level{kDefaultHotpixelLevel};
    std::atomic<uint32_t> gainFactorPercent{kDefaultGainFactorPercent};

    HotpixelThreshold threshold() const { return {level.load(), gainFactorPercent.load()}; }

    void keep(std::vector<TARN_LUX_Point2D> found) {
        std::lock_guard<std::mutex> lock(mutex_);
        found_ = std::move(found);
    }
    std::vector<TARN_LUX_Point2D> found() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return found_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<TARN_LUX_Point2D> found_;
};

}  // namespace orx

ORX_BIND_HANDLE(TARN_LUX_HotpixelCorrectionHandle, orx::HotpixelCorrector);
