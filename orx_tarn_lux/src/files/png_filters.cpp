#include "files/png_filters.h"

#include <cstdlib>
#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

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

#if ORX_HAVE_FAST_KERNELS
namespace {

// Sub, Average and Paeth depend on the pixel to the left, so the decoder
// works a pixel at a time, its 3 or 4 channels side by side in 16-bit
// lanes.
template <size_t PixelBytes>
ORX_FAST_TARGET inline __m128i loadPixel(const uint8_t* p) {
    // Three bytes are put together in a register: copying them into a
    // 4-byte variable in memory would stall the next load on every pixel.
    uint32_t value = 0;
    if constexpr (PixelBytes == 3) {
        value = uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16;
    } else {
        std::memcpy(&value, p, PixelBytes);
    }
    return _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(value)), _mm_setzero_si128());
}

template <size_t PixelBytes>
ORX_FAST_TARGET inline void storePixel(uint8_t* p, __m128i words) {
    const auto value = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(words, words)));
    std::memcpy(p, &value, PixelBytes);
}

template <Filter Kind, size_t PixelBytes>
ORX_FAST_TARGET void unfilterPixels(const uint8_t* in, uint8_t* out, const uint8_t* previous, size_t bytes) {
    const __m128i low = _mm_set1_epi16(0xFF);
    __m128i left = _mm_setzero_si128();
    __m128i upLeft = _mm_setzero_si128();
    for (size_t i = 0; i < bytes; i += PixelBytes) {
        const __m128i x = loadPixel<PixelBytes>(in + i);
        __m128i value;
        if constexpr (Kind == kSub) {
            value = _mm_add_epi16(x, left);
        } else if constexpr (Kind == kAverage) {
            const __m128i up = loadPixel<PixelBytes>(previous + i);
            value = _mm_add_epi16(x, _mm_srli_epi16(_mm_add_epi16(left, up), 1));
        } else {
            const __m128i up = loadPixel<PixelBytes>(previous + i);
            const __m128i toLeft = _mm_abs_epi16(_mm_sub_epi16(up, upLeft));   // |estimate - left|
            const __m128i toUp = _mm_abs_epi16(_mm_sub_epi16(left, upLeft));   // |estimate - up|
            const __m128i toUpLeft = _mm_abs_epi16(_mm_sub_epi16(_mm_add_epi16(up, left), _mm_add_epi16(upLeft, upLeft)));
            const __m128i smallest = _mm_min_epi16(toUpLeft, _mm_min_epi16(toLeft, toUp));
            // Ties go to left, then up, then up-left: later choices override.
            __m128i predictor = upLeft;
            predictor = _mm_blendv_epi8(predictor, up, _mm_cmpeq_epi16(toUp, smallest));
            predictor = _mm_blendv_epi8(predictor, left, _mm_cmpeq_epi16(toLeft, smallest));
            value = _mm_add_epi16(x, predictor);
            upLeft = up;
        }
        value = _mm_and_si128(value, low);
        storePixel<PixelBytes>(out + i, value);
        left = value;
    }
}

// One-byte pixels (8-bit gray): the left and upper-left bytes stay in
// registers instead of being read back from the row just written.
template <Filter Kind>
void unfilterBytes(const uint8_t* in, uint8_t* out, const uint8_t* previous, size_t bytes) {
    unsigned left = 0;
    unsigned upLeft = 0;
    for (size_t i = 0; i < bytes; ++i) {
        const unsigned up = previous[i];
        if constexpr (Kind == kSub) {
            left = (in[i] + left) & 0xFF;
        } else if constexpr (Kind == kAverage) {
            left = (in[i] + ((left + up) >> 1)) & 0xFF;
        } else {
            left = (in[i] + paeth(static_cast<int>(left), static_cast<int>(up), static_cast<int>(upLeft))) & 0xFF;
            upLeft = up;
        }
        out[i] = static_cast<uint8_t>(left);
    }
}

template <size_t PixelBytes>
void unfilterPixelsOf(Filter filter, const uint8_t* in, uint8_t* out, const uint8_t* previous, size_t bytes) {
    switch (filter) {
        case kSub: return unfilterPixels<kSub, PixelBytes>(in, out, previous, bytes);
        case kAverage: return unfilterPixels<kAverage, PixelBytes>(in, out, previous, bytes);
        default: return unfilterPixels<kPaeth, PixelBytes>(in, out, previous, bytes);
    }
}

}  // namespace
#endif

void unfilterRow(Filter filter, const uint8_t* in, uint8_t* out, const uint8_t* previous, size_t bytes,
                 size_t pixelBytes) {
#if ORX_HAVE_FAST_KERNELS
    const bool byPixel = filter == kSub || filter == kAverage || filter == kPaeth;
    if (byPixel && pixelBytes == 1 && useFastKernels()) {
        switch (filter) {
            case kSub: return unfilterBytes<kSub>(in, out, previous, bytes);
            case kAverage: return unfilterBytes<kAverage>(in, out, previous, bytes);
            default: return unfilterBytes<kPaeth>(in, out, previous, bytes);
        }
    }
    if (byPixel && (pixelBytes == 3 || pixelBytes == 4) && bytes % pixelBytes == 0 && useFastKernels()) {
        return pixelBytes == 3 ? unfilterPixelsOf<3>(filter, in, out, previous, bytes)
                               : unfilterPixelsOf<4>(filter, in, out, previous, bytes);
    }
#endif
    unfilterRowScalar(filter, in, out, previous, bytes, pixelBytes);
}

void unfilterRowScalar(Filter filter, const uint8_t* in, uint8_t* out, const uint8_t* previous, size_t bytes,
                       size_t pixelBytes) {
    const size_t head = pixelBytes < bytes ? pixelBytes : bytes;
    switch (filter) {
        case kNone:
            if (in != out) std::memcpy(out, in, bytes);
            return;
        case kSub:
            for (size_t i = 0; i < head; ++i) out[i] = in[i];
            for (size_t i = head; i < bytes; ++i) out[i] = static_cast<uint8_t>(in[i] + out[i - pixelBytes]);
            return;
        case kUp:
            for (size_t i = 0; i < bytes; ++i) out[i] = static_cast<uint8_t>(in[i] + previous[i]);
            return;
        case kAverage:
            for (size_t i = 0; i < head; ++i) out[i] = static_cast<uint8_t>(in[i] + (previous[i] >> 1));
            for (size_t i = head; i < bytes; ++i)
                out[i] = static_cast<uint8_t>(in[i] + ((out[i - pixelBytes] + previous[i]) >> 1));
            return;
        default:
            for (size_t i = 0; i < head; ++i) out[i] = static_cast<uint8_t>(in[i] + previous[i]);
            for (size_t i = head; i < bytes; ++i)
                out[i] = static_cast<uint8_t>(in[i] + paeth(out[i - pixelBytes], previous[i], previous[i - pixelBytes]));
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
