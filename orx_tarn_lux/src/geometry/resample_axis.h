// Where each destination sample of one axis takes its source samples from.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "geometry/interpolation.h"

namespace orx {

// For destination position d, taps [d * taps, (d + 1) * taps) hold source
// positions (already clamped into the source, which replicates the border)
// and weights that add up to one. Positions are consecutive apart from that
// clamping, and unused trailing taps have weight zero and repeat the last
// position, so every destination position reads at most `taps` neighbouring
// source positions.
struct AxisTaps {
    size_t taps = 0;
    std::vector<int32_t> position;
    std::vector<float> weight;
    std::vector<uint32_t> usedTaps;  // taps with a nonzero weight, per destination
};

// Box filtering needs a downscale in both directions; as soon as one axis is
// enlarged, area interpolation takes the two-tap form on both axes.
enum class AreaForm { Box, TwoTap };

AxisTaps resampleAxis(size_t sourceLength, size_t targetLength, Interpolation algorithm,
                      AreaForm areaForm);

// Source position for each destination position of the nearest-neighbour
// algorithms.
std::vector<int32_t> nearestAxis(size_t sourceLength, size_t targetLength, Interpolation algorithm);

}  // namespace orx
