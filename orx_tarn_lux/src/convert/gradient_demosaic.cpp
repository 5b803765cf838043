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
// the vector build of the row kernel gives the bytes of the scalar one.
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
struct Window {
    const int32_t* row[2 * kReach + 1];
};

// The kernel over a whole row, written so that compilers vectorise it.
// `greenParity` is the parity of the columns that hold green; `own` gets
// the colour of the row (at its non-green columns), `other` the other one.
__attribute__((always_inline)) inline void gradientRow(const Window& window, size_t width, size_t greenParity,
                                                       int32_t maximum, uint16_t* own, uint16_t* green,
                                                       uint16_t* other) {
    const int32_t* r0 = window.row[0];
    const int32_t* r1 = window.row[1];
    const int32_t* r2 = window.row[2];
    const int32_t* r3 = window.row[3];
    const int32_t* r4 = window.row[4];
    for (size_t x = 0; x < width; ++x) {
        const int32_t c = r2[x];
        const int32_t vertical = r1[x] + r3[x], horizontal = r2[x - 1] + r2[x + 1];
        const int32_t vertical2 = r0[x] + r4[x], horizontal2 = r2[x - 2] + r2[x + 2];
        const int32_t diagonal = r1[x - 1] + r1[x + 1] + r3[x - 1] + r3[x + 1];
        const int32_t far = vertical2 + horizontal2;
        const int32_t greenAtColor = 8 * c + 4 * (vertical + horizontal) - 2 * far;
        const int32_t otherAtColor = 12 * c + 4 * diagonal - 3 * far;
        const int32_t rowAtGreen = 10 * c + 8 * horizontal - 2 * horizontal2 - 2 * diagonal + vertical2;
        const int32_t columnAtGreen = 10 * c + 8 * vertical - 2 * vertical2 - 2 * diagonal + horizontal2;
        const bool isGreen = (x & 1) == greenParity;
        const int32_t scaled = c << kShift;
        const auto finish = [maximum](int32_t sum) {
            return static_cast<uint16_t>(std::clamp((sum + kRound) >> kShift, 0, maximum));
        };
        own[x] = finish(isGreen ? rowAtGreen : scaled);
        green[x] = finish(isGreen ? scaled : greenAtColor);
        other[x] = finish(isGreen ? columnAtGreen : otherAtColor);
    }
}

void gradientRowScalar(const Window& window, size_t width, size_t greenParity, int32_t maximum, uint16_t* own,
                       uint16_t* green, uint16_t* other) {
    gradientRow(window, width, greenParity, maximum, own, green, other);
}

#if ORX_HAVE_FAST_KERNELS
ORX_FAST_TARGET void gradientRowFast(const Window& window, size_t width, size_t greenParity, int32_t maximum,
                                     uint16_t* own, uint16_t* green, uint16_t* other) {
    gradientRow(window, width, greenParity, maximum, own, green, other);
}
#else
void gradientRowFast(const Window& window, size_t width, size_t greenParity, int32_t maximum, uint16_t* own,
                     uint16_t* green, uint16_t* other) {
    gradientRow(window, width, greenParity, maximum, own, green, other);
}
#endif

class GradientDemosaic final : public BandDemosaic {
public:
    GradientDemosaic(const Mosaic& mosaic, MosaicRows& rows, bool fast)
        : mosaic_(mosaic), rows_(rows), fast_(fast), stride_(mosaic.width + 2 * kReach),
          lines_(kMosaicWindowRows * stride_), planes_(mosaic.width) {}

    void row(size_t y, uint8_t* out) override {
        Window window;
        for (size_t k = 0; k < kMosaicWindowRows; ++k) window.row[k] = line(ptrdiff_t(y + k) - ptrdiff_t(kReach));
        const MosaicRow colors = mosaicRow(mosaic_.pattern, y);
        uint16_t* own = colors.redRow ? planes_.red.data() : planes_.blue.data();
        uint16_t* other = colors.redRow ? planes_.blue.data() : planes_.red.data();
        const size_t greenParity = colors.greenFirst ? 0 : 1;
        const auto maximum = int32_t(mosaic_.mask);
        (fast_ ? gradientRowFast : gradientRowScalar)(window, mosaic_.width, greenParity, maximum, own,
                                                      planes_.green.data(), other);
        planes_.store(mosaic_, out, fast_);
    }

private:
    // Row y, widened and padded, from a ring that keeps the last five.
    const int32_t* line(ptrdiff_t y) {
        const size_t slot = size_t(y + ptrdiff_t(kMosaicWindowRows * 4)) % kMosaicWindowRows;
        int32_t* padded = lines_.data() + slot * stride_;
        if (loaded_[slot] != y) {
            const uint8_t* source = rows_.row(y);
            const size_t width = mosaic_.width;
            for (size_t i = 0; i < stride_; ++i)
                padded[i] = int32_t(mosaicSample(mosaic_, source, mirrored(ptrdiff_t(i) - ptrdiff_t(kReach), width)));
            loaded_[slot] = y;
        }
        return padded + kReach;
    }

    const Mosaic& mosaic_;
    MosaicRows& rows_;
    bool fast_;
    size_t stride_;
    std::vector<int32_t> lines_;
    ptrdiff_t loaded_[kMosaicWindowRows] = {PTRDIFF_MIN, PTRDIFF_MIN, PTRDIFF_MIN, PTRDIFF_MIN, PTRDIFF_MIN};
    ColorPlanes planes_;
};

}  // namespace

std::unique_ptr<BandDemosaic> makeGradientDemosaic(const Mosaic& mosaic, MosaicRows& rows, bool fast) {
    return std::make_unique<GradientDemosaic>(mosaic, rows, fast);
}

}  // namespace orx::convert
