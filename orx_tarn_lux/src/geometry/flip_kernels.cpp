#include "geometry/flip_kernels.h"

#include <algorithm>
#include <cstring>
#include <type_traits>

#include "core/kernel_dispatch.h"

namespace orx::flip {
namespace {

// Calls body with the pixel size as a compile-time constant for the sizes
// the formats have (so pixel copies become single moves), else as a value.
template <typename Body>
void withPixelBytes(size_t pixelBytes, Body&& body) {
    switch (pixelBytes) {
        case 1: return body(std::integral_constant<size_t, 1>());
        case 2: return body(std::integral_constant<size_t, 2>());
        case 3: return body(std::integral_constant<size_t, 3>());
        case 4: return body(std::integral_constant<size_t, 4>());
        case 6: return body(std::integral_constant<size_t, 6>());
        case 8: return body(std::integral_constant<size_t, 8>());
        default: return body(pixelBytes);
    }
}

template <typename Bytes>
inline void swapPixel(uint8_t* a, uint8_t* b, Bytes bytes) {
    uint8_t held[64];
    std::memcpy(held, a, bytes);
    std::memcpy(a, b, bytes);
    std::memcpy(b, held, bytes);
}

void reverse(const uint8_t* in, uint8_t* out, size_t n, size_t pixelBytes) {
    const size_t done = useWideKernels() ? reverseWide(in, out, n, pixelBytes) : 0;
    reverseScalar(in, out, n, pixelBytes, done);
}

void swapReversed(uint8_t* a, uint8_t* b, size_t n, size_t pixelBytes, size_t end) {
    const size_t done = useWideKernels() ? swapReversedWide(a, b, n, pixelBytes, end) : 0;
    swapReversedScalar(a, b, n, pixelBytes, done, end);
}

}  // namespace

void reverseScalar(const uint8_t* in, uint8_t* out, size_t n, size_t pixelBytes, size_t begin) {
    withPixelBytes(pixelBytes, [&](auto bytes) {
        for (size_t i = begin; i < n; ++i) std::memcpy(out + i * bytes, in + (n - 1 - i) * bytes, bytes);
    });
}

void swapReversedScalar(uint8_t* a, uint8_t* b, size_t n, size_t pixelBytes, size_t begin, size_t end) {
    withPixelBytes(pixelBytes, [&](auto bytes) {
        for (size_t i = begin; i < end; ++i) swapPixel(a + i * bytes, b + (n - 1 - i) * bytes, bytes);
    });
}

void transposeScalar(const uint8_t* in, ptrdiff_t inStep, uint8_t* out, ptrdiff_t outStep, size_t h, size_t w,
                     size_t pixelBytes) {
    withPixelBytes(pixelBytes, [&](auto bytes) {
        for (size_t i = 0; i < h; ++i) {
            uint8_t* target = out + ptrdiff_t(i) * outStep;
            const uint8_t* source = in + i * bytes;
            for (size_t j = 0; j < w; ++j) std::memcpy(target + j * bytes, source + ptrdiff_t(j) * inStep, bytes);
        }
    });
}

void mapRows(const Plane& in, const Plane& out, GridMap map, size_t begin, size_t end) {
    const size_t bytes = in.pixelBytes;
    if (!map.transpose) {
        for (size_t y = begin; y < end; ++y) {
            const uint8_t* source = in.row(map.flipY ? in.height - 1 - y : y);
            if (map.flipX)
                reverse(source, out.row(y), in.width, bytes);
            else
                std::memcpy(out.row(y), source, in.rowBytes());
        }
        return;
    }
    // Output row r is source column sx(r); output column c is source row
    // sy(c). A block of output rows [r0, r0 + h) x columns [c0, c0 + w) is the
    // transpose of a source block, read and written with signed steps.
    const ptrdiff_t inStride = ptrdiff_t(in.rowBytes());
    const ptrdiff_t outStride = ptrdiff_t(out.rowBytes());
    const bool fast = useFastKernels();
    for (size_t band = begin; band < end; band += kBandRows) {
        const size_t bandEnd = std::min(end, band + kBandRows);
        for (size_t c0 = 0; c0 < out.width; c0 += kTile) {
            const size_t w = std::min(kTile, out.width - c0);
            for (size_t r0 = band; r0 < bandEnd; r0 += kTile) {
                const size_t h = std::min(kTile, bandEnd - r0);
                const size_t column = map.flipX ? in.width - r0 - h : r0;
                const uint8_t* source = in.row(map.flipY ? in.height - 1 - c0 : c0) + column * bytes;
                uint8_t* target = out.row(map.flipX ? r0 + h - 1 : r0) + c0 * bytes;
                const ptrdiff_t inStep = map.flipY ? -inStride : inStride;
                const ptrdiff_t outStep = map.flipX ? -outStride : outStride;
                if (fast && h == kTile && w == kTile && transposeTileFast(source, inStep, target, outStep, bytes))
                    continue;
                transposeScalar(source, inStep, target, outStep, h, w, bytes);
            }
        }
    }
}

void mirrorPairs(const Plane& plane, GridMap map, size_t begin, size_t end) {
    const size_t n = plane.width;
    const size_t bytes = plane.pixelBytes;
    for (size_t y = begin; y < end; ++y) {
        uint8_t* top = plane.row(y);
        uint8_t* bottom = plane.row(plane.height - 1 - y);
        if (top == bottom || !map.flipY) {
            if (!map.flipX) continue;
            swapReversed(top, top, n, bytes, n / 2);
            if (top != bottom) swapReversed(bottom, bottom, n, bytes, n / 2);
        } else if (map.flipX) {
            swapReversed(top, bottom, n, bytes, n);
        } else {
            // Plain row exchange through a small buffer that stays in cache.
            uint8_t held[4096];
            const size_t rowBytes = plane.rowBytes();
            for (size_t at = 0; at < rowBytes; at += sizeof held) {
                const size_t part = std::min(sizeof held, rowBytes - at);
                std::memcpy(held, top + at, part);
                std::memcpy(top + at, bottom + at, part);
                std::memcpy(bottom + at, held, part);
            }
        }
    }
}

}  // namespace orx::flip
