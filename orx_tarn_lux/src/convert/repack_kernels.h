// Row kernel that turns one unpacked row form into another: reorders
// channels, changes the bit depth by shifting, fills alpha, turns color into
// gray (luma) and gray into color (replication).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "convert/row_format.h"

namespace orx::convert {

// Luma of BT.601: 0.299 R + 0.587 G + 0.114 B, in 14-bit fixed point. The
// weights are the rounded products with 2^14 and add up to exactly 2^14, so
// that white stays white; 14 bits keep 4095 * 2^14 well inside 32 bits.
constexpr uint32_t kLumaShift = 14;
constexpr uint32_t kLumaRed = 4899;
constexpr uint32_t kLumaGreen = 9617;
constexpr uint32_t kLumaBlue = 1868;
static_assert(kLumaRed + kLumaGreen + kLumaBlue == (1u << kLumaShift));

inline uint32_t luma(uint32_t red, uint32_t green, uint32_t blue) {
    return (kLumaRed * red + kLumaGreen * green + kLumaBlue * blue + (1u << (kLumaShift - 1))) >>
           kLumaShift;
}

// A value of `from` significant bits expressed with `to` bits: the lowest
// bits are dropped going down (12 -> 8 is >> 4) and zero going up.
inline uint32_t rescale(uint32_t value, unsigned from, unsigned to) {
    return from >= to ? value >> (from - to) : value << (to - from);
}

inline uint32_t readSample(const uint8_t* pixel, size_t index, size_t sampleBytes) {
    if (sampleBytes == 1) return pixel[index];
    uint16_t value;
    std::memcpy(&value, pixel + 2 * index, sizeof value);
    return value;
}

inline void writeSample(uint8_t* pixel, size_t index, size_t sampleBytes, uint32_t value) {
    if (sampleBytes == 1) {
        pixel[index] = static_cast<uint8_t>(value);
    } else {
        const auto wide = static_cast<uint16_t>(value);
        std::memcpy(pixel + 2 * index, &wide, sizeof wide);
    }
}

struct Repack {
    RowFormat from;
    RowFormat to;
};

// Pixels [begin, end) of row `in` into row `out`.
inline void repackScalar(const uint8_t* in, const Repack& repack, uint8_t* out, size_t begin,
                         size_t end) {
    const RowFormat& from = repack.from;
    const RowFormat& to = repack.to;
    const uint32_t mask = from.maxValue();
    const size_t red = from.indexOf(Channel::Red);
    const size_t green = from.indexOf(Channel::Green);
    const size_t blue = from.indexOf(Channel::Blue);
    for (size_t x = begin; x < end; ++x) {
        const uint8_t* source = in + x * from.pixelBytes();
        uint8_t* target = out + x * to.pixelBytes();
        const auto sample = [&](size_t index) { return readSample(source, index, from.sampleBytes) & mask; };
        for (size_t c = 0; c < to.channels; ++c) {
            uint32_t value;
            switch (to.channel[c]) {
                case Channel::Gray:
                    value = from.isColor() ? luma(sample(red), sample(green), sample(blue)) : sample(0);
                    break;
                case Channel::Alpha:
                    // A new alpha channel is opaque at the output's depth.
                    if (!from.hasAlpha()) {
                        writeSample(target, c, to.sampleBytes, to.maxValue());
                        continue;
                    }
                    value = sample(from.indexOf(Channel::Alpha));
                    break;
                default:
                    value = from.isColor() ? sample(from.indexOf(to.channel[c])) : sample(0);
            }
            writeSample(target, c, to.sampleBytes, rescale(value, from.bits, to.bits));
        }
    }
}

// Handles what it can of [begin, end) and returns where it stopped.
size_t repackFast(const uint8_t* in, const Repack& repack, uint8_t* out, size_t begin, size_t end);

}  // namespace orx::convert
