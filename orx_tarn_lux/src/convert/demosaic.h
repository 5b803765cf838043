// Demosaicing over bands of rows, one method per conversion mode:
//
//   Classic      bilinear: each missing colour is the mean of its nearest
//                samples (demosaic_kernels.h).
//   Fast         gradient-corrected linear interpolation: the bilinear
//                estimate plus a share of the Laplacian of the colour the
//                pixel has, the published 5 x 5 kernels for high-quality
//                linear demosaicing. Sharper edges, less colour fringing,
//                for a few more operations per pixel.
//   HighQuality  gradient-based, threshold-free directional interpolation:
//                green-minus-colour differences are estimated along the four
//                directions from the pixel and blended with weights that
//                fall with the square of the difference gradients there, so
//                an edge draws its estimate from along the edge, never
//                across it; red and blue follow from the same differences.
//
// Every method reads the mosaic mirrored at its borders (column -1 is
// column 1, so colours keep their places): no dark or coloured rims, any
// size down to 1 x 1. Results are the same for any split into bands.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "convert/demosaic_kernels.h"
#include "orx_tarn_lux.h"

namespace orx::convert {

// Index i of a line of `size` samples, mirrored at both ends without
// repeating the end sample (-1 is 1, size is size - 2), folded as often as
// tiny sizes need; keeps the parity of i for sizes above 1.
size_t mirrored(ptrdiff_t i, size_t size);

// The rows of a mosaic in the row form, by any index (mirrored).
class MosaicRows {
public:
    virtual ~MosaicRows() = default;
    virtual const uint8_t* row(ptrdiff_t y) = 0;
};

class BandDemosaic {
public:
    virtual ~BandDemosaic() = default;
    // Row y into `out` (in mosaic.out's form); a band's rows come in order.
    virtual void row(size_t y, uint8_t* out) = 0;
};

enum class DemosaicMethod { Bilinear, GradientCorrected, Directional };

DemosaicMethod demosaicMethodFor(TARN_LUX_ConversionMode mode);

// Rows a band should have with `method` (a multiple of 16): methods that
// read far beyond the band want tall bands.
size_t demosaicBandRows(DemosaicMethod method);

// Rows the source must keep at hand at once for `method`.
constexpr size_t kMosaicWindowRows = 5;

// Demosaics rows [begin, end) of a mosaic of `height` rows.
std::unique_ptr<BandDemosaic> makeBandDemosaic(DemosaicMethod method, const Mosaic& mosaic, MosaicRows& rows,
                                               size_t height, size_t begin, size_t end, bool fast);

}  // namespace orx::convert
