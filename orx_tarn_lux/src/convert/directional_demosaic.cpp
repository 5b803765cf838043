// Gradient-based, threshold-free directional demosaicing (see demosaic.h),
// worked out a band at a time over planes of floats.
//
//  1. Along each row and each column, every pixel gets an estimate of the
//     colour it lacks from its five-sample line (half the three middle
//     samples minus a quarter of the outer two), which gives green minus
//     colour differences dH (horizontal) and dV (vertical) everywhere.
//  2. Their gradients |d(x-1) - d(x+1)|, summed over 5 x 5 windows, say how
//     much the differences change on each side of the pixel. The four
//     directions get weights 1 / (sum + eps)^2 from the window two pixels
//     that way, and the pixel's green-minus-colour is the weighted mean of
//     the mean differences of the five pixels that way.
//  3. Red at blue and blue at red: green minus a 7 x 7 filter of the
//     differences at the other colour's pixels.
//  4. Red and blue at green: green minus the weighted mean (same four
//     weights) of the differences of the four neighbours.
//
// The planes extend kHalo samples beyond the band on all sides (the mosaic
// mirrored), which is what the four steps reach. Floats in a fixed order of
// operations, so the vector build gives the bytes of the scalar one.
#include <algorithm>
#include <cmath>

#include "convert/demosaic_methods.h"
#include "core/kernel_dispatch.h"

namespace orx::convert {
namespace {

// Samples each step reads beyond its input, cumulated: differences 2, their
// gradients 3, window sums 5, weights and means 7, the 7 x 7 filter 10,
// the neighbours of step 4 11; even, so padded coordinates keep the parity
// of image coordinates.
constexpr size_t kHalo = 12;
constexpr size_t kDifferences = 2, kGradients = 3, kSums = 5, kGreen = 7, kCross = 10, kAtGreen = 11;
constexpr size_t kWindow = 5;  // samples in the means and window sums
constexpr size_t kPlaneCount = 10;

struct Band {
    size_t rows, columns;  // of the padded planes
    size_t firstRow;       // image row of padded row kHalo
    TARN_LUX_BayerPattern pattern;
    float eps;
    float maximum;
    float* plane[kPlaneCount];
};

enum Plane { kMosaic, kDiffH, kDiffV, kScratch, kSumH, kSumV, kTemp, kGreenPlane, kOwn, kOther };

// The colours of padded row i; padded column j holds green when
// (j & 1) == greenParity (kHalo is even).
struct RowColors {
    size_t greenParity;
    bool redRow;
};

__attribute__((always_inline)) inline RowColors colorsOf(const Band& band, size_t i) {
    const MosaicRow colors = mosaicRow(band.pattern, band.firstRow + i - kHalo);
    return {colors.greenFirst ? size_t{0} : size_t{1}, colors.redRow};
}

__attribute__((always_inline)) inline float inverseSquare(float sum, float eps) {
    const float shifted = sum + eps;
    return 1.0f / (shifted * shifted);
}

// The first column at or after `from` of parity `parity`.
__attribute__((always_inline)) inline size_t firstOfParity(size_t from, size_t parity) {
    return (from & 1) == parity ? from : from + 1;
}

// Steps 1-4 over the band; plane kOwn ends up holding the colour of the
// row at every pixel, kOther the colour of the column, kGreenPlane green.
// Each row is worked out for every pixel as if it were of one kind, then
// the pixels of the other kind are corrected in a second pass: loops
// without branches, which compilers turn into vector code.
__attribute__((always_inline)) inline void directionalBand(const Band& band) {
    const size_t rows = band.rows, columns = band.columns;
    float* const* p = band.plane;
    const auto at = [columns](float* plane, size_t i) { return plane + i * columns; };

    // 1. Green minus colour along rows and columns.
    for (size_t i = kDifferences; i + kDifferences < rows; ++i) {
        const float* __restrict up2 = at(p[kMosaic], i - 2);
        const float* __restrict up = at(p[kMosaic], i - 1);
        const float* __restrict m = at(p[kMosaic], i);
        const float* __restrict down = at(p[kMosaic], i + 1);
        const float* __restrict down2 = at(p[kMosaic], i + 2);
        float* __restrict dH = at(p[kDiffH], i);
        float* __restrict dV = at(p[kDiffV], i);
        const size_t end = columns - kDifferences;
        ORX_NO_ALIASING
        for (size_t j = kDifferences; j < end; ++j) {
            dH[j] = 0.5f * (m[j - 1] + m[j] + m[j + 1]) - 0.25f * (m[j - 2] + m[j + 2]) - m[j];
            dV[j] = 0.5f * (up[j] + m[j] + down[j]) - 0.25f * (up2[j] + down2[j]) - m[j];
        }
        // At green the estimate is of the colour: green minus it turns round.
        for (size_t j = firstOfParity(kDifferences, colorsOf(band, i).greenParity); j < end; j += 2) {
            dH[j] = -dH[j];
            dV[j] = -dV[j];
        }
    }
    // 2a. Gradients of the differences, summed over 5 x 5 windows: first
    // along rows into kTemp, then along columns.
    const auto windowSums = [&](Plane differences, size_t before, size_t after, Plane sums) {
        for (size_t i = kGradients; i + kGradients < rows; ++i) {
            const float* __restrict d = at(p[differences], i);
            float* __restrict gradient = at(p[kScratch], i);
            ORX_NO_ALIASING
            for (size_t j = kGradients; j + kGradients < columns; ++j)
                gradient[j] = std::fabs(d[j - before] - d[j + after]);
        }
        for (size_t i = kGradients; i + kGradients < rows; ++i) {
            const float* __restrict g = at(p[kScratch], i);
            float* __restrict across = at(p[kTemp], i);
            ORX_NO_ALIASING
            for (size_t j = kSums; j + kSums < columns; ++j) across[j] = g[j - 2] + g[j - 1] + g[j] + g[j + 1] + g[j + 2];
        }
        for (size_t i = kSums; i + kSums < rows; ++i) {
            float* __restrict out = at(p[sums], i);
            const float* __restrict a = at(p[kTemp], i - 2);
            const float* __restrict b = at(p[kTemp], i - 1);
            const float* __restrict c = at(p[kTemp], i);
            const float* __restrict d = at(p[kTemp], i + 1);
            const float* __restrict e = at(p[kTemp], i + 2);
            ORX_NO_ALIASING
            for (size_t j = kSums; j + kSums < columns; ++j) out[j] = a[j] + b[j] + c[j] + d[j] + e[j];
        }
    };
    // Rows are `columns` floats apart: a vertical neighbour is that far.
    windowSums(kDiffH, 1, 1, kSumH);
    windowSums(kDiffV, columns, columns, kSumV);

    // The four weights of a pixel, north, south, west and east, from the
    // window sums two pixels away: sumV rows i - 2 and i + 2, sumH row i.
    struct Weights {
        float north, south, west, east;
        float total() const { return north + south + west + east; }
    };
    struct WeightRows {
        const float *north, *south, *across;
        float eps;
        __attribute__((always_inline)) Weights at(size_t j) const {
            return {inverseSquare(north[j], eps), inverseSquare(south[j], eps), inverseSquare(across[j - 2], eps),
                    inverseSquare(across[j + 2], eps)};
        }
    };
    const auto weightRows = [&](size_t i) {
        return WeightRows{at(p[kSumV], i - 2), at(p[kSumV], i + 2), at(p[kSumH], i), band.eps};
    };
    // 2b. Green at every pixel, and the green-minus-colour difference kept
    // in kScratch for steps 3 and 4.
    constexpr float kMean = 1.0f / kWindow;
    for (size_t i = kGreen; i + kGreen < rows; ++i) {
        const float* __restrict m = at(p[kMosaic], i);
        const float* __restrict dH = at(p[kDiffH], i);
        const float* __restrict v0 = at(p[kDiffV], i - 4);
        const float* __restrict v1 = at(p[kDiffV], i - 3);
        const float* __restrict v2 = at(p[kDiffV], i - 2);
        const float* __restrict v3 = at(p[kDiffV], i - 1);
        const float* __restrict v4 = at(p[kDiffV], i);
        const float* __restrict v5 = at(p[kDiffV], i + 1);
        const float* __restrict v6 = at(p[kDiffV], i + 2);
        const float* __restrict v7 = at(p[kDiffV], i + 3);
        const float* __restrict v8 = at(p[kDiffV], i + 4);
        const WeightRows w = weightRows(i);
        float* __restrict green = at(p[kGreenPlane], i);
        float* __restrict difference = at(p[kScratch], i);
        const size_t end = columns - kGreen;
        ORX_NO_ALIASING
        for (size_t j = kGreen; j < end; ++j) {
            const Weights k = w.at(j);
            const float north = (v0[j] + v1[j] + v2[j] + v3[j] + v4[j]) * kMean;
            const float south = (v4[j] + v5[j] + v6[j] + v7[j] + v8[j]) * kMean;
            const float west = (dH[j - 4] + dH[j - 3] + dH[j - 2] + dH[j - 1] + dH[j]) * kMean;
            const float east = (dH[j] + dH[j + 1] + dH[j + 2] + dH[j + 3] + dH[j + 4]) * kMean;
            const float estimate = (k.north * north + k.south * south + k.west * west + k.east * east) / k.total();
            green[j] = m[j] + estimate;
            difference[j] = estimate;
        }
        for (size_t j = firstOfParity(kGreen, colorsOf(band, i).greenParity); j < end; j += 2) {
            green[j] = m[j];
            difference[j] = 0.0f;
        }
    }
    // 3. At red and blue pixels: the other colour's green-minus-colour from
    // the 7 x 7 filter (weights 10 at the four diagonal neighbours, -1 at
    // the eight samples of that colour around them, over 32), in kTemp.
    constexpr float kNear = 10.0f / 32.0f, kFar = 1.0f / 32.0f;
    for (size_t i = kCross; i + kCross < rows; ++i) {
        const float* __restrict d3 = at(p[kScratch], i - 3);
        const float* __restrict d1 = at(p[kScratch], i - 1);
        const float* __restrict e1 = at(p[kScratch], i + 1);
        const float* __restrict e3 = at(p[kScratch], i + 3);
        float* __restrict other = at(p[kTemp], i);
        ORX_NO_ALIASING
        for (size_t j = kCross; j + kCross < columns; ++j) {
            const float near = d1[j - 1] + d1[j + 1] + e1[j - 1] + e1[j + 1];
            const float far = d3[j - 1] + d3[j + 1] + e3[j - 1] + e3[j + 1] + d1[j - 3] + d1[j + 3] + e1[j - 3] +
                              e1[j + 3];
            other[j] = kNear * near - kFar * far;
        }
    }
    // 4. Every pixel's colours of its row and its column.
    for (size_t i = kAtGreen; i + kAtGreen < rows; ++i) {
        const float* __restrict green = at(p[kGreenPlane], i);
        const float* __restrict own = at(p[kScratch], i);
        const float* __restrict ownUp = at(p[kScratch], i - 1);
        const float* __restrict ownDown = at(p[kScratch], i + 1);
        const float* __restrict other = at(p[kTemp], i);
        const float* __restrict otherUp = at(p[kTemp], i - 1);
        const float* __restrict otherDown = at(p[kTemp], i + 1);
        const WeightRows w = weightRows(i);
        float* __restrict rowColor = at(p[kOwn], i);
        float* __restrict columnColor = at(p[kOther], i);
        const size_t end = columns - kAtGreen;
        // At green: neighbours across the row have the row's colour, those
        // along the column the column's.
        ORX_NO_ALIASING
        for (size_t j = kAtGreen; j < end; ++j) {
            const Weights k = w.at(j);
            const float total = k.total();
            rowColor[j] =
                green[j] - (k.west * own[j - 1] + k.east * own[j + 1] + k.north * otherUp[j] + k.south * otherDown[j]) /
                               total;
            columnColor[j] =
                green[j] - (k.west * other[j - 1] + k.east * other[j + 1] + k.north * ownUp[j] + k.south * ownDown[j]) /
                               total;
        }
        // At red and blue both differences are known.
        for (size_t j = firstOfParity(kAtGreen, colorsOf(band, i).greenParity ^ 1); j < end; j += 2) {
            rowColor[j] = green[j] - own[j];
            columnColor[j] = green[j] - other[j];
        }
    }
}

void directionalBandScalar(const Band& band) { directionalBand(band); }

#if ORX_HAVE_FAST_KERNELS
ORX_FAST_TARGET void directionalBandFast(const Band& band) { directionalBand(band); }
#else
void directionalBandFast(const Band& band) { directionalBand(band); }
#endif

// Planes reused by the bands a thread works on, so that a conversion does
// not map and fault in fresh memory per band.
std::vector<float>& scratchPlanes() {
    thread_local std::vector<float> planes;
    return planes;
}

// Columns per tile: the planes of a tile (kPlaneCount of them, kHalo
// samples around it on every side) stay in the processor's caches, where
// planes of a whole band would not. Even, so tiles keep column parity.
constexpr size_t kTileColumns = 192;

class DirectionalDemosaic final : public BandDemosaic {
public:
    DirectionalDemosaic(const Mosaic& mosaic, MosaicRows& rows, size_t begin, size_t end, bool fast)
        : mosaic_(mosaic), fast_(fast), begin_(begin), rows_(end - begin) {
        const size_t width = mosaic.width;
        band_.rows = rows_ + 2 * kHalo;
        band_.firstRow = begin;
        band_.pattern = mosaic.pattern;
        band_.maximum = float(mosaic.mask);
        // Small against any real gradient sum, large enough that a flat
        // area gets four equal, finite weights.
        band_.eps = 1e-3f * float(mosaic.mask) / 255.0f;
        // The band's rows and kHalo rows around them, mirrored, read once
        // (decoding them may be the costly part) for all tiles.
        mosaicRows_.resize(band_.rows * width);
        for (size_t i = 0; i < band_.rows; ++i)
            loadMirroredLine(mosaic, rows.row(ptrdiff_t(begin + i) - ptrdiff_t(kHalo)), 0,
                             mosaicRows_.data() + i * width);
        red_.resize(rows_ * width);
        green_.resize(rows_ * width);
        blue_.resize(rows_ * width);
        for (size_t first = 0; first < width; first += kTileColumns) demosaicTile(first, std::min(first + kTileColumns, width));
    }

    void row(size_t y, uint8_t* out) override {
        const size_t offset = (y - begin_) * mosaic_.width;
        storeColorRow(red_.data() + offset, green_.data() + offset, blue_.data() + offset, mosaic_, out, fast_);
    }

private:
    // Columns [first, end) of the band, with kHalo columns around them.
    void demosaicTile(size_t first, size_t end) {
        const size_t width = mosaic_.width;
        const size_t tileWidth = end - first;
        band_.columns = tileWidth + 2 * kHalo;
        const size_t planeSize = band_.rows * band_.columns;
        std::vector<float>& memory = scratchPlanes();
        if (memory.size() < kPlaneCount * planeSize) memory.assign(kPlaneCount * planeSize, 0.0f);
        for (size_t k = 0; k < kPlaneCount; ++k) band_.plane[k] = memory.data() + k * planeSize;
        for (size_t i = 0; i < band_.rows; ++i) {
            const uint16_t* source = mosaicRows_.data() + i * width;
            float* line = band_.plane[kMosaic] + i * band_.columns;
            for (size_t j = 0; j < band_.columns; ++j) {
                const ptrdiff_t x = ptrdiff_t(first + j) - ptrdiff_t(kHalo);
                line[j] = float(source[x >= 0 && size_t(x) < width ? size_t(x) : mirrored(x, width)]);
            }
        }
        (fast_ ? directionalBandFast : directionalBandScalar)(band_);
        const auto sample = [this](float value) {
            return static_cast<uint16_t>(std::clamp(value, 0.0f, band_.maximum) + 0.5f);
        };
        for (size_t r = 0; r < rows_; ++r) {
            const size_t i = r + kHalo;
            const size_t at = i * band_.columns + kHalo;
            const bool redRow = colorsOf(band_, i).redRow;
            const float* rowColor = band_.plane[kOwn] + at;
            const float* green = band_.plane[kGreenPlane] + at;
            const float* columnColor = band_.plane[kOther] + at;
            const size_t offset = r * width + first;
            uint16_t* own = (redRow ? red_.data() : blue_.data()) + offset;
            uint16_t* other = (redRow ? blue_.data() : red_.data()) + offset;
            for (size_t j = 0; j < tileWidth; ++j) {
                own[j] = sample(rowColor[j]);
                green_[offset + j] = sample(green[j]);
                other[j] = sample(columnColor[j]);
            }
        }
    }

    const Mosaic& mosaic_;
    bool fast_;
    size_t begin_;
    size_t rows_;  // of the band
    Band band_;
    std::vector<uint16_t> mosaicRows_;
    std::vector<uint16_t> red_, green_, blue_;  // the band's result
};

}  // namespace

std::unique_ptr<BandDemosaic> makeDirectionalDemosaic(const Mosaic& mosaic, MosaicRows& rows, size_t, size_t begin,
                                                      size_t end, bool fast) {
    return std::make_unique<DirectionalDemosaic>(mosaic, rows, begin, end, fast);
}

}  // namespace orx::convert
