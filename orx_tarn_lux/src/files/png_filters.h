// PNG row filters (None, Sub, Up, Average, Paeth): the encoder's direction,
// which has no dependency along the row and so runs in vector registers, and
// the decoder's, which undoes a filter in place.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orx::files::png {

enum Filter : uint8_t { kNone = 0, kSub = 1, kUp = 2, kAverage = 3, kPaeth = 4, kFilterCount = 5 };

// `row` and `previous` (all zero for the first row) hold `bytes` bytes of
// unfiltered samples with `pixelBytes` bytes per pixel (1 for depths below
// 8); `out` receives the filtered bytes, without the filter type byte.
void filterRow(Filter filter, const uint8_t* row, const uint8_t* previous, size_t bytes, size_t pixelBytes,
               uint8_t* out);

// The same without vector instructions: the reference of filterRow.
void filterRowScalar(Filter filter, const uint8_t* row, const uint8_t* previous, size_t bytes, size_t pixelBytes,
                     uint8_t* out);

// Undoes `filter` on the filtered bytes `in`, writing `out` (which may be
// `in`), given the unfiltered `previous` row. The caller has checked that
// `filter` is below kFilterCount.
void unfilterRow(Filter filter, const uint8_t* in, uint8_t* out, const uint8_t* previous, size_t bytes,
                 size_t pixelBytes);

// The same a byte at a time: the reference of unfilterRow.
void unfilterRowScalar(Filter filter, const uint8_t* in, uint8_t* out, const uint8_t* previous, size_t bytes,
                       size_t pixelBytes);

// The filter whose output has the smallest sum of absolute byte values (as
// signed), the usual estimate of what deflate compresses best; `scratch`
// holds `bytes` bytes and receives nothing useful.
Filter chooseFilter(const uint8_t* row, const uint8_t* previous, size_t bytes, size_t pixelBytes, uint8_t* scratch);

}  // namespace orx::files::png
