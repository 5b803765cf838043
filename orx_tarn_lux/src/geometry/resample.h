// Scaling of one grid of samples into another of a different size.
#pragma once

#include "geometry/interpolation.h"
#include "geometry/sample_grid.h"

namespace orx {

// Resamples `source` into `target`, which has the same channels, sample size
// and maximum value. Both sizes must be nonzero. Cannot fail.
void resampleGrid(const ConstGrid& source, const Grid& target, Interpolation algorithm);

}  // namespace orx
