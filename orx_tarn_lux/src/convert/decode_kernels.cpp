#include "convert/decode_kernels.h"

#include <algorithm>

#include "convert/repack_kernels.h"

namespace orx::convert {
namespace {

constexpr size_t kBitsPerByte = 8;

// Pixel i of an LSB-first stream of `bits`-bit pixels (bits <= 16).
uint32_t streamPixel(const uint8_t* stream, size_t i, size_t bits) {
    const size_t offset = i * bits;
    const size_t first = offset / kBitsPerByte;
    const size_t shift = offset % kBitsPerByte;
    const size_t bytes = (shift + bits + kBitsPerByte - 1) / kBitsPerByte;
    uint32_t window = 0;
    for (size_t b = 0; b < bytes; ++b) window |= uint32_t(stream[first + b]) << (kBitsPerByte * b);
    return (window >> shift) & ((uint32_t{1} << bits) - 1);
}

void decodeBitStream(const Image& image, size_t y, uint8_t* out) {
    const size_t bits = image.formatInfo().storageBitsPerPixel;
    const size_t first = y * image.width();
    for (size_t x = 0; x < image.width(); ++x) writeSample(out, x, 2, streamPixel(image.data(), first + x, bits));
}

// 10g40: four pixels in five bytes, the high 8 bits of each in bytes 0-3,
// their low 2 bits side by side in byte 4.
constexpr size_t k10g40Pixels = 4;
constexpr size_t k10g40Bytes = 5;
constexpr size_t k10g40LowBits = 2;

void decode10g40(const Image& image, size_t y, uint8_t* out) {
    const size_t first = y * image.width();
    for (size_t x = 0; x < image.width(); ++x) {
        const size_t i = first + x;
        const uint8_t* group = image.data() + (i / k10g40Pixels) * k10g40Bytes;
        const size_t slot = i % k10g40Pixels;
        const uint32_t low = (group[k10g40Pixels] >> (k10g40LowBits * slot)) & ((1u << k10g40LowBits) - 1);
        writeSample(out, x, 2, uint32_t(group[slot]) << k10g40LowBits | low);
    }
}

// 12g24: two pixels in three bytes, the high 8 bits of each in bytes 0-1,
// their low nibbles in byte 2 (pixel 0 in bits 0-3).
constexpr size_t k12g24Pixels = 2;
constexpr size_t k12g24Bytes = 3;
constexpr size_t k12g24LowBits = 4;

void decode12g24(const Image& image, size_t y, uint8_t* out) {
    const size_t first = y * image.width();
    for (size_t x = 0; x < image.width(); ++x) {
        const size_t i = first + x;
        const uint8_t* group = image.data() + (i / k12g24Pixels) * k12g24Bytes;
        const size_t slot = i % k12g24Pixels;
        const uint32_t low = (group[k12g24Pixels] >> (k12g24LowBits * slot)) & ((1u << k12g24LowBits) - 1);
        writeSample(out, x, 2, uint32_t(group[slot]) << k12g24LowBits | low);
    }
}

// p32: one little-endian word per pixel, 10 bits per channel from bit 0 up.
constexpr size_t kWordBytes = 4;
constexpr size_t kWordChannelBits = 10;
constexpr size_t kWordChannels = 3;

void decodeWord32(const Image& image, size_t y, uint8_t* out) {
    const uint8_t* row = image.row(y);
    for (size_t x = 0; x < image.width(); ++x) {
        uint32_t word = 0;
        for (size_t b = 0; b < kWordBytes; ++b) word |= uint32_t(row[x * kWordBytes + b]) << (kBitsPerByte * b);
        for (size_t c = 0; c < kWordChannels; ++c)
            writeSample(out, x * kWordChannels + c, 2,
                        (word >> (kWordChannelBits * c)) & ((1u << kWordChannelBits) - 1));
    }
}

// YUV to RGB after BT.601 with full-range samples (as JPEG uses them):
// R = Y + 1.402 V', G = Y - 0.344136 U' - 0.714136 V', B = Y + 1.772 U' with
// U' = U - 128, V' = V - 128; the factors in 14-bit fixed point.
constexpr int32_t kChromaShift = 14;
constexpr int32_t kRedFromV = 22970;
constexpr int32_t kGreenFromU = 5638;
constexpr int32_t kGreenFromV = 11700;
constexpr int32_t kBlueFromU = 29032;
constexpr int32_t kChromaZero = 128;
constexpr size_t kChromaBlock = 2;
constexpr int32_t kMax8 = 255;

uint8_t clamped(int32_t scaled) {
    // Adding the half before the shift rounds to nearest; the shift of a
    // negative number rounds down, which the clamp makes harmless.
    return static_cast<uint8_t>(std::clamp((scaled + (1 << (kChromaShift - 1))) >> kChromaShift, 0, kMax8));
}

template <bool UFirst>
void decodeSemiplanar(const Image& image, size_t y, uint8_t* out) {
    const size_t width = image.width();
    const size_t pairsPerRow = (width + kChromaBlock - 1) / kChromaBlock;
    const uint8_t* luma = image.data() + y * width;
    const uint8_t* chroma = image.data() + width * image.height() + (y / kChromaBlock) * pairsPerRow * 2;
    for (size_t x = 0; x < width; ++x) {
        const uint8_t* pair = chroma + (x / kChromaBlock) * 2;
        const int32_t u = int32_t(pair[UFirst ? 0 : 1]) - kChromaZero;
        const int32_t v = int32_t(pair[UFirst ? 1 : 0]) - kChromaZero;
        const int32_t base = int32_t(luma[x]) << kChromaShift;
        out[3 * x] = clamped(base + kRedFromV * v);
        out[3 * x + 1] = clamped(base - kGreenFromU * u - kGreenFromV * v);
        out[3 * x + 2] = clamped(base + kBlueFromU * u);
    }
}

RowFormat wideGray(uint8_t bits) {
    RowFormat row;
    row.sampleBytes = 2;
    row.bits = bits;
    return row;
}

}  // namespace

std::optional<Decoder> decoderFor(const PixelFormatInfo& format) {
    const uint8_t bits = format.significantBitsPerChannel;
    switch (format.packing) {
        case Packing::BitStream: return Decoder{decodeBitStream, wideGray(bits)};
        case Packing::Group10g40: return Decoder{decode10g40, wideGray(bits)};
        case Packing::Group12g24: return Decoder{decode12g24, wideGray(bits)};
        case Packing::Word32: return Decoder{decodeWord32, colorRowFormat(format.order, bits)};
        case Packing::Semiplanar420:
            return Decoder{format.order == ChannelOrder::YUV ? decodeSemiplanar<true> : decodeSemiplanar<false>,
                           colorRowFormat(ChannelOrder::RGB, bits)};
        default: return std::nullopt;
    }
}

}  // namespace orx::convert
