#include "convert/encode_kernels.h"

#include <algorithm>

#include "convert/repack_kernels.h"
#include "convert/yuv.h"
#include "core/bit_stream.h"
#include "core/kernel_dispatch.h"
#include "core/semiplanar.h"

namespace orx::convert {
namespace {

bool isLastRow(const Image& image, size_t y) { return y + 1 == image.height(); }

template <size_t Bits>
void encodeBitStream(const uint8_t* row, Image& image, size_t y) {
    const size_t width = image.width();
    BitWriter writer(image.data(), y * width * Bits);
    for (size_t x = 0; x < width; ++x) writer.put(readSample(row, x, 2), Bits);
    // Every row leaves its last partial byte with zero high bits; the next
    // row keeps the low ones, and after the last row they stay zero.
    writer.flush();
}

// The grouped layouts of decode_kernels.cpp: Pixels high bytes, then one
// byte of LowBits-bit low parts, pixel 0 lowest.
template <size_t Pixels, size_t LowBits>
struct GroupWriter {
    static constexpr size_t kGroupBytes = Pixels + 1;
    static constexpr uint32_t kLowMask = (1u << LowBits) - 1;
    static_assert(Pixels * LowBits == kBitsPerByte, "the low parts fill one byte");

    static void put(uint8_t* data, size_t i, uint32_t value) {
        uint8_t* group = data + (i / Pixels) * kGroupBytes;
        const size_t slot = i % Pixels;
        group[slot] = static_cast<uint8_t>(value >> LowBits);
        const uint32_t shift = uint32_t(LowBits * slot);
        uint8_t& lows = group[Pixels];
        lows = static_cast<uint8_t>((lows & ~(kLowMask << shift)) | ((value & kLowMask) << shift));
    }
};

template <size_t Pixels, size_t LowBits>
void encodeGroups(const uint8_t* row, Image& image, size_t y) {
    using Writer = GroupWriter<Pixels, LowBits>;
    const size_t width = image.width();
    const size_t first = y * width;
    for (size_t x = 0; x < width; ++x) Writer::put(image.data(), first + x, readSample(row, x, 2));
    if (isLastRow(image, y))
        for (size_t i = first + width; i % Pixels != 0; ++i) Writer::put(image.data(), i, 0);
}

// p32: channels 0, 1, 2 of the row (in the format's order) at bits 0, 10, 20.
constexpr size_t kWordChannelBits = 10;

void encodeWord32(const uint8_t* row, Image& image, size_t y) {
    uint8_t* out = image.row(y);
    for (size_t x = 0; x < image.width(); ++x) {
        uint32_t word = 0;
        for (size_t c = 0; c < 3; ++c) word |= readSample(row, 3 * x + c, 2) << (kWordChannelBits * c);
        for (size_t b = 0; b < 4; ++b) out[4 * x + b] = static_cast<uint8_t>(word >> (kBitsPerByte * b));
    }
}

// Luma of every pixel; the chroma pair of a 2 x 2 block comes from its
// top-left pixel (as OpenCV's RGB to I420 conversion takes it), written
// with the block's even row. The luma loop is written so that compilers
// vectorise it; the fast build differs only in the instructions used.
template <bool UFirst>
__attribute__((always_inline)) inline void semiplanarRow(const uint8_t* row, Image& image, size_t y) {
    const size_t width = image.width();
    uint8_t* luma = image.data() + y * width;
    for (size_t x = 0; x < width; ++x) luma[x] = yuv::lumaOf(row[3 * x], row[3 * x + 1], row[3 * x + 2]);
    if (y % semiplanar::kBlock != 0) return;
    uint8_t* pair = const_cast<uint8_t*>(semiplanar::chromaRowFor(image.data(), width, image.height(), y));
    for (size_t x = 0; x < width; x += semiplanar::kBlock, pair += semiplanar::kPairBytes) {
        const uint8_t* pixel = row + 3 * x;
        const uint8_t u = yuv::blueDifferenceOf(pixel[0], pixel[1], pixel[2]);
        const uint8_t v = yuv::redDifferenceOf(pixel[0], pixel[1], pixel[2]);
        pair[0] = UFirst ? u : v;
        pair[1] = UFirst ? v : u;
    }
}

template <bool UFirst>
void encodeSemiplanar(const uint8_t* row, Image& image, size_t y) {
    semiplanarRow<UFirst>(row, image, y);
}

#if ORX_HAVE_FAST_KERNELS
template <bool UFirst>
ORX_FAST_TARGET void encodeSemiplanarFast(const uint8_t* row, Image& image, size_t y) {
    semiplanarRow<UFirst>(row, image, y);
}
#else
template <bool UFirst>
void encodeSemiplanarFast(const uint8_t* row, Image& image, size_t y) {
    semiplanarRow<UFirst>(row, image, y);
}
#endif

}  // namespace

std::optional<Encoder> encoderFor(const PixelFormatInfo& format) {
    const uint8_t bits = format.significantBitsPerChannel;
    switch (format.packing) {
        case Packing::BitStream:
            return Encoder{bits == 10 ? encodeBitStream<10> : encodeBitStream<12>, grayRowFormat(bits)};
        case Packing::Group10g40: return Encoder{encodeGroups<4, 2>, grayRowFormat(bits)};
        case Packing::Group12g24: return Encoder{encodeGroups<2, 4>, grayRowFormat(bits)};
        case Packing::Word32: return Encoder{encodeWord32, colorRowFormat(format.order, bits)};
        case Packing::Semiplanar420: {
            const bool uFirst = format.order == ChannelOrder::YUV;
            return Encoder{uFirst ? encodeSemiplanar<true> : encodeSemiplanar<false>,
                           colorRowFormat(ChannelOrder::RGB, bits),
                           uFirst ? encodeSemiplanarFast<true> : encodeSemiplanarFast<false>};
        }
        default: return std::nullopt;
    }
}

}  // namespace orx::convert
