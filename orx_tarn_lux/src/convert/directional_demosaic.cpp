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
    size_t firstRow;       // image row of padded row 0, plus kHalo (keeps it unsigned)
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

// Steps 1-4 over the band; plane kOwn ends up holding the colour of the
// row at every pixel, kOther the colour of the column, kGreenPlane green.
__attribute__((always_inline)) inline void directionalBand(const Band& band) {
    const size_t rows = band.rows, columns = band.columns;
    float* const* p = band.plane;
    const auto at = [columns](float* plane, size_t i) { return plane + i * columns; };

    // 1. Green minus colour along rows and columns.
    for (size_t i = kDifferences; i + kDifferences < rows; ++i) {
        const RowColors colors = colorsOf(band, i);
        const float* up2 = at(p[kMosaic], i - 2);
        const float* up = at(p[kMosaic], i - 1);
        const float* m = at(p[kMosaic], i);
        const float* down = at(p[kMosaic], i + 1);
        const float* down2 = at(p[kMosaic], i + 2);
        float* dH = at(p[kDiffH], i);
        float* dV = at(p[kDiffV], i);
        for (size_t j = kDifferences; j + kDifferences < columns; ++j) {
            const float across = 0.5f * (m[j - 1] + m[j] + m[j + 1]) - 0.25f * (m[j - 2] + m[j + 2]);
            const float along = 0.5f * (up[j] + m[j] + down[j]) - 0.25f * (up2[j] + down2[j]);
            const bool green = (j & 1) == colors.greenParity;
            dH[j] = green ? m[j] - across : across - m[j];
            dV[j] = green ? m[j] - along : along - m[j];
        }
    }
    // 2a. Gradients of the differences, summed over 5 x 5 windows: first
    // along rows into kTemp, then along columns.
    const auto windowSums = [&](Plane differences, bool horizontal, Plane sums) {
        for (size_t i = kGradients; i + kGradients < rows; ++i) {
            const float* d = at(p[differences], i);
            const float* before = horizontal ? d - 1 : at(p[differences], i - 1);
            const float* after = horizontal ? d + 1 : at(p[differences], i + 1);
            float* gradient = at(p[kScratch], i);
            for (size_t j = kGradients; j + kGradients < columns; ++j) gradient[j] = std::fabs(before[j] - after[j]);
        }
        for (size_t i = kGradients; i + kGradients < rows; ++i) {
            const float* g = at(p[kScratch], i);
            float* across = at(p[kTemp], i);
            for (size_t j = kSums; j + kSums < columns; ++j) across[j] = g[j - 2] + g[j - 1] + g[j] + g[j + 1] + g[j + 2];
        }
        for (size_t i = kSums; i + kSums < rows; ++i) {
            float* out = at(p[sums], i);
            const float *a = at(p[kTemp], i - 2), *b = at(p[kTemp], i - 1), *c = at(p[kTemp], i),
                        *d = at(p[kTemp], i + 1), *e = at(p[kTemp], i + 2);
            for (size_t j = kSums; j + kSums < columns; ++j) out[j] = a[j] + b[j] + c[j] + d[j] + e[j];
        }
    };
    windowSums(kDiffH, true, kSumH);
    windowSums(kDiffV, false, kSumV);

    // The four weights of pixel (i, j): north, south, west, east.
    struct Weights {
        float north, south, west, east;
    };
    const auto weightsAt = [&](size_t i, size_t j) {
        return Weights{inverseSquare(at(p[kSumV], i - 2)[j], band.eps), inverseSquare(at(p[kSumV], i + 2)[j], band.eps),
                       inverseSquare(at(p[kSumH], i)[j - 2], band.eps), inverseSquare(at(p[kSumH], i)[j + 2], band.eps)};
    };
    // 2b. Green at every pixel, and the green-minus-colour difference kept
    // in kScratch for steps 3 and 4.
    constexpr float kMean = 1.0f / kWindow;
    for (size_t i = kGreen; i + kGreen < rows; ++i) {
        const RowColors colors = colorsOf(band, i);
        const float* m = at(p[kMosaic], i);
        const float* dH = at(p[kDiffH], i);
        float* green = at(p[kGreenPlane], i);
        float* difference = at(p[kScratch], i);
        for (size_t j = kGreen; j + kGreen < columns; ++j) {
            const Weights w = weightsAt(i, j);
            const float north = (at(p[kDiffV], i - 4)[j] + at(p[kDiffV], i - 3)[j] + at(p[kDiffV], i - 2)[j] +
                                 at(p[kDiffV], i - 1)[j] + at(p[kDiffV], i)[j]) * kMean;
            const float south = (at(p[kDiffV], i)[j] + at(p[kDiffV], i + 1)[j] + at(p[kDiffV], i + 2)[j] +
                                 at(p[kDiffV], i + 3)[j] + at(p[kDiffV], i + 4)[j]) * kMean;
            const float west = (dH[j - 4] + dH[j - 3] + dH[j - 2] + dH[j - 1] + dH[j]) * kMean;
            const float east = (dH[j] + dH[j + 1] + dH[j + 2] + dH[j + 3] + dH[j + 4]) * kMean;
            const float estimate = (w.north * north + w.south * south + w.west * west + w.east * east) /
                                   (w.north + w.south + w.west + w.east);
            const bool isGreen = (j & 1) == colors.greenParity;
            green[j] = isGreen ? m[j] : m[j] + estimate;
            difference[j] = isGreen ? 0.0f : estimate;
        }
    }
    // 3. At red and blue pixels: the other colour's green-minus-colour from
    // the 7 x 7 filter (weights 10 at the four diagonal neighbours, -1 at
    // the eight samples of that colour around them, over 32), in kTemp.
    constexpr float kNear = 10.0f / 32.0f, kFar = 1.0f / 32.0f;
    for (size_t i = kCross; i + kCross < rows; ++i) {
        const float *d3 = at(p[kScratch], i - 3), *d1 = at(p[kScratch], i - 1), *e1 = at(p[kScratch], i + 1),
                    *e3 = at(p[kScratch], i + 3);
        float* other = at(p[kTemp], i);
        for (size_t j = kCross; j + kCross < columns; ++j) {
            const float near = d1[j - 1] + d1[j + 1] + e1[j - 1] + e1[j + 1];
            const float far = d3[j - 1] + d3[j + 1] + e3[j - 1] + e3[j + 1] + d1[j - 3] + d1[j + 3] + e1[j - 3] +
                              e1[j + 3];
            other[j] = kNear * near - kFar * far;
        }
    }
    // 4. Every pixel's colours of its row and its column.
    for (size_t i = kAtGreen; i + kAtGreen < rows; ++i) {
        const RowColors colors = colorsOf(band, i);
        const float* green = at(p[kGreenPlane], i);
        const float *own = at(p[kScratch], i), *ownUp = at(p[kScratch], i - 1), *ownDown = at(p[kScratch], i + 1);
        const float *other = at(p[kTemp], i), *otherUp = at(p[kTemp], i - 1), *otherDown = at(p[kTemp], i + 1);
        float* rowColor = at(p[kOwn], i);
        float* columnColor = at(p[kOther], i);
        for (size_t j = kAtGreen; j + kAtGreen < columns; ++j) {
            const Weights w = weightsAt(i, j);
            const float total = w.north + w.south + w.west + w.east;
            // Neighbours across the row have the row's colour, those along
            // the column the column's.
            const float rowDifference =
                (w.west * own[j - 1] + w.east * own[j + 1] + w.north * otherUp[j] + w.south * otherDown[j]) / total;
            const float columnDifference =
                (w.west * other[j - 1] + w.east * other[j + 1] + w.north * ownUp[j] + w.south * ownDown[j]) / total;
            const bool isGreen = (j & 1) == colors.greenParity;
            rowColor[j] = green[j] - (isGreen ? rowDifference : own[j]);
            columnColor[j] = green[j] - (isGreen ? columnDifference : other[j]);
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

class DirectionalDemosaic final : public BandDemosaic {
public:
    DirectionalDemosaic(const Mosaic& mosaic, MosaicRows& rows, size_t begin, size_t end, bool fast)
        : mosaic_(mosaic), fast_(fast), begin_(begin), planes_(mosaic.width) {
        band_.rows = end - begin + 2 * kHalo;
        band_.columns = mosaic.width + 2 * kHalo;
        band_.firstRow = begin;
        band_.pattern = mosaic.pattern;
        band_.maximum = float(mosaic.mask);
        // Small against any real gradient sum, large enough that a flat
        // area gets four equal, finite weights.
        band_.eps = 1e-3f * float(mosaic.mask) / 255.0f;
        const size_t planeSize = band_.rows * band_.columns;
        std::vector<float>& memory = scratchPlanes();
        if (memory.size() < kPlaneCount * planeSize) memory.assign(kPlaneCount * planeSize, 0.0f);
        for (size_t k = 0; k < kPlaneCount; ++k) band_.plane[k] = memory.data() + k * planeSize;
        load(rows);
        (fast_ ? directionalBandFast : directionalBandScalar)(band_);
    }

    void row(size_t y, uint8_t* out) override {
        const size_t i = y - begin_ + kHalo;
        const RowColors colors = colorsOf(band_, i);
        const float* green = band_.plane[kGreenPlane] + i * band_.columns + kHalo;
        const float* rowColor = band_.plane[kOwn] + i * band_.columns + kHalo;
        const float* columnColor = band_.plane[kOther] + i * band_.columns + kHalo;
        uint16_t* own = colors.redRow ? planes_.red.data() : planes_.blue.data();
        uint16_t* other = colors.redRow ? planes_.blue.data() : planes_.red.data();
        const auto sample = [&](float value) {
            return static_cast<uint16_t>(std::clamp(value, 0.0f, band_.maximum) + 0.5f);
        };
        for (size_t x = 0; x < mosaic_.width; ++x) {
            own[x] = sample(rowColor[x]);
            planes_.green[x] = sample(green[x]);
            other[x] = sample(columnColor[x]);
        }
        planes_.store(mosaic_, out, fast_);
    }

private:
    // The band's rows and kHalo rows and columns around them, mirrored.
    void load(MosaicRows& rows) {
        const size_t width = mosaic_.width;
        for (size_t i = 0; i < band_.rows; ++i) {
            const uint8_t* source = rows.row(ptrdiff_t(begin_ + i) - ptrdiff_t(kHalo));
            float* line = band_.plane[kMosaic] + i * band_.columns;
            for (size_t j = 0; j < band_.columns; ++j)
                line[j] = float(mosaicSample(mosaic_, source, mirrored(ptrdiff_t(j) - ptrdiff_t(kHalo), width)));
        }
    }

    const Mosaic& mosaic_;
    bool fast_;
    size_t begin_;
    Band band_;
    ColorPlanes planes_;
};

}  // namespace

std::unique_ptr<BandDemosaic> makeDirectionalDemosaic(const Mosaic& mosaic, MosaicRows& rows, size_t, size_t begin,
                                                      size_t end, bool fast) {
    return std::make_unique<DirectionalDemosaic>(mosaic, rows, begin, end, fast);
}

}  // namespace orx::convert
