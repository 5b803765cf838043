#include "geometry/resample_axis.h"

#include <algorithm>
#include <cmath>

namespace orx {
namespace {

// Keys' cubic convolution parameter; -0.75 keeps the kernel's slope at the
// pixel centres continuous while sharpening a little more than -0.5.
constexpr double kCubicA = -0.75;
constexpr size_t kCubicTaps = 4;
constexpr size_t kLanczosLobes = 4;
constexpr size_t kLanczosTaps = 2 * kLanczosLobes;
constexpr size_t kLinearTaps = 2;
constexpr double kPi = 3.14159265358979323846;
// Box filtering drops overlaps below this share of a source pixel without
// spreading their weight over the others, as the resizers users compare
// against do: on 12-bit images keeping them would differ from those by up to
// 3 steps where the scale is close to 1.
constexpr double kNegligibleOverlap = 1e-3;
constexpr unsigned kNearestFractionBits = 16;

class Builder {
public:
    Builder(size_t sourceLength, size_t targetLength, size_t taps)
        : last_(static_cast<int32_t>(sourceLength) - 1) {
        axis_.taps = taps;
        axis_.position.reserve(targetLength * taps);
        axis_.weight.reserve(targetLength * taps);
        axis_.usedTaps.reserve(targetLength);
    }

    // Adds one destination position whose taps start at source position
    // `first`; `weights` holds at most `taps` values.
    void add(int64_t first, const double* weights, size_t count) {
        size_t used = 0;
        int32_t position = 0;
        for (size_t k = 0; k < axis_.taps; ++k) {
            if (k < count) {
                position = static_cast<int32_t>(
                    std::clamp<int64_t>(first + static_cast<int64_t>(k), 0, last_));
                if (weights[k] != 0.0) used = k + 1;
            }
            axis_.position.push_back(position);
            axis_.weight.push_back(k < count ? static_cast<float>(weights[k]) : 0.0f);
        }
        axis_.usedTaps.push_back(static_cast<uint32_t>(std::max<size_t>(used, 1)));
    }

    AxisTaps finish() { return std::move(axis_); }

private:
    AxisTaps axis_;
    int64_t last_;
};

double lanczos(double x) {
    if (std::fabs(x) < 1e-12) return 1.0;
    const double px = kPi * x;
    return kLanczosLobes * std::sin(px) * std::sin(px / kLanczosLobes) / (px * px);
}

// How precisely the source position of a destination sample is held. The
// approximate interpolations keep it in single precision, as the resizers
// users compare against do (on wide 16-bit images the exact position would
// differ from theirs by several steps); linear_exact keeps it exact.
enum class Position { Single, Exact };

// Source position of destination position d when pixel centres are mapped
// onto each other.
double centreMapped(size_t d, double scale, Position precision) {
    const double exact = (static_cast<double>(d) + 0.5) * scale - 0.5;
    return precision == Position::Single ? static_cast<float>(exact) : exact;
}

AxisTaps linearAxis(size_t sourceLength, size_t targetLength, double scale, Position precision) {
    Builder builder(sourceLength, targetLength, kLinearTaps);
    for (size_t d = 0; d < targetLength; ++d) {
        const double f = centreMapped(d, scale, precision);
        int64_t first = static_cast<int64_t>(std::floor(f));
        double t = f - static_cast<double>(first);
        // Outside the outermost centres the border pixel is replicated.
        if (first < 0) first = 0, t = 0.0;
        if (first >= static_cast<int64_t>(sourceLength) - 1)
            first = static_cast<int64_t>(sourceLength) - 1, t = 0.0;
        const double weights[kLinearTaps] = {1.0 - t, t};
        builder.add(first, weights, kLinearTaps);
    }
    return builder.finish();
}

AxisTaps cubicAxis(size_t sourceLength, size_t targetLength, double scale) {
    Builder builder(sourceLength, targetLength, kCubicTaps);
    const double a = kCubicA;
    for (size_t d = 0; d < targetLength; ++d) {
        const double f = centreMapped(d, scale, Position::Single);
        const double base = std::floor(f);
        const double t = f - base;
        double w[kCubicTaps];
        w[0] = ((a * (t + 1) - 5 * a) * (t + 1) + 8 * a) * (t + 1) - 4 * a;
        w[1] = ((a + 2) * t - (a + 3)) * t * t + 1;
        w[2] = ((a + 2) * (1 - t) - (a + 3)) * (1 - t) * (1 - t) + 1;
        w[3] = 1.0 - w[0] - w[1] - w[2];
        builder.add(static_cast<int64_t>(base) - 1, w, kCubicTaps);
    }
    return builder.finish();
}

AxisTaps lanczosAxis(size_t sourceLength, size_t targetLength, double scale) {
    Builder builder(sourceLength, targetLength, kLanczosTaps);
    const int64_t before = static_cast<int64_t>(kLanczosLobes) - 1;
    for (size_t d = 0; d < targetLength; ++d) {
        const double f = centreMapped(d, scale, Position::Single);
        const double base = std::floor(f);
        const double t = f - base;
        double w[kLanczosTaps];
        double sum = 0.0;
        for (size_t k = 0; k < kLanczosTaps; ++k) {
            w[k] = lanczos(static_cast<double>(static_cast<int64_t>(k) - before) - t);
            sum += w[k];
        }
        for (double& weight : w) weight /= sum;
        builder.add(static_cast<int64_t>(base) - before, w, kLanczosTaps);
    }
    return builder.finish();
}

// Each destination pixel averages the source pixels its footprint
// [d * scale, (d + 1) * scale) covers, weighted by the covered share.
AxisTaps boxAxis(size_t sourceLength, size_t targetLength, double scale) {
    const size_t taps = static_cast<size_t>(std::ceil(scale)) + 1;
    Builder builder(sourceLength, targetLength, taps);
    std::vector<double> w(taps);
    for (size_t d = 0; d < targetLength; ++d) {
        const double begin = static_cast<double>(d) * scale;
        const double end = std::min(static_cast<double>(d + 1) * scale, double(sourceLength));
        int64_t first = static_cast<int64_t>(std::floor(begin));
        size_t count = 0;
        for (int64_t i = first; static_cast<double>(i) < end && count < taps; ++i) {
            const double overlap =
                std::min(double(i + 1), end) - std::max(double(i), begin);
            if (overlap < kNegligibleOverlap) {
                if (count == 0) ++first;
                continue;
            }
            w[count++] = overlap / scale;
        }
        builder.add(first, w.data(), count);
    }
    return builder.finish();
}

// The area rule where a destination pixel is smaller than a source pixel:
// its footprint lies in one source pixel or straddles two, and the share in
// the second is how far (d + 1) reaches past that pixel's start, in
// destination units.
AxisTaps twoTapAreaAxis(size_t sourceLength, size_t targetLength, double scale) {
    Builder builder(sourceLength, targetLength, kLinearTaps);
    const double inverse = 1.0 / scale;
    for (size_t d = 0; d < targetLength; ++d) {
        const int64_t first = static_cast<int64_t>(std::floor(static_cast<double>(d) * scale));
        double t = static_cast<double>(d + 1) - static_cast<double>(first + 1) * inverse;
        t = t <= 0.0 ? 0.0 : t - std::floor(t);
        const double weights[kLinearTaps] = {1.0 - t, t};
        builder.add(first, weights, kLinearTaps);
    }
    return builder.finish();
}

}  // namespace

AxisTaps resampleAxis(size_t sourceLength, size_t targetLength, Interpolation algorithm,
                      AreaForm areaForm) {
    const double scale = static_cast<double>(sourceLength) / static_cast<double>(targetLength);
    switch (algorithm) {
        case Interpolation::Cubic:
            return cubicAxis(sourceLength, targetLength, scale);
        case Interpolation::Lanczos4:
            return lanczosAxis(sourceLength, targetLength, scale);
        case Interpolation::Area:
            return areaForm == AreaForm::Box ? boxAxis(sourceLength, targetLength, scale)
                                             : twoTapAreaAxis(sourceLength, targetLength, scale);
        case Interpolation::LinearExact:
            return linearAxis(sourceLength, targetLength, scale, Position::Exact);
        default:
            return linearAxis(sourceLength, targetLength, scale, Position::Single);
    }
}

std::vector<int32_t> nearestAxis(size_t sourceLength, size_t targetLength, Interpolation algorithm) {
    std::vector<int32_t> position(targetLength);
    const int64_t last = static_cast<int64_t>(sourceLength) - 1;
    if (algorithm == Interpolation::NearestExact) {
        // The source pixel under the destination pixel's centre, found in
        // 16.16 fixed point and nudged down by one unit, so that a centre on
        // a pixel border takes the lower pixel.
        const int64_t step = static_cast<int64_t>(((uint64_t(sourceLength) << kNearestFractionBits) +
                                                   targetLength / 2) / targetLength);
        for (size_t d = 0; d < targetLength; ++d) {
            const int64_t p = (step / 2 - 1 + static_cast<int64_t>(d) * step) >> kNearestFractionBits;
            position[d] = static_cast<int32_t>(std::clamp<int64_t>(p, 0, last));
        }
    } else {
        const double step = 1.0 / (static_cast<double>(targetLength) / double(sourceLength));
        for (size_t d = 0; d < targetLength; ++d) {
            const auto p = static_cast<int64_t>(std::floor(static_cast<double>(d) * step));
            position[d] = static_cast<int32_t>(std::min(p, last));
        }
    }
    return position;
}

}  // namespace orx
