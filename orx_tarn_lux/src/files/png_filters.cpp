#include "files/png_filters.h"

#include <cstdlib>
#include <cstring>

#include "core/kernel_dispatch.h"

namespace orx::files::png {
namespace {

inline uint8_t paeth(int left, int up, int upLeft) {
    const int estimate = left + up - upLeft;
    const int toLeft = std::abs(estimate - left);
    const int toUp = std::abs(estimate - up);
    const int toUpLeft = std::abs(estimate - upLeft);
    if (toLeft <= toUp && toLeft <= toUpLeft) return static_cast<uint8_t>(left);
    return static_cast<uint8_t>(toUp <= toUpLeft ? up : upLeft);
}

// Written so that the compiler vectorises every loop: the first pixel, which
// has no left neighbour, is done apart.
inline void filterInline(Filter filter, const uint8_t* row, const uint8_t* previous, size_t bytes, size_t pixelBytes,
                         uint8_t* out) {
    const size_t head = pixelBytes < bytes ? pixelBytes : bytes;
    switch (filter) {
        case kNone: std::memcpy(out, row, bytes); return;
        case kSub:
            for (size_t i = 0; i < head; ++i) out[i] = row[i];
            for (size_t i = head; i < bytes; ++i) out[i] = static_cast<uint8_t>(row[i] - row[i - pixelBytes]);
            return;
        case kUp:
            for (size_t i = 0; i < bytes; ++i) out[i] = static_cast<uint8_t>(row[i] - previous[i]);
            return;
        case kAverage:
            for (size_t i = 0; i < head; ++i) out[i] = static_cast<uint8_t>(row[i] - (previous[i] >> 1));
            for (size_t i = head; i < bytes; ++i)
                out[i] = static_cast<uint8_t>(row[i] - ((row[i - pixelBytes] + previous[i]) >> 1));
            return;
        default:
            for (size_t i = 0; i < head; ++i) out[i] = static_cast<uint8_t>(row[i] - previous[i]);
            for (size_t i = head; i < bytes; ++i)
                out[i] = static_cast<uint8_t>(row[i] - paeth(row[i - pixelBytes], previous[i],
                                                              previous[i - pixelBytes]));
    }
}

#if ORX_HAVE_FAST_KERNELS
ORX_FAST_TARGET void filterFast(Filter filter, const uint8_t* row, const uint8_t* previous, size_t bytes,
                                size_t pixelBytes, uint8_t* out) {
    filterInline(filter, row, previous, bytes, pixelBytes, out);
}
#endif

}  // namespace

__attribute__((optimize("no-tree-vectorize"))) void filterRowScalar(Filter filter, const uint8_t* row,
                                                                     const uint8_t* previous, size_t bytes,
                                                                     size_t pixelBytes, uint8_t* out) {
    filterInline(filter, row, previous, bytes, pixelBytes, out);
}

void filterRow(Filter filter, const uint8_t* row, const uint8_t* previous, size_t bytes, size_t pixelBytes,
               uint8_t* out) {
#if ORX_HAVE_FAST_KERNELS
    if (useFastKernels()) return filterFast(filter, row, previous, bytes, pixelBytes, out);
#endif
    filterRowScalar(filter, row, previous, bytes, pixelBytes, out);
}

void unfilterRow(Filter filter, uint8_t* row, const uint8_t* previous, size_t bytes, size_t pixelBytes) {
    const size_t head = pixelBytes < bytes ? pixelBytes : bytes;
    switch (filter) {
        case kNone: return;
        case kSub:
            for (size_t i = head; i < bytes; ++i) row[i] = static_cast<uint8_t>(row[i] + row[i - pixelBytes]);
            return;
        case kUp:
            for (size_t i = 0; i < bytes; ++i) row[i] = static_cast<uint8_t>(row[i] + previous[i]);
            return;
        case kAverage:
            for (size_t i = 0; i < head; ++i) row[i] = static_cast<uint8_t>(row[i] + (previous[i] >> 1));
            for (size_t i = head; i < bytes; ++i)
                row[i] = static_cast<uint8_t>(row[i] + ((row[i - pixelBytes] + previous[i]) >> 1));
            return;
        default:
            for (size_t i = 0; i < head; ++i) row[i] = static_cast<uint8_t>(row[i] + previous[i]);
            for (size_t i = head; i < bytes; ++i)
                row[i] = static_cast<uint8_t>(row[i] + paeth(row[i - pixelBytes], previous[i],
                                                              previous[i - pixelBytes]));
    }
}

Filter chooseFilter(const uint8_t* row, const uint8_t* previous, size_t bytes, size_t pixelBytes, uint8_t* scratch) {
    Filter best = kNone;
    uint64_t bestCost = UINT64_MAX;
    for (uint8_t f = kNone; f < kFilterCount; ++f) {
        filterRow(static_cast<Filter>(f), row, previous, bytes, pixelBytes, scratch);
        uint64_t cost = 0;
        for (size_t i = 0; i < bytes; ++i) cost += static_cast<uint64_t>(std::abs(static_cast<int8_t>(scratch[i])));
        if (cost < bestCost) {
            bestCost = cost;
            best = static_cast<Filter>(f);
        }
    }
    return best;
}

}  // namespace orx::files::png
