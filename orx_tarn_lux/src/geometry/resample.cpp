#include "geometry/resample.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "core/kernel_dispatch.h"
#include "core/parallel.h"
#include "geometry/box_kernels.h"
#include "geometry/resample_axis.h"
#include "geometry/resample_kernels.h"

namespace orx {
namespace {

// Output rows per parallel chunk: each chunk recomputes the horizontal pass
// of the source rows its first output row needs, so chunks are kept several
// times taller than the vertical kernel.
constexpr size_t kMinChunkRows = 8;
constexpr size_t kChunkRowsPerTap = 4;

template <size_t PixelBytes>
void copyPixels(const uint8_t* source, uint8_t* target, const int32_t* positions, size_t count) {
    for (size_t x = 0; x < count; ++x)
        std::memcpy(target + x * PixelBytes, source + size_t(positions[x]) * PixelBytes, PixelBytes);
}

void copyPixels(const uint8_t* source, uint8_t* target, const int32_t* positions, size_t count,
                size_t pixelBytes) {
    switch (pixelBytes) {
        case 1: return copyPixels<1>(source, target, positions, count);
        case 2: return copyPixels<2>(source, target, positions, count);
        case 3: return copyPixels<3>(source, target, positions, count);
        case 4: return copyPixels<4>(source, target, positions, count);
        case 6: return copyPixels<6>(source, target, positions, count);
        case 8: return copyPixels<8>(source, target, positions, count);
        default:
            for (size_t x = 0; x < count; ++x)
                std::memcpy(target + x * pixelBytes, source + size_t(positions[x]) * pixelBytes,
                            pixelBytes);
    }
}

void resampleNearest(const ConstGrid& source, const Grid& target, Interpolation algorithm) {
    const auto columns = nearestAxis(source.shape.width, target.shape.width, algorithm);
    const auto rows = nearestAxis(source.shape.height, target.shape.height, algorithm);
    parallelFor(target.shape.height, kMinChunkRows, [&](size_t begin, size_t end) {
        for (size_t y = begin; y < end; ++y)
            copyPixels(source.row(size_t(rows[y])), target.row(y), columns.data(),
                       target.shape.width, source.shape.pixelBytes());
    });
}

// Whether an axis of a grid resamples in fixed point: two taps over 8-bit
// samples (see kPairWeightBits); longer kernels and 16-bit samples keep
// their float weights.
bool isFixedPointPair(const AxisTaps& axis, const GridShape& source) {
    return axis.taps == 2 && source.sampleBytes == 1;
}

// Rounds the weights of such an axis to multiples of 2^-kPairWeightBits
// that still add up to one.
void quantizeTwoTaps(AxisTaps& axis) {
    constexpr long kOne = 1L << kPairWeightBits;
    for (size_t d = 0; d < axis.usedTaps.size(); ++d) {
        const long first = std::clamp(std::lround(double(axis.weight[2 * d]) * double(kOne)), 0L, kOne);
        axis.weight[2 * d] = float(first) / float(kOne);
        axis.weight[2 * d + 1] = float(kOne - first) / float(kOne);
        axis.usedTaps[d] = first == kOne ? 1 : 2;
    }
}

// The horizontal taps spread over the channels: one entry per output sample,
// holding byte offsets into the source row.
struct ExpandedTable {
    std::vector<int32_t> offset;
    std::vector<float> weight;
    std::vector<int32_t> windowStart;
    std::vector<int32_t> lane;
    std::vector<uint8_t> gatherSafe;
    std::vector<int32_t> pairStart;
    std::vector<int8_t> pairShuffle;
    std::vector<int16_t> pairWeight;
    HorizontalTable view;

    ExpandedTable(const AxisTaps& axis, const GridShape& source, size_t targetWidth) {
        const size_t channels = source.channels;
        const size_t stride = targetWidth * channels;
        offset.resize(axis.taps * stride);
        weight.resize(axis.taps * stride);
        for (size_t k = 0; k < axis.taps; ++k)
            for (size_t d = 0; d < targetWidth; ++d)
                for (size_t c = 0; c < channels; ++c) {
                    const size_t i = k * stride + d * channels + c;
                    const size_t tap = d * axis.taps + k;
                    offset[i] = static_cast<int32_t>(
                        (size_t(axis.position[tap]) * channels + c) * source.sampleBytes);
                    weight[i] = axis.weight[tap];
                }
        findWindows(source, stride);
        view = HorizontalTable{axis.taps,         stride,      stride / kWindowBlock,
                               offset.data(),     weight.data(), windowStart.data(),
                               lane.data(),       gatherSafe.data()};
        if (isFixedPointPair(axis, source)) {
            findPairs(source, stride);
            view.pairStart = pairStart.data();
            view.pairShuffle = pairShuffle.data();
            view.pairWeight = pairWeight.data();
        }
    }

    void findPairs(const GridShape& source, size_t stride) {
        const size_t blocks = stride / kWindowBlock;
        const size_t rowBytes = source.samplesPerRow();
        constexpr float kOne = float(1u << kPairWeightBits);
        constexpr size_t kHalf = kWindowBlock / 2;
        pairStart.assign(2 * blocks, -1);
        pairShuffle.assign(blocks * kPairShuffleBytes, -1);
        pairWeight.resize(2 * stride);
        for (size_t e = 0; e < stride; ++e)
            for (size_t k = 0; k < 2; ++k)
                pairWeight[2 * e + k] = static_cast<int16_t>(weight[k * stride + e] * kOne);
        if (rowBytes < kWindowSamples) return;
        for (size_t b = 0; b < blocks; ++b) {
            size_t starts[2];
            bool fits = true;
            for (size_t half = 0; half < 2 && fits; ++half) {
                const int32_t* first = &offset[b * kWindowBlock + half * kHalf];
                const int32_t* second = first + stride;
                const size_t low = size_t(std::min(*std::min_element(first, first + kHalf),
                                                   *std::min_element(second, second + kHalf)));
                const size_t high = size_t(std::max(*std::max_element(first, first + kHalf),
                                                    *std::max_element(second, second + kHalf)));
                starts[half] = std::min(low, rowBytes - kWindowSamples);
                fits = high - starts[half] < kWindowSamples;
            }
            if (!fits) continue;
            // Sample j of the block lands in 32-bit lane j: its first tap's
            // byte, a zero, its second tap's byte, a zero. Each 128-bit half
            // of the register holds its own 16-byte window.
            int8_t* order = &pairShuffle[b * kPairShuffleBytes];
            for (size_t j = 0; j < kWindowBlock; ++j) {
                const size_t start = starts[j / kHalf];
                order[4 * j] = static_cast<int8_t>(size_t(offset[b * kWindowBlock + j]) - start);
                order[4 * j + 2] = static_cast<int8_t>(size_t(offset[stride + b * kWindowBlock + j]) - start);
            }
            pairStart[2 * b] = static_cast<int32_t>(starts[0]);
            pairStart[2 * b + 1] = static_cast<int32_t>(starts[1]);
        }
    }

    void findWindows(const GridShape& source, size_t stride) {
        const size_t taps = offset.size() / std::max<size_t>(stride, 1);
        const size_t blocks = stride / kWindowBlock;
        const size_t sourceSamples = source.samplesPerRow();
        windowStart.assign(taps * blocks, -1);
        lane.assign(taps * stride, 0);
        gatherSafe.assign(blocks, 0);
        for (size_t b = 0; b < blocks; ++b) {
            size_t reach = 0;
            for (size_t k = 0; k < taps; ++k) {
                // Interleaved channels make the samples of one block
                // non-monotonic, so the window's bounds are searched.
                const int32_t* first = &offset[k * stride + b * kWindowBlock];
                const auto [low, high] = std::minmax_element(first, first + kWindowBlock);
                reach = std::max(reach, size_t(*high) + kGatherBytes);
                const size_t start = size_t(*low) / source.sampleBytes;
                const size_t last = size_t(*high) / source.sampleBytes;
                if (last - start >= kWindowSamples || start + kWindowSamples > sourceSamples)
                    continue;
                windowStart[k * blocks + b] = static_cast<int32_t>(start);
                for (size_t j = 0; j < kWindowBlock; ++j)
                    lane[k * stride + b * kWindowBlock + j] =
                        static_cast<int32_t>(size_t(first[j]) / source.sampleBytes - start);
            }
            gatherSafe[b] = reach <= sourceSamples * source.sampleBytes;
        }
    }
};

void resampleSeparable(const ConstGrid& source, const Grid& target, Interpolation algorithm) {
    const GridShape& in = source.shape;
    const GridShape& out = target.shape;
    const AreaForm areaForm =
        in.width >= out.width && in.height >= out.height ? AreaForm::Box : AreaForm::TwoTap;
    AxisTaps horizontal = resampleAxis(in.width, out.width, algorithm, areaForm);
    AxisTaps vertical = resampleAxis(in.height, out.height, algorithm, areaForm);
    // Both axes, so that the vertical pass weighs rows as the horizontal one
    // weighs columns.
    for (AxisTaps* axis : {&horizontal, &vertical})
        if (isFixedPointPair(*axis, in)) quantizeTwoTaps(*axis);
    const ExpandedTable table(horizontal, in, out.width);
    const size_t samples = out.samplesPerRow();
    const bool fast = useFastKernels();
    const size_t ringRows = vertical.taps;

    parallelFor(out.height, std::max(kMinChunkRows, kChunkRowsPerTap * ringRows),
                [&](size_t begin, size_t end) {
        // Horizontally resampled source rows; source row r lives in slot
        // r % ringRows, which never collides because the rows one output row
        // needs are consecutive and at most ringRows many.
        std::vector<float> ring(ringRows * samples);
        std::vector<int64_t> ringRow(ringRows, -1);
        std::vector<const float*> rows(ringRows);
        for (size_t y = begin; y < end; ++y) {
            const size_t used = vertical.usedTaps[y];
            for (size_t k = 0; k < used; ++k) {
                const auto sourceRow = size_t(vertical.position[y * ringRows + k]);
                const size_t slot = sourceRow % ringRows;
                float* row = ring.data() + slot * samples;
                if (ringRow[slot] != int64_t(sourceRow)) {
                    const size_t done = fast ? horizontalFast(source.row(sourceRow), in.sampleBytes,
                                                              table.view, row, 0, samples)
                                             : 0;
                    horizontalScalar(source.row(sourceRow), in.sampleBytes, table.view, row, done,
                                     samples);
                    ringRow[slot] = int64_t(sourceRow);
                }
                rows[k] = row;
            }
            const float* weights = vertical.weight.data() + y * ringRows;
            const size_t done = fast ? verticalFast(rows.data(), weights, used, target.row(y),
                                                    out.sampleBytes, out.maxValue, 0, samples)
                                     : 0;
            verticalScalar(rows.data(), weights, used, target.row(y), out.sampleBytes,
                           out.maxValue, done, samples);
        }
    });
}

// Whole-factor downscales average disjoint blocks: the area rule then needs
// no weights, and bilinear sampling at exactly half size picks the same 2 x 2
// blocks with equal weights.
bool isWholeFactorBox(const GridShape& in, const GridShape& out, Interpolation algorithm) {
    const bool wholeFactors = in.width % out.width == 0 && in.height % out.height == 0;
    if (algorithm == Interpolation::Area) return wholeFactors;
    return algorithm == Interpolation::Linear && in.width == 2 * out.width &&
           in.height == 2 * out.height;
}

void resampleBox(const ConstGrid& source, const Grid& target) {
    const GridShape& in = source.shape;
    const GridShape& out = target.shape;
    const BoxBlock box{in.width / out.width, in.height / out.height, in.channels, in.sampleBytes};
    const size_t samples = out.samplesPerRow();
    const bool fast = useFastKernels();
    parallelFor(out.height, kMinChunkRows, [&](size_t begin, size_t end) {
        std::vector<const uint8_t*> rows(box.factorY);
        for (size_t y = begin; y < end; ++y) {
            for (size_t r = 0; r < box.factorY; ++r) rows[r] = source.row(y * box.factorY + r);
            const size_t done =
                fast ? boxHalfFast(rows.data(), box, in.samplesPerRow(), target.row(y), 0, samples)
                     : 0;
            boxScalar(rows.data(), box, target.row(y), done, samples);
        }
    });
}

}  // namespace

void resampleGrid(const ConstGrid& source, const Grid& target, Interpolation algorithm) {
    if (algorithm == Interpolation::Nearest || algorithm == Interpolation::NearestExact)
        resampleNearest(source, target, algorithm);
    else if (isWholeFactorBox(source.shape, target.shape, algorithm))
        resampleBox(source, target);
    else
        resampleSeparable(source, target, algorithm);
}

}  // namespace orx
