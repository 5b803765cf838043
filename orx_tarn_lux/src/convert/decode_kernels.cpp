#include "convert/decode_kernels.h"

#include <algorithm>

#include "convert/repack_kernels.h"
#include "core/bit_stream.h"
#include "core/semiplanar.h"

namespace orx::convert {
namespace {

void decodeBitStream(const Image& image, size_t y, uint8_t* out) {
    const size_t bits = image.formatInfo().storageBitsPerPixel;
    const size_t first = y * image.width();
    for (size_t x = 0; x < image.width(); ++x)
        writeSample(out, x, 2, readBits(image.data(), (first + x) * bits, bits));
}

// Grouped formats: a group of Pixels pixels holds the high 8 bits of each in
// its first Pixels bytes, then their LowBits-bit low parts side by side,
// pixel 0 in the lowest bits (10g40: 4 pixels in 5 bytes, low parts of 2
// bits; 12g24: 2 pixels in 3 bytes, low nibbles).
template <size_t Pixels, size_t LowBits>
void decodeGroups(const Image& image, size_t y, uint8_t* out) {
    constexpr size_t kGroupBytes = Pixels + (Pixels * LowBits) / kBitsPerByte;
    const size_t first = y * image.width();
    for (size_t x = 0; x < image.width(); ++x) {
        const size_t i = first + x;
        const uint8_t* group = image.data() + (i / Pixels) * kGroupBytes;
        const size_t slot = i % Pixels;
        const uint32_t low = readBits(group + Pixels, LowBits * slot, LowBits);
        writeSample(out, x, 2, uint32_t(group[slot]) << LowBits | low);
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
constexpr int32_t kMax8 = 255;

uint8_t clamped(int32_t scaled) {
    // Adding the half before the shift rounds to nearest; the shift of a
    // negative number rounds down, which the clamp makes harmless.
    return static_cast<uint8_t>(std::clamp((scaled + (1 << (kChromaShift - 1))) >> kChromaShift, 0, kMax8));
}

template <bool UFirst>
void decodeSemiplanar(const Image& image, size_t y, uint8_t* out) {
    const size_t width = image.width();
    const uint8_t* luma = image.data() + y * width;
    const uint8_t* chroma = semiplanar::chromaRowFor(image.data(), width, image.height(), y);
    for (size_t x = 0; x < width; ++x) {
        const uint8_t* pair = chroma + (x / semiplanar::kBlock) * semiplanar::kPairBytes;
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
        case Packing::Group10g40: return Decoder{decodeGroups<4, 2>, wideGray(bits)};
        case Packing::Group12g24: return Decoder{decodeGroups<2, 4>, wideGray(bits)};
        case Packing::Word32: return Decoder{decodeWord32, colorRowFormat(format.order, bits)};
        case Packing::Semiplanar420:
            return Decoder{format.order == ChannelOrder::YUV ? decodeSemiplanar<true> : decodeSemiplanar<false>,
                           colorRowFormat(ChannelOrder::RGB, bits)};
        default: return std::nullopt;
    }
}

}  // namespace orx::convert
