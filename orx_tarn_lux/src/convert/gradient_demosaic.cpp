// Gradient-corrected linear interpolation (see demosaic.h). With C the
// pixel, N/S/W/E its neighbours at distance 1, NN/SS/WW/EE at distance 2
// and D the sum of the four diagonal neighbours, in sixteenths:
//
//   green at red or blue        8C + 4(N+S+W+E) - 2(NN+SS+WW+EE)
//   the row's colour at green   10C + 8(W+E) - 2(WW+EE) - 2D + (NN+SS)
//   the column's colour there   10C + 8(N+S) - 2(NN+SS) - 2D + (WW+EE)
//   red at blue, blue at red    12C + 4D - 3(NN+SS+WW+EE)
//
// rounded to nearest and clamped to the raw range. Integer arithmetic, so
// the vector build of the row kernel gives the bytes of the scalar one;
// 16-bit up to 10-bit mosaics (the largest sum, 28 times the maximum
// sample, stays below 2^15), which doubles the pixels per instruction.
#include <algorithm>

#include "convert/demosaic_methods.h"
#include "core/kernel_dispatch.h"

namespace orx::convert {
namespace {

constexpr size_t kReach = 2;  // columns and rows read on each side
constexpr int32_t kShift = 4;  // the kernels are in sixteenths
constexpr int32_t kRound = 1 << (kShift - 1);

// Rows y-2 .. y+2, each padded with kReach mirrored columns on both sides
// and indexed from the row's first real column.
template <typename T>
struct Window {
    const T* row[2 * kReach + 1];
};

constexpr uint8_t kNarrowBits = 10;  // deepest mosaic the 16-bit kernel takes

// The kernel over a whole row, written so that compilers vectorise it.
// `greenParity` is the parity of the columns that hold green; `own` gets
// the colour of the row (at its non-green columns), `other` the other one.
template <typename T>
__attribute__((always_inline)) inline void gradientRow(const Window<T>& window, size_t width, const T* greenMask,
                                                       T maximum, uint16_t* own, uint16_t* green, uint16_t* other) {
    const T* r0 = window.row[0];
    const T* r1 = window.row[1];
    const T* r2 = window.row[2];
    const T* r3 = window.row[3];
    const T* r4 = window.row[4];
    ORX_NO_ALIASING
    for (size_t x = 0; x < width; ++x) {
        const T c = r2[x];
        const T vertical = T(r1[x] + r3[x]), horizontal = T(r2[x - 1] + r2[x + 1]);
        const T vertical2 = T(r0[x] + r4[x]), horizontal2 = T(r2[x - 2] + r2[x + 2]);
        const T diagonal = T(r1[x - 1] + r1[x + 1] + r3[x - 1] + r3[x + 1]);
        const T far = T(vertical2 + horizontal2);
        const T greenAtColor = T(8 * c + 4 * (vertical + horizontal) - 2 * far);
        const T otherAtColor = T(12 * c + 4 * diagonal - 3 * far);
        const T rowAtGreen = T(10 * c + 8 * horizontal - 2 * horizontal2 - 2 * diagonal + vertical2);
        const T columnAtGreen = T(10 * c + 8 * vertical - 2 * vertical2 - 2 * diagonal + horizontal2);
        const T scaled = T(c << kShift);
        const auto finish = [maximum](T sum) {
            return static_cast<uint16_t>(std::clamp(T(T(sum + kRound) >> kShift), T(0), maximum));
        };
        // All ones at green, zero elsewhere: selections by bit masks.
        const T atGreen = greenMask[x];
        const auto pick = [atGreen](T ifGreen, T otherwise) { return T((ifGreen & atGreen) | (otherwise & ~atGreen)); };
        own[x] = finish(pick(rowAtGreen, scaled));
        green[x] = finish(pick(scaled, greenAtColor));
        other[x] = finish(pick(columnAtGreen, otherAtColor));
    }
}

template <typename T>
void gradientRowScalar(const Window<T>& window, size_t width, const T* greenMask, T maximum, uint16_t* own,
                       uint16_t* green, uint16_t* other) {
    gradientRow(window, width, greenMask, maximum, own, green, other);
}

#if ORX_HAVE_FAST_KERNELS
template <typename T>
ORX_FAST_TARGET void gradientRowFast(const Window<T>& window, size_t width, const T* greenMask, T maximum,
                                     uint16_t* own, uint16_t* green, uint16_t* other) {
    gradientRow(window, width, greenMask, maximum, own, green, other);
}
#else
template <typename T>
void gradientRowFast(const Window<T>& window, size_t width, const T* greenMask, T maximum, uint16_t* own,
                     uint16_t* green, uint16_t* other) {
    gradientRow(window, width, greenMask, maximum, own, green, other);
}
#endif

// T holds the widened samples and the sums: int16_t or int32_t.
template <typename T>
class GradientDemosaic final : public BandDemosaic {
public:
    GradientDemosaic(const Mosaic& mosaic, MosaicRows& rows, bool fast)
        : mosaic_(mosaic), rows_(rows), fast_(fast), stride_(mosaic.width + 2 * kReach),
          lines_(kMosaicWindowRows * stride_), greenMasks_(2 * mosaic.width), planes_(mosaic.width) {
        // Rows whose green is in the even columns, then the odd ones.
        for (size_t x = 0; x < mosaic.width; ++x) {
            greenMasks_[x] = x % 2 == 0 ? T(-1) : T(0);
            greenMasks_[mosaic.width + x] = T(~greenMasks_[x]);
        }
    }

    void row(size_t y, uint8_t* out) override {
        Window<T> window;
        for (size_t k = 0; k < kMosaicWindowRows; ++k) window.row[k] = line(ptrdiff_t(y + k) - ptrdiff_t(kReach));
        const MosaicRow colors = mosaicRow(mosaic_.pattern, y);
        uint16_t* own = colors.redRow ? planes_.red.data() : planes_.blue.data();
        uint16_t* other = colors.redRow ? planes_.blue.data() : planes_.red.data();
        const T* greenMask = greenMasks_.data() + (colors.greenFirst ? 0 : mosaic_.width);
        const auto maximum = T(mosaic_.mask);
        (fast_ ? gradientRowFast<T> : gradientRowScalar<T>)(window, mosaic_.width, greenMask, maximum, own,
                                                            planes_.green.data(), other);
        planes_.store(mosaic_, out, fast_);
    }

private:
    // Row y, widened and padded, from a ring that keeps the last five.
    const T* line(ptrdiff_t y) {
        const size_t slot = size_t(y + ptrdiff_t(kMosaicWindowRows * 4)) % kMosaicWindowRows;
        T* padded = lines_.data() + slot * stride_;
        if (loaded_[slot] != y) {
            loadMirroredLine(mosaic_, rows_.row(y), kReach, padded);
            loaded_[slot] = y;
        }
        return padded + kReach;
    }

    const Mosaic& mosaic_;
    MosaicRows& rows_;
    bool fast_;
    size_t stride_;
    std::vector<T> lines_;
    std::vector<T> greenMasks_;
    ptrdiff_t loaded_[kMosaicWindowRows] = {PTRDIFF_MIN, PTRDIFF_MIN, PTRDIFF_MIN, PTRDIFF_MIN, PTRDIFF_MIN};
    ColorPlanes planes_;
};

}  // namespace

std::unique_ptr<BandDemosaic> makeGradientDemosaic(const Mosaic& mosaic, MosaicRows& rows, bool fast) {
    if (mosaic.out.bits <= kNarrowBits) return std::make_unique<GradientDemosaic<int16_t>>(mosaic, rows, fast);
    return std::make_unique<GradientDemosaic<int32_t>>(mosaic, rows, fast);
}

}  // namespace orx::convert
