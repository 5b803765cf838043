// Fast row kernel of the sharpness measures: the interior of a row, no border tests, one algorithm per loop, compiled
// for AVX2 so that the loops vectorise. Integer sums, so the result is the scalar one exactly.
#include "core/kernel_dispatch.h"
#include "sensor/sharpness.h"
#include "sensor/sharpness_terms.h"

namespace orx {
namespace {

template <typename T, typename Wide, TARN_LUX_SharpnessAlgorithm kAlgorithm>
ORX_FAST_TARGET void interiorRow(const T* up, const T* mid, const T* down, size_t p, size_t begin, size_t end,
                                 SharpnessSums& sums) {
    uint64_t terms = 0;
    uint64_t squares = 0;
    for (size_t x = begin; x < end; ++x) {
        const sharpness::Neighbourhood n{up[x - p],  up[x],       up[x + p], mid[x - p], mid[x],
                                         mid[x + p], down[x - p], down[x],   down[x + p]};
        const Wide t = sharpness::term<Wide>(n, kAlgorithm);
        terms += uint64_t(t);
        if (kAlgorithm == TARN_LUX_SharpnessAlgorithm_HistogramVariance) squares += uint64_t(t) * uint64_t(t);
    }
    sums.terms += terms;
    sums.squares += squares;
    sums.count += end - begin;
}

template <typename T, typename Wide>
ORX_FAST_TARGET void typedRow(const void* above, const void* centre, const void* below, size_t p,
                              TARN_LUX_SharpnessAlgorithm algorithm, size_t begin, size_t end, SharpnessSums& sums) {
    const T* up = static_cast<const T*>(above);
    const T* mid = static_cast<const T*>(centre);
    const T* down = static_cast<const T*>(below);
    switch (algorithm) {
        case TARN_LUX_SharpnessAlgorithm_MeanScore:
            return interiorRow<T, Wide, TARN_LUX_SharpnessAlgorithm_MeanScore>(up, mid, down, p, begin, end, sums);
        case TARN_LUX_SharpnessAlgorithm_HistogramVariance:
            return interiorRow<T, uint64_t, TARN_LUX_SharpnessAlgorithm_HistogramVariance>(up, mid, down, p, begin, end,
                                                                                           sums);
        case TARN_LUX_SharpnessAlgorithm_Sobel:
            return interiorRow<T, Wide, TARN_LUX_SharpnessAlgorithm_Sobel>(up, mid, down, p, begin, end, sums);
        default: return interiorRow<T, Wide, TARN_LUX_SharpnessAlgorithm_Tenengrad>(up, mid, down, p, begin, end, sums);
    }
}

}  // namespace

void sharpnessRowFast(const void* above, const void* centre, const void* below, size_t sampleBytes, size_t period,
                      TARN_LUX_SharpnessAlgorithm algorithm, size_t begin, size_t end, SharpnessSums& sums) {
    if (begin >= end) return;
    if (sampleBytes == 1)
        typedRow<uint8_t, int32_t>(above, centre, below, period, algorithm, begin, end, sums);
    else
        typedRow<uint16_t, int64_t>(above, centre, below, period, algorithm, begin, end, sums);
}

}  // namespace orx
