// The per-pixel terms of the sharpness algorithms (see sharpness.h), written once for the scalar reference and the fast
// row kernel. `Wide` holds a squared gradient: 32 bits suffice for 8-bit intensities, 16-bit ones (up to three 12-bit
// channels summed) need 64.
#pragma once

#include <cstdint>
#include <cstdlib>

#include "orx_tarn_lux.h"

namespace orx::sharpness {

// The 3 x 3 neighbourhood of one pixel, one period apart.
struct Neighbourhood {
    int32_t ul, u, ur, l, v, r, dl, d, dr;
};

template <typename Wide>
inline Wide term(const Neighbourhood& n, TARN_LUX_SharpnessAlgorithm algorithm) {
    const int32_t gx = (n.ur - n.ul) + 2 * (n.r - n.l) + (n.dr - n.dl);
    const int32_t gy = (n.dl + 2 * n.d + n.dr) - (n.ul + 2 * n.u + n.ur);
    switch (algorithm) {
        case TARN_LUX_SharpnessAlgorithm_MeanScore: return Wide(std::abs(4 * n.v - n.u - n.d - n.l - n.r));
        case TARN_LUX_SharpnessAlgorithm_Sobel: return Wide(std::abs(gx) + std::abs(gy));
        case TARN_LUX_SharpnessAlgorithm_HistogramVariance: return Wide(n.v);
        default: return Wide(gx) * gx + Wide(gy) * gy;
    }
}

}  // namespace orx::sharpness
