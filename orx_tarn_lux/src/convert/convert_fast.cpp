// AVX2 versions of the conversion row kernels; each gives the same bytes as
// its scalar reference for the cases it takes and leaves the rest to it.
#include <algorithm>

#include "convert/demosaic_kernels.h"
#include "convert/repack_kernels.h"
#include "core/kernel_dispatch.h"

#if ORX_HAVE_FAST_KERNELS
#include <immintrin.h>
#endif

namespace orx::convert {

#if ORX_HAVE_FAST_KERNELS
namespace {

constexpr size_t kLaneBytes = 16;                 // one 128-bit lane
constexpr size_t kPixelsPerLane = 4;              // 4 pixels of up to 4 bytes fill a lane
constexpr size_t kShufflePixels = 2 * kPixelsPerLane;
constexpr size_t kSamplesPerStep = 16;            // 16 samples: 16 or 32 bytes
constexpr int8_t kCleared = -1;                   // a shuffle index that yields zero

bool sameChannels(const RowFormat& a, const RowFormat& b) {
    if (a.channels != b.channels) return false;
    for (size_t c = 0; c < a.channels; ++c)
        if (a.channel[c] != b.channel[c]) return false;
    return true;
}

// Three-channel pixels fill 12 of a 128-bit lane's 16 bytes (four 8-bit or
// two 16-bit pixels), so the 24 bytes of two lanes load as overlapping
// halves: the second from byte 8, so that it ends where the pixels do, and
// its pixels start 4 bytes into it.
constexpr size_t kTripleLaneBytes = kPixelsPerLane * 3;
constexpr size_t kTripleSecondLoad = 2 * kTripleLaneBytes - kLaneBytes;
constexpr size_t kTripleSkip = kTripleLaneBytes - kTripleSecondLoad;

// Two lanes of pixels from `source` on: 16 + 16 bytes of four-channel
// pixels, or 12 + 12 of three-channel ones loaded as above.
ORX_FAST_TARGET inline __m256i loadLanes(const uint8_t* source, size_t channels) {
    const size_t second = channels == 3 ? kTripleSecondLoad : kLaneBytes;
    return _mm256_inserti128_si256(
        _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(source))),
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + second)), 1);
}

// Luma sums (kLumaShift fraction bits) of the 16-bit (red, green) and
// (blue, 0) pairs in each 32-bit lane: the scalar kernel's weights, two
// integer multiply-adds.
ORX_FAST_TARGET inline __m256i lumaSums(__m256i redGreen, __m256i blueZero) {
    return _mm256_add_epi32(
        _mm256_madd_epi16(redGreen, _mm256_set1_epi32(int32_t(kLumaRed) | int32_t(kLumaGreen) << 16)),
        _mm256_madd_epi16(blueZero, _mm256_set1_epi32(int32_t(kLumaBlue))));
}

// The sums rounded to samples of the input's depth.
ORX_FAST_TARGET inline __m256i roundLuma(__m256i sums) {
    return _mm256_srli_epi32(_mm256_add_epi32(sums, _mm256_set1_epi32(1 << (kLumaShift - 1))), kLumaShift);
}

// Colour pixels in, colour pixels out, FromChannels and ToChannels 3 or 4,
// samples of 1 or 2 bytes at the same depth. Each 128-bit lane holds four
// 8-bit or two 16-bit pixels (loadLanes); three-channel output is packed
// together before it is stored. Reads and writes touch exactly the step's
// pixels. 16-bit samples lose their unused high bits.
template <size_t FromChannels, size_t ToChannels, size_t SampleBytes>
ORX_FAST_TARGET size_t shuffleSteps(const uint8_t* in, uint8_t* out, size_t begin, size_t end, __m256i shuffle,
                                    __m256i keep, __m256i alpha) {
    constexpr size_t kStepPixels = kShufflePixels / SampleBytes;
    const __m256i gather = _mm256_setr_epi32(0, 1, 2, 4, 5, 6, 3, 7);
    size_t x = begin;
    for (; x + kStepPixels <= end; x += kStepPixels) {
        const uint8_t* source = in + x * FromChannels * SampleBytes;
        uint8_t* target = out + x * ToChannels * SampleBytes;
        __m256i pixels = _mm256_shuffle_epi8(loadLanes(source, FromChannels), shuffle);
        if constexpr (SampleBytes == 2) pixels = _mm256_and_si256(pixels, keep);
        pixels = _mm256_or_si256(pixels, alpha);
        if constexpr (ToChannels == 3) {
            pixels = _mm256_permutevar8x32_epi32(pixels, gather);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(target), _mm256_castsi256_si128(pixels));
            _mm_storel_epi64(reinterpret_cast<__m128i*>(target + kLaneBytes), _mm256_extracti128_si256(pixels, 1));
        } else {
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(target), pixels);
        }
    }
    return x;
}

template <size_t SampleBytes>
ORX_FAST_TARGET size_t shuffleWith(const uint8_t* in, const Repack& repack, uint8_t* out, size_t begin,
                                   size_t end, __m256i shuffle, __m256i keep, __m256i alpha) {
    if (repack.from.channels == 3)
        return repack.to.channels == 3
                   ? shuffleSteps<3, 3, SampleBytes>(in, out, begin, end, shuffle, keep, alpha)
                   : shuffleSteps<3, 4, SampleBytes>(in, out, begin, end, shuffle, keep, alpha);
    return repack.to.channels == 3 ? shuffleSteps<4, 3, SampleBytes>(in, out, begin, end, shuffle, keep, alpha)
                                   : shuffleSteps<4, 4, SampleBytes>(in, out, begin, end, shuffle, keep, alpha);
}

// Colour to colour at the same depth: every output byte is an input byte
// or a byte of opaque alpha.
ORX_FAST_TARGET size_t shuffleSamples(const uint8_t* in, const Repack& repack, uint8_t* out, size_t begin,
                                      size_t end) {
    const RowFormat& from = repack.from;
    const RowFormat& to = repack.to;
    const size_t sampleBytes = from.sampleBytes;
    const size_t pixelsPerLane = kPixelsPerLane / sampleBytes;
    alignas(32) int8_t order[2 * kLaneBytes];
    alignas(32) uint8_t keep[2 * kLaneBytes];
    alignas(32) uint8_t opaque[2 * kLaneBytes];
    // Where lane 1's pixels start within its 16 loaded bytes.
    const size_t laneOneSkip = from.channels == 3 ? kTripleSkip : 0;
    std::fill(std::begin(order), std::end(order), kCleared);
    std::fill(std::begin(keep), std::end(keep), 0);
    std::fill(std::begin(opaque), std::end(opaque), 0);
    for (size_t lane = 0; lane < 2; ++lane)
        for (size_t p = 0; p < pixelsPerLane; ++p)
            for (size_t c = 0; c < to.channels; ++c)
                for (size_t b = 0; b < sampleBytes; ++b) {
                    const size_t i = lane * kLaneBytes + p * to.pixelBytes() + c * sampleBytes + b;
                    if (to.channel[c] == Channel::Alpha && !from.hasAlpha()) {
                        opaque[i] = static_cast<uint8_t>(to.maxValue() >> (8 * b));
                        continue;
                    }
                    order[i] = static_cast<int8_t>((lane ? laneOneSkip : 0) + p * from.pixelBytes() +
                                                   from.indexOf(to.channel[c]) * sampleBytes + b);
                    keep[i] = static_cast<uint8_t>(from.maxValue() >> (8 * b));
                }
    const __m256i shuffle = _mm256_load_si256(reinterpret_cast<const __m256i*>(order));
    const __m256i kept = _mm256_load_si256(reinterpret_cast<const __m256i*>(keep));
    const __m256i alpha = _mm256_load_si256(reinterpret_cast<const __m256i*>(opaque));
    return sampleBytes == 1 ? shuffleWith<1>(in, repack, out, begin, end, shuffle, kept, alpha)
                            : shuffleWith<2>(in, repack, out, begin, end, shuffle, kept, alpha);
}

// Same channels, other depth: each sample is masked and shifted on its own.
ORX_FAST_TARGET size_t shiftSamples(const uint8_t* in, const Repack& repack, uint8_t* out, size_t begin,
                                    size_t end) {
    const RowFormat& from = repack.from;
    const RowFormat& to = repack.to;
    const size_t channels = from.channels;
    if ((begin * channels) % kSamplesPerStep != 0) return begin;
    const __m256i mask = _mm256_set1_epi16(static_cast<int16_t>(from.maxValue()));
    const __m128i down = _mm_cvtsi32_si128(from.bits > to.bits ? from.bits - to.bits : 0);
    const __m128i up = _mm_cvtsi32_si128(to.bits > from.bits ? to.bits - from.bits : 0);
    const size_t samples = end * channels;
    size_t s = begin * channels;
    for (; s + kSamplesPerStep <= samples; s += kSamplesPerStep) {
        __m256i words;
        if (from.sampleBytes == 1)
            words = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in + s)));
        else
            words = _mm256_and_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + 2 * s)), mask);
        words = _mm256_sll_epi16(_mm256_srl_epi16(words, down), up);
        if (to.sampleBytes == 1)
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + s),
                             _mm_packus_epi16(_mm256_castsi256_si128(words), _mm256_extracti128_si256(words, 1)));
        else
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 2 * s), words);
    }
    return s / channels;
}

constexpr size_t kMosaicStep = 16;  // pixels per step: 16 bytes in, 16 words wide

ORX_FAST_TARGET inline __m256i widen(const uint8_t* p) {
    return _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
}

ORX_FAST_TARGET inline __m128i narrow(__m256i words) {
    // packus works per 128-bit lane; gather both lanes' results into the low half.
    return _mm256_castsi256_si128(_mm256_permute4x64_epi64(_mm256_packus_epi16(words, words), 0xD8));
}

// Shuffles that interleave three 16-byte planes of samples of SampleBytes
// bytes into 48 bytes of pixels: index[chunk][plane][i] names the plane
// byte that lands at byte i of output chunk `chunk`, or clears it.
template <size_t SampleBytes>
struct Interleave3 {
    int8_t index[3][3][kLaneBytes];
    constexpr Interleave3() : index() {
        for (size_t chunk = 0; chunk < 3; ++chunk)
            for (size_t plane = 0; plane < 3; ++plane)
                for (size_t i = 0; i < kLaneBytes; ++i) {
                    const size_t sample = (chunk * kLaneBytes + i) / SampleBytes;
                    index[chunk][plane][i] =
                        sample % 3 == plane ? static_cast<int8_t>(sample / 3 * SampleBytes + i % SampleBytes)
                                            : kCleared;
                }
    }
};
template <size_t SampleBytes>
constexpr Interleave3<SampleBytes> kInterleave3;

// Interleaves three or four planes of 16 bytes of samples into pixels.
template <size_t SampleBytes>
ORX_FAST_TARGET void storeInterleaved(const __m128i* planes, size_t channels, uint8_t* out) {
    if (channels == 3) {
        for (size_t chunk = 0; chunk < 3; ++chunk) {
            __m128i bytes = _mm_setzero_si128();
            for (size_t plane = 0; plane < 3; ++plane) {
                const __m128i order = _mm_loadu_si128(
                    reinterpret_cast<const __m128i*>(kInterleave3<SampleBytes>.index[chunk][plane]));
                bytes = _mm_or_si128(bytes, _mm_shuffle_epi8(planes[plane], order));
            }
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + chunk * kLaneBytes), bytes);
        }
        return;
    }
    // Pairs of samples first, then pairs of pairs.
    const auto pairLow = [](__m128i a, __m128i b) ORX_FAST_TARGET {
        return SampleBytes == 1 ? _mm_unpacklo_epi8(a, b) : _mm_unpacklo_epi16(a, b);
    };
    const auto pairHigh = [](__m128i a, __m128i b) ORX_FAST_TARGET {
        return SampleBytes == 1 ? _mm_unpackhi_epi8(a, b) : _mm_unpackhi_epi16(a, b);
    };
    const auto quadLow = [](__m128i a, __m128i b) ORX_FAST_TARGET {
        return SampleBytes == 1 ? _mm_unpacklo_epi16(a, b) : _mm_unpacklo_epi32(a, b);
    };
    const auto quadHigh = [](__m128i a, __m128i b) ORX_FAST_TARGET {
        return SampleBytes == 1 ? _mm_unpackhi_epi16(a, b) : _mm_unpackhi_epi32(a, b);
    };
    const __m128i firstPairs[2] = {pairLow(planes[0], planes[1]), pairHigh(planes[0], planes[1])};
    const __m128i secondPairs[2] = {pairLow(planes[2], planes[3]), pairHigh(planes[2], planes[3])};
    for (size_t half = 0; half < 2; ++half) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + (2 * half) * kLaneBytes),
                         quadLow(firstPairs[half], secondPairs[half]));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + (2 * half + 1) * kLaneBytes),
                         quadHigh(firstPairs[half], secondPairs[half]));
    }
}

// Sixteen samples from column x on, as 16-bit words with the unused high
// bits of 16-bit storage cleared.
template <size_t SampleBytes>
ORX_FAST_TARGET inline __m256i samplesAt(const uint8_t* line, size_t x, __m256i mask) {
    if constexpr (SampleBytes == 1)
        return widen(line + x);
    else
        return _mm256_and_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(line + 2 * x)), mask);
}

// Luma of sixteen demosaiced pixels (16-bit planes) at the raw depth.
template <size_t SampleBytes>
ORX_FAST_TARGET inline void storeMosaicLuma(__m256i red, __m256i green, __m256i blue, uint8_t* target) {
    const __m256i zero = _mm256_setzero_si256();
    // Unpacking and packing both work per 128-bit lane, so the order survives.
    const __m256i low = roundLuma(lumaSums(_mm256_unpacklo_epi16(red, green), _mm256_unpacklo_epi16(blue, zero)));
    const __m256i high = roundLuma(lumaSums(_mm256_unpackhi_epi16(red, green), _mm256_unpackhi_epi16(blue, zero)));
    const __m256i words = _mm256_packus_epi32(low, high);
    if constexpr (SampleBytes == 1)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(target), narrow(words));
    else
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(target), words);
}

// Sixteen demosaiced pixels from column x on, as 16-bit planes at the raw
// depth: interleaved in the output's order, or their luma.
template <size_t SampleBytes>
ORX_FAST_TARGET inline void storeColorStep(__m256i redPlane, __m256i greenPlane, __m256i bluePlane,
                                           const Mosaic& mosaic, __m256i opaque, uint8_t* out, size_t x) {
    const size_t channels = mosaic.out.channels;
    if (channels == 1) {
        storeMosaicLuma<SampleBytes>(redPlane, greenPlane, bluePlane, out + x * SampleBytes);
        return;
    }
    __m256i planes[4];
    planes[mosaic.out.indexOf(Channel::Red)] = redPlane;
    planes[mosaic.out.indexOf(Channel::Green)] = greenPlane;
    planes[mosaic.out.indexOf(Channel::Blue)] = bluePlane;
    planes[3] = opaque;
    if constexpr (SampleBytes == 1) {
        __m128i narrowed[4];
        for (size_t c = 0; c < 4; ++c) narrowed[c] = narrow(planes[c]);
        storeInterleaved<1>(narrowed, channels, out + x * channels);
    } else {
        __m128i low[4], high[4];
        for (size_t c = 0; c < 4; ++c) {
            low[c] = _mm256_castsi256_si128(planes[c]);
            high[c] = _mm256_extracti128_si256(planes[c], 1);
        }
        uint8_t* target = out + x * channels * 2;
        storeInterleaved<2>(low, channels, target);
        storeInterleaved<2>(high, channels, target + channels * kLaneBytes);
    }
}

template <size_t SampleBytes>
ORX_FAST_TARGET size_t storePlaneSteps(const uint16_t* red, const uint16_t* green, const uint16_t* blue,
                                       const Mosaic& mosaic, uint8_t* out, size_t begin, size_t end) {
    const __m256i opaque = _mm256_set1_epi16(static_cast<int16_t>(mosaic.mask));
    size_t x = begin;
    for (; x + kMosaicStep <= end; x += kMosaicStep)
        storeColorStep<SampleBytes>(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(red + x)),
                                    _mm256_loadu_si256(reinterpret_cast<const __m256i*>(green + x)),
                                    _mm256_loadu_si256(reinterpret_cast<const __m256i*>(blue + x)), mosaic, opaque,
                                    out, x);
    return x;
}

template <size_t SampleBytes>
ORX_FAST_TARGET size_t demosaicSteps(const uint8_t* up, const uint8_t* row, const uint8_t* down,
                                     const Mosaic& mosaic, size_t y, uint8_t* out, size_t begin, size_t end) {
    const MosaicRow colors = mosaicRow(mosaic.pattern, y);
    // Lane j holds column x + j; x keeps the parity of begin, so the lanes
    // that hold green stay the same.
    alignas(32) int16_t greenLane[kMosaicStep];
    for (size_t j = 0; j < kMosaicStep; ++j) greenLane[j] = ((begin + j) % 2 == 0) == colors.greenFirst ? -1 : 0;
    const __m256i green = _mm256_load_si256(reinterpret_cast<const __m256i*>(greenLane));
    const __m256i mask = _mm256_set1_epi16(static_cast<int16_t>(mosaic.mask));
    const __m256i one = _mm256_set1_epi16(1);
    const __m256i two = _mm256_set1_epi16(2);
    const auto at = [&](const uint8_t* line, size_t column) ORX_FAST_TARGET {
        return samplesAt<SampleBytes>(line, column, mask);
    };
    size_t x = begin;
    // Each step reads columns x - 1 .. x + 16. Sums of four 12-bit samples
    // still fit 16-bit lanes.
    for (; x + kMosaicStep <= end && x + kMosaicStep + 1 <= mosaic.width; x += kMosaicStep) {
        const __m256i left = at(row, x - 1), centre = at(row, x), right = at(row, x + 1);
        const __m256i above = at(up, x), below = at(down, x);
        const __m256i diagonals = _mm256_add_epi16(_mm256_add_epi16(at(up, x - 1), at(up, x + 1)),
                                                   _mm256_add_epi16(at(down, x - 1), at(down, x + 1)));
        const __m256i across = _mm256_add_epi16(left, right);
        const __m256i vertical = _mm256_add_epi16(above, below);
        const __m256i horizontalMean = _mm256_srli_epi16(_mm256_add_epi16(across, one), 1);
        const __m256i verticalMean = _mm256_srli_epi16(_mm256_add_epi16(vertical, one), 1);
        const __m256i crossMean = _mm256_srli_epi16(_mm256_add_epi16(_mm256_add_epi16(across, vertical), two), 2);
        const __m256i diagonalMean = _mm256_srli_epi16(_mm256_add_epi16(diagonals, two), 2);
        const __m256i own = _mm256_blendv_epi8(centre, horizontalMean, green);
        const __m256i middle = _mm256_blendv_epi8(crossMean, centre, green);
        const __m256i other = _mm256_blendv_epi8(diagonalMean, verticalMean, green);
        storeColorStep<SampleBytes>(colors.redRow ? own : other, middle, colors.redRow ? other : own, mosaic, mask,
                                    out, x);
    }
    return x;
}

}  // namespace

ORX_FAST_TARGET size_t demosaicFast(const uint8_t* up, const uint8_t* row, const uint8_t* down,
                                    const Mosaic& mosaic, size_t y, uint8_t* out, size_t begin, size_t end) {
    if (begin == 0) return begin;
    return mosaic.sampleBytes == 1 ? demosaicSteps<1>(up, row, down, mosaic, y, out, begin, end)
                                   : demosaicSteps<2>(up, row, down, mosaic, y, out, begin, end);
}

ORX_FAST_TARGET size_t storePlanesFast(const uint16_t* red, const uint16_t* green, const uint16_t* blue,
                                       const Mosaic& mosaic, uint8_t* out, size_t begin, size_t end) {
    return mosaic.sampleBytes == 1 ? storePlaneSteps<1>(red, green, blue, mosaic, out, begin, end)
                                   : storePlaneSteps<2>(red, green, blue, mosaic, out, begin, end);
}

namespace {

constexpr size_t kLumaStep = 16;  // pixels per step of the luma kernels

// Rounds sixteen 32-bit luma sums (kLumaShift fraction bits; pixels 0-3 and
// 4-7 in the lanes of `first`, 8-15 in `second`), scales them from the
// input's depth to the output's and stores them as bytes or words.
ORX_FAST_TARGET inline void storeLuma(__m256i first, __m256i second, const RowFormat& to, bool rescaled,
                                      __m128i down, __m128i up, uint8_t* target) {
    first = roundLuma(first);
    second = roundLuma(second);
    if (rescaled) {
        first = _mm256_sll_epi32(_mm256_srl_epi32(first, down), up);
        second = _mm256_sll_epi32(_mm256_srl_epi32(second, down), up);
    }
    // Words per lane: pixels 0-3, 8-11 | 4-7, 12-15.
    const __m256i words = _mm256_packus_epi32(first, second);
    if (to.sampleBytes == 1) {
        // Bytes per lane: 0-3, 8-11 (twice) | 4-7, 12-15 (twice).
        const __m256i bytes = _mm256_packus_epi16(words, words);
        const __m256i ordered = _mm256_permutevar8x32_epi32(bytes, _mm256_setr_epi32(0, 4, 1, 5, 0, 4, 1, 5));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(target), _mm256_castsi256_si128(ordered));
    } else {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(target), _mm256_permute4x64_epi64(words, 0xD8));
    }
}

// Colour to gray. Shuffles put each pixel's red and green (as 16-bit words)
// into one 32-bit lane and its blue into another, so two integer
// multiply-adds with the luma weights give the sums of the scalar kernel.
// Pixels come as loadLanes gives them: four 8-bit or two 16-bit pixels to
// a 128-bit lane, so 16-bit pixels take two loads per eight pixels.
ORX_FAST_TARGET size_t lumaFast(const uint8_t* in, const Repack& repack, uint8_t* out, size_t begin,
                                size_t end) {
    const RowFormat& from = repack.from;
    const RowFormat& to = repack.to;
    const size_t pixelBytes = from.pixelBytes();
    const size_t sampleBytes = from.sampleBytes;
    const size_t perLane = sampleBytes == 1 ? kPixelsPerLane : kPixelsPerLane / 2;
    const size_t skip = from.channels == 3 ? kTripleSkip : 0;  // bytes before lane 1's first pixel
    alignas(32) int8_t redGreen[2 * kLaneBytes];
    alignas(32) int8_t blue[2 * kLaneBytes];
    for (size_t i = 0; i < 2 * kLaneBytes; ++i) redGreen[i] = blue[i] = kCleared;
    const size_t channelOf[3] = {from.indexOf(Channel::Red), from.indexOf(Channel::Green),
                                 from.indexOf(Channel::Blue)};
    for (size_t lane = 0; lane < 2; ++lane)
        for (size_t p = 0; p < perLane; ++p)
            for (size_t b = 0; b < sampleBytes; ++b) {
                const size_t pixel = (lane ? skip : 0) + p * pixelBytes + b;
                // Eight-bit pixels: lane p holds (R, G) and (B, 0) of pixel p.
                // 16-bit pixels: (R, G) of pixel p in lane p, (B, 0) in lane p + 2.
                const size_t rg = lane * kLaneBytes + p * 4;
                const size_t bl = sampleBytes == 1 ? rg : lane * kLaneBytes + (p + 2) * 4;
                redGreen[rg + b] = static_cast<int8_t>(pixel + channelOf[0] * sampleBytes);
                redGreen[rg + 2 + b] = static_cast<int8_t>(pixel + channelOf[1] * sampleBytes);
                blue[bl + b] = static_cast<int8_t>(pixel + channelOf[2] * sampleBytes);
            }
    const __m256i pickRedGreen = _mm256_load_si256(reinterpret_cast<const __m256i*>(redGreen));
    const __m256i pickBlue = _mm256_load_si256(reinterpret_cast<const __m256i*>(blue));
    const __m256i mask = _mm256_set1_epi16(static_cast<int16_t>(from.maxValue()));
    const __m128i down = _mm_cvtsi32_si128(from.bits > to.bits ? from.bits - to.bits : 0);
    const __m128i up = _mm_cvtsi32_si128(to.bits > from.bits ? to.bits - from.bits : 0);
    const size_t rowBytes = end * pixelBytes;
    const auto sumsAt = [&](const uint8_t* source) ORX_FAST_TARGET {
        const __m256i pixels = loadLanes(source, from.channels);
        __m256i rg = _mm256_shuffle_epi8(pixels, pickRedGreen);
        __m256i b = _mm256_shuffle_epi8(pixels, pickBlue);
        if (sampleBytes == 2) rg = _mm256_and_si256(rg, mask), b = _mm256_and_si256(b, mask);
        return lumaSums(rg, b);
    };
    // Sums of eight pixels from `source` on, in order across the two lanes.
    const auto eightAt = [&](const uint8_t* source) ORX_FAST_TARGET {
        if (sampleBytes == 1) return sumsAt(source);
        // Two half steps of four pixels; each lane's sums are in its first
        // two 32-bit lanes after adding the blue half onto them.
        __m256i first = sumsAt(source), last = sumsAt(source + 2 * perLane * pixelBytes);
        first = _mm256_add_epi32(first, _mm256_srli_si256(first, 8));
        last = _mm256_add_epi32(last, _mm256_srli_si256(last, 8));
        // 64-bit lanes 0 and 2 of each: pixels 0-1, 2-3, then 4-5, 6-7.
        return _mm256_permute4x64_epi64(_mm256_unpacklo_epi64(first, last), 0xD8);
    };
    // How far the loads for the eight pixels from `source` on reach: exactly their bytes.
    const size_t reach = (kLumaStep / 2) * pixelBytes;
    const bool rescaled = from.bits != to.bits;
    size_t x = begin;
    for (; x + kLumaStep <= end; x += kLumaStep) {
        const uint8_t* source = in + x * pixelBytes;
        const uint8_t* second = source + (kLumaStep / 2) * pixelBytes;
        if (second + reach > in + rowBytes) break;
        storeLuma(eightAt(source), eightAt(second), to, rescaled, down, up, out + x * to.sampleBytes);
    }
    return x;
}

// Gray to colour at the same depth: every output byte is a byte of the gray
// sample or of opaque alpha. A step reads 16 bytes of gray (16 or 8 pixels)
// and writes them out as 3 or 4 chunks of 16 bytes.
ORX_FAST_TARGET size_t replicateFast(const uint8_t* in, const Repack& repack, uint8_t* out, size_t begin,
                                     size_t end) {
    const RowFormat& to = repack.to;
    const size_t sampleBytes = to.sampleBytes;
    const size_t chunks = to.channels;
    const size_t pixelsPerStep = kLaneBytes / sampleBytes;
    const uint32_t opaqueValue = to.maxValue();
    alignas(16) int8_t order[4][kLaneBytes];
    alignas(16) uint8_t opaque[4][kLaneBytes];
    // Output byte `byte` of the step (chunk byte / 16, position byte % 16).
    for (size_t pixel = 0, byte = 0; pixel < pixelsPerStep; ++pixel)
        for (size_t channel = 0; channel < to.channels; ++channel)
            for (size_t b = 0; b < sampleBytes; ++b, ++byte) {
                const bool alpha = to.channel[channel] == Channel::Alpha;
                order[byte / kLaneBytes][byte % kLaneBytes] =
                    alpha ? kCleared : static_cast<int8_t>(pixel * sampleBytes + b);
                opaque[byte / kLaneBytes][byte % kLaneBytes] =
                    alpha ? static_cast<uint8_t>(opaqueValue >> (8 * b)) : 0;
            }
    __m128i shuffles[4], fills[4];
    for (size_t k = 0; k < chunks; ++k) {
        shuffles[k] = _mm_load_si128(reinterpret_cast<const __m128i*>(order[k]));
        fills[k] = _mm_load_si128(reinterpret_cast<const __m128i*>(opaque[k]));
    }
    const __m128i mask = sampleBytes == 2 ? _mm_set1_epi16(static_cast<int16_t>(repack.from.maxValue()))
                                          : _mm_set1_epi8(-1);
    size_t x = begin;
    for (; x + pixelsPerStep <= end; x += pixelsPerStep) {
        const __m128i gray =
            _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in + x * sampleBytes)), mask);
        uint8_t* target = out + x * to.pixelBytes();
        for (size_t k = 0; k < chunks; ++k)
            _mm_storeu_si128(reinterpret_cast<__m128i*>(target + k * kLaneBytes),
                             _mm_or_si128(_mm_shuffle_epi8(gray, shuffles[k]), fills[k]));
    }
    return x;
}

}  // namespace

// Other channels and another depth: the depth changes first, into a
// stack buffer in the input's channel order, then the channels are
// rearranged at the output's depth (which also makes new alpha opaque at
// that depth). Returns where it stopped, as the kernels do.
ORX_FAST_TARGET size_t shiftThenRearrange(const uint8_t* in, const Repack& repack, uint8_t* out, size_t begin,
                                          size_t end);

ORX_FAST_TARGET size_t repackFast(const uint8_t* in, const Repack& repack, uint8_t* out, size_t begin,
                                  size_t end) {
    const RowFormat& from = repack.from;
    const RowFormat& to = repack.to;
    if (sameChannels(from, to)) return shiftSamples(in, repack, out, begin, end);
    if (from.isColor() && to.channels == 1) return lumaFast(in, repack, out, begin, end);
    if (from.bits != to.bits) return shiftThenRearrange(in, repack, out, begin, end);
    if (from.isColor() && to.isColor()) return shuffleSamples(in, repack, out, begin, end);
    if (from.channels == 1 && to.isColor()) return replicateFast(in, repack, out, begin, end);
    return begin;
}

ORX_FAST_TARGET size_t shiftThenRearrange(const uint8_t* in, const Repack& repack, uint8_t* out, size_t begin,
                                          size_t end) {
    // Pixels per pass through the stack buffer: enough to spread the set-up
    // of the kernels' shuffle tables, few enough to stay in the cache.
    constexpr size_t kPiece = 2048;
    RowFormat middle = repack.from;
    middle.bits = repack.to.bits;
    middle.sampleBytes = repack.to.sampleBytes;
    const Repack shift{repack.from, middle};
    const Repack rearrange{middle, repack.to};
    alignas(32) uint8_t buffer[kPiece * 4 * 2];
    for (size_t x = begin; x < end; x += kPiece) {
        const size_t count = std::min(kPiece, end - x);
        const uint8_t* source = in + x * repack.from.pixelBytes();
        uint8_t* target = out + x * repack.to.pixelBytes();
        repackScalar(source, shift, buffer, shiftSamples(source, shift, buffer, 0, count), count);
        repackScalar(buffer, rearrange, target, repackFast(buffer, rearrange, target, 0, count), count);
    }
    return end;
}

#else

size_t repackFast(const uint8_t*, const Repack&, uint8_t*, size_t begin, size_t) { return begin; }

size_t demosaicFast(const uint8_t*, const uint8_t*, const uint8_t*, const Mosaic&, size_t, uint8_t*, size_t begin,
                    size_t) {
    return begin;
}

size_t storePlanesFast(const uint16_t*, const uint16_t*, const uint16_t*, const Mosaic&, uint8_t*, size_t begin,
                       size_t) {
    return begin;
}

#endif

}  // namespace orx::convert
