#include "convert/demosaic.h"

#include "convert/demosaic_methods.h"

namespace orx::convert {
namespace {

class BilinearDemosaic final : public BandDemosaic {
public:
    BilinearDemosaic(const Mosaic& mosaic, MosaicRows& rows, bool fast) : mosaic_(mosaic), rows_(rows), fast_(fast) {}

    void row(size_t y, uint8_t* out) override {
        const uint8_t* up = rows_.row(ptrdiff_t(y) - 1);
        const uint8_t* down = rows_.row(ptrdiff_t(y) + 1);
        const uint8_t* row = rows_.row(ptrdiff_t(y));
        const size_t width = mosaic_.width;
        // The first column mirrors its left neighbour; the fast kernel starts after it.
        const size_t lead = std::min<size_t>(1, width);
        demosaicScalar(up, row, down, mosaic_, y, out, 0, lead);
        const size_t done = fast_ ? demosaicFast(up, row, down, mosaic_, y, out, lead, width) : lead;
        demosaicScalar(up, row, down, mosaic_, y, out, done, width);
    }

private:
    const Mosaic& mosaic_;
    MosaicRows& rows_;
    bool fast_;
};

}  // namespace

size_t mirrored(ptrdiff_t i, size_t size) {
    if (size <= 1) return 0;
    const auto period = ptrdiff_t(2 * (size - 1));
    ptrdiff_t folded = i % period;
    if (folded < 0) folded += period;
    return size_t(folded < ptrdiff_t(size) ? folded : period - folded);
}

DemosaicMethod demosaicMethodFor(TARN_LUX_ConversionMode mode) {
    switch (mode) {
        case TARN_LUX_ConversionMode_Classic: return DemosaicMethod::Bilinear;
        case TARN_LUX_ConversionMode_HighQuality: return DemosaicMethod::Directional;
        default: return DemosaicMethod::GradientCorrected;
    }
}

size_t demosaicBandRows(DemosaicMethod method) {
    // The directional method works out 12 rows beyond each end of a band.
    return method == DemosaicMethod::Directional ? 64 : 16;
}

std::unique_ptr<BandDemosaic> makeBandDemosaic(DemosaicMethod method, const Mosaic& mosaic, MosaicRows& rows,
                                               size_t height, size_t begin, size_t end, bool fast) {
    switch (method) {
        case DemosaicMethod::Bilinear: return std::make_unique<BilinearDemosaic>(mosaic, rows, fast);
        case DemosaicMethod::GradientCorrected: return makeGradientDemosaic(mosaic, rows, fast);
        case DemosaicMethod::Directional: return makeDirectionalDemosaic(mosaic, rows, height, begin, end, fast);
    }
    return nullptr;
}

}  // namespace orx::convert
