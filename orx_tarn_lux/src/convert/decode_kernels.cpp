#include "convert/decode_kernels.h"

#include <algorithm>

#include "convert/repack_kernels.h"
#include "convert/yuv.h"
#include "core/bit_stream.h"
#include "core/kernel_dispatch.h"
#include "core/semiplanar.h"

namespace orx::convert {
namespace {

void decodeBitStream(const Image& image, size_t y, uint8_t* out) {
    const size_t bits = image.formatInfo().storageBitsPerPixel;
    const size_t first = y * image.width();
    for (size_t x = 0; x < image.width(); ++x)
        writeSample(out, x, 2, readBits(image.data(), (first + x) * bits, bits));
}

// Little-endian bytes [0, count) of `bytes` as one number.
inline uint64_t littleEndian(const uint8_t* bytes, size_t count) {
    uint64_t value = 0;
    for (size_t b = 0; b < count; ++b) value |= uint64_t(bytes[b]) << (kBitsPerByte * b);
    return value;
}

// Bit streams of Bits-bit pixels, a run of pixels whose bits end on a byte
// border at a time (10 bits: 4 pixels in 5 bytes; 12 bits: 2 in 3). A row
// need not start on such a border: its first pixels go one by one.
template <size_t Bits>
void decodeBitStreamFast(const Image& image, size_t y, uint8_t* out) {
    constexpr size_t kRunPixels = Bits == 10 ? 4 : 2;
    constexpr size_t kRunBytes = kRunPixels * Bits / kBitsPerByte;
    constexpr uint32_t kMask = (1u << Bits) - 1;
    const size_t width = image.width();
    const size_t first = y * width;
    const uint8_t* data = image.data();
    size_t x = 0;
    for (; x < width && (first + x) % kRunPixels != 0; ++x)
        writeSample(out, x, 2, readBits(data, (first + x) * Bits, Bits));
    const uint8_t* run = data + (first + x) * Bits / kBitsPerByte;
    for (; x + kRunPixels <= width; x += kRunPixels, run += kRunBytes) {
        const uint64_t bits = littleEndian(run, kRunBytes);
        for (size_t p = 0; p < kRunPixels; ++p) writeSample(out, x + p, 2, uint32_t(bits >> (p * Bits)) & kMask);
    }
    for (; x < width; ++x) writeSample(out, x, 2, readBits(data, (first + x) * Bits, Bits));
}

// Grouped formats: a group of Pixels pixels holds the high 8 bits of each in
// its first Pixels bytes, then their LowBits-bit low parts side by side,
// pixel 0 in the lowest bits (10g40: 4 pixels in 5 bytes, low parts of 2
// bits; 12g24: 2 pixels in 3 bytes, low nibbles).
template <size_t Pixels, size_t LowBits>
struct Groups {
    static constexpr size_t kLowBytes = (Pixels * LowBits) / kBitsPerByte;
    static constexpr size_t kGroupBytes = Pixels + kLowBytes;

    // Pixel i of the image.
    static uint32_t pixel(const uint8_t* data, size_t i) {
        const uint8_t* group = data + (i / Pixels) * kGroupBytes;
        const size_t slot = i % Pixels;
        return uint32_t(group[slot]) << LowBits | readBits(group + Pixels, LowBits * slot, LowBits);
    }

    static void decode(const Image& image, size_t y, uint8_t* out) {
        const size_t first = y * image.width();
        for (size_t x = 0; x < image.width(); ++x) writeSample(out, x, 2, pixel(image.data(), first + x));
    }

    // Whole groups at a time; a row's pixels before its first group border
    // and after its last one go one by one.
    static void decodeFast(const Image& image, size_t y, uint8_t* out) {
        constexpr uint32_t kLowMask = (1u << LowBits) - 1;
        const size_t width = image.width();
        const size_t first = y * width;
        size_t x = 0;
        for (; x < width && (first + x) % Pixels != 0; ++x) writeSample(out, x, 2, pixel(image.data(), first + x));
        const uint8_t* group = image.data() + (first + x) / Pixels * kGroupBytes;
        for (; x + Pixels <= width; x += Pixels, group += kGroupBytes) {
            const auto lows = uint32_t(littleEndian(group + Pixels, kLowBytes));
            for (size_t p = 0; p < Pixels; ++p)
                writeSample(out, x + p, 2, uint32_t(group[p]) << LowBits | ((lows >> (LowBits * p)) & kLowMask));
        }
        for (; x < width; ++x) writeSample(out, x, 2, pixel(image.data(), first + x));
    }
};

// p32: one little-endian word per pixel, 10 bits per channel from bit 0 up.
constexpr size_t kWordBytes = 4;
constexpr size_t kWordChannelBits = 10;
constexpr size_t kWordChannels = 3;

void decodeWord32(const Image& image, size_t y, uint8_t* out) {
    const uint8_t* row = image.row(y);
    for (size_t x = 0; x < image.width(); ++x) {
        const auto word = uint32_t(littleEndian(row + x * kWordBytes, kWordBytes));
        for (size_t c = 0; c < kWordChannels; ++c)
            writeSample(out, x * kWordChannels + c, 2,
                        (word >> (kWordChannelBits * c)) & ((1u << kWordChannelBits) - 1));
    }
}

// The chroma terms of a pair, added to the scaled luma of each of its pixels.
struct ChromaTerms {
    int32_t red, green, blue;
};

inline ChromaTerms chromaTerms(int32_t u, int32_t v) {
    return {yuv::kRedFromV * v, -yuv::kGreenFromU * u - yuv::kGreenFromV * v, yuv::kBlueFromU * u};
}

inline void yuvPixel(uint8_t luma, const ChromaTerms& terms, uint8_t* out) {
    // Luma below the studio range's black is black.
    const int32_t base = yuv::kRgbFromY * std::max(int32_t(luma) - yuv::kLumaOffset, 0);
    out[0] = yuv::toSample(base + terms.red);
    out[1] = yuv::toSample(base + terms.green);
    out[2] = yuv::toSample(base + terms.blue);
}

template <bool UFirst>
ChromaTerms pairTerms(const uint8_t* pair) {
    return chromaTerms(int32_t(pair[UFirst ? 0 : 1]) - yuv::kChromaZero, int32_t(pair[UFirst ? 1 : 0]) - yuv::kChromaZero);
}

template <bool UFirst>
void decodeSemiplanar(const Image& image, size_t y, uint8_t* out) {
    const size_t width = image.width();
    const uint8_t* luma = image.data() + y * width;
    const uint8_t* chroma = semiplanar::chromaRowFor(image.data(), width, image.height(), y);
    for (size_t x = 0; x < width; ++x)
        yuvPixel(luma[x], pairTerms<UFirst>(chroma + (x / semiplanar::kBlock) * semiplanar::kPairBytes), out + 3 * x);
}

// The same a piece of a row at a time: first each pair's chroma terms for
// both its pixels, then every pixel, in loops that compilers vectorise; the
// integer arithmetic of yuvPixel, so the bytes are the same.
constexpr size_t kYuvPiece = 256;  // pixels per piece, even

template <bool UFirst>
__attribute__((always_inline)) inline void semiplanarPieces(const Image& image, size_t y, uint8_t* out) {
    const size_t width = image.width();
    const uint8_t* luma = image.data() + y * width;
    const uint8_t* pairs = semiplanar::chromaRowFor(image.data(), width, image.height(), y);
    int32_t red[kYuvPiece], green[kYuvPiece], blue[kYuvPiece];
    for (size_t begin = 0; begin < width; begin += kYuvPiece) {
        const size_t count = std::min(kYuvPiece, width - begin);
        const uint8_t* pair = pairs + begin;  // kBlock pixels per pair of kPairBytes bytes
        for (size_t k = 0; k < (count + 1) / 2; ++k) {
            const ChromaTerms terms = pairTerms<UFirst>(pair + k * semiplanar::kPairBytes);
            red[2 * k] = red[2 * k + 1] = terms.red;
            green[2 * k] = green[2 * k + 1] = terms.green;
            blue[2 * k] = blue[2 * k + 1] = terms.blue;
        }
        const uint8_t* pieceLuma = luma + begin;
        uint8_t* pixels = out + 3 * begin;
        for (size_t i = 0; i < count; ++i) yuvPixel(pieceLuma[i], ChromaTerms{red[i], green[i], blue[i]}, pixels + 3 * i);
    }
}

#if ORX_HAVE_FAST_KERNELS
template <bool UFirst>
ORX_FAST_TARGET void decodeSemiplanarFast(const Image& image, size_t y, uint8_t* out) {
    semiplanarPieces<UFirst>(image, y, out);
}
#else
template <bool UFirst>
void decodeSemiplanarFast(const Image& image, size_t y, uint8_t* out) {
    semiplanarPieces<UFirst>(image, y, out);
}
#endif

}  // namespace

std::optional<Decoder> decoderFor(const PixelFormatInfo& format) {
    const uint8_t bits = format.significantBitsPerChannel;
    switch (format.packing) {
        case Packing::BitStream: {
            const size_t storage = format.storageBitsPerPixel;
            DecodeRow fast = storage == 10 ? decodeBitStreamFast<10> : storage == 12 ? decodeBitStreamFast<12> : nullptr;
            return Decoder{decodeBitStream, grayRowFormat(bits), fast};
        }
        case Packing::Group10g40:
            return Decoder{Groups<4, 2>::decode, grayRowFormat(bits), Groups<4, 2>::decodeFast};
        case Packing::Group12g24:
            return Decoder{Groups<2, 4>::decode, grayRowFormat(bits), Groups<2, 4>::decodeFast};
        case Packing::Word32: return Decoder{decodeWord32, colorRowFormat(format.order, bits)};
        case Packing::Semiplanar420: {
            const bool uFirst = format.order == ChannelOrder::YUV;
            return Decoder{uFirst ? decodeSemiplanar<true> : decodeSemiplanar<false>,
                           colorRowFormat(ChannelOrder::RGB, bits),
                           uFirst ? decodeSemiplanarFast<true> : decodeSemiplanarFast<false>};
        }
        default: return std::nullopt;
    }
}

}  // namespace orx::convert
