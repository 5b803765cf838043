// Row kernels of the transformer: every mirror and turn is one of the eight
// symmetries of the pixel grid, and each is a copy of rows, of reversed rows
// or of transposed blocks. The kernels move whole pixels of 1 to 64 bytes and
// never look inside them.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orx::flip {

// Where an output pixel comes from: out(x, y) = in(sx, sy) with
//     (u, v) = transpose ? (y, x) : (x, y)
//     sx = flipX ? W - 1 - u : u,   sy = flipY ? H - 1 - v : v
// for an input of W x H. A transposed output is H x W.
struct GridMap {
    bool transpose;
    bool flipX;
    bool flipY;
};

// A plane of whole-byte pixels, rows without padding.
struct Plane {
    uint8_t* data;
    size_t width;
    size_t height;
    size_t pixelBytes;

    size_t rowBytes() const { return width * pixelBytes; }
    uint8_t* row(size_t y) const { return data + y * rowBytes(); }
};

// Output rows [begin, end) of `map` applied to `in`; `out` has the mapped
// shape and does not overlap `in`.
void mapRows(const Plane& in, const Plane& out, GridMap map, size_t begin, size_t end);

// Rows a transposing map handles per block; mapRows of a transposing map
// runs fastest over ranges that start at multiples of it.
constexpr size_t kBandRows = 16;

// In place, for maps that do not transpose: the row pairs (y, H - 1 - y) for
// y in [begin, end), end at most (H + 1) / 2; the middle row of an odd
// height is its own pair.
void mirrorPairs(const Plane& plane, GridMap map, size_t begin, size_t end);

// --- Parts of the kernels, exposed for their tests -------------------------

// out[i] = in[n - 1 - i] for output pixels i in [begin, n).
void reverseScalar(const uint8_t* in, uint8_t* out, size_t n, size_t pixelBytes, size_t begin);
// Exchanges a[i] and b[n - 1 - i] for i in [begin, end); a may equal b when
// end <= n / 2.
void swapReversedScalar(uint8_t* a, uint8_t* b, size_t n, size_t pixelBytes, size_t begin, size_t end);
// out[i * outStep + j] = in[j * inStep + i] over h x w pixels: a block of
// source rows becomes a block of output columns. The steps are signed, so
// mirrored source and target orders are strides, not separate kernels.
void transposeScalar(const uint8_t* in, ptrdiff_t inStep, uint8_t* out, ptrdiff_t outStep, size_t h, size_t w,
                     size_t pixelBytes);

// Fast versions: each does a prefix of the work and returns where the scalar
// version has to continue (the first output pixel, or pair index, not done).
size_t reverseWide(const uint8_t* in, uint8_t* out, size_t n, size_t pixelBytes);
size_t swapReversedWide(uint8_t* a, uint8_t* b, size_t n, size_t pixelBytes, size_t end);
// Transposes a whole 16 x 16 block when it has a kernel for the pixel size.
constexpr size_t kTile = 16;
bool transposeTileFast(const uint8_t* in, ptrdiff_t inStep, uint8_t* out, ptrdiff_t outStep, size_t pixelBytes);

}  // namespace orx::flip
