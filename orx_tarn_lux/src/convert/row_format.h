// The engine's intermediate form: a row of unpacked samples, one or two
// bytes each, in a known channel order. Unpacked pixel formats are already
// in this form; packed and YUV formats are unpacked into it first.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/pixel_format.h"

namespace orx::convert {

// What one channel of a pixel holds. Gray is also a Bayer mosaic's sample.
enum class Channel : uint8_t { Red, Green, Blue, Alpha, Gray };

struct RowFormat {
    uint8_t channels = 1;
    uint8_t sampleBytes = 1;  // 1, or 2 for little-endian 16-bit words
    uint8_t bits = 8;         // significant bits; higher bits are ignored on input
    Channel channel[4] = {Channel::Gray, Channel::Gray, Channel::Gray, Channel::Gray};

    bool isColor() const { return channels >= 3; }
    bool hasAlpha() const { return channels == 4; }
    uint32_t maxValue() const { return (uint32_t{1} << bits) - 1; }
    size_t pixelBytes() const { return size_t(channels) * sampleBytes; }
    // Position of `which` in the pixel; only for channels the format has.
    size_t indexOf(Channel which) const {
        for (size_t i = 0; i < channels; ++i)
            if (channel[i] == which) return i;
        return 0;
    }
};

// The row form of an unpacked format (Packing::None, not YUV).
RowFormat unpackedRowFormat(const PixelFormatInfo& format);

// Red, green and blue (and alpha when `alpha`) in the order of `order`, at
// `bits` significant bits: how demosaicing output is described.
RowFormat colorRowFormat(ChannelOrder order, uint8_t bits);

// One gray sample at `bits` significant bits, in one byte up to 8 bits and
// in a word above.
RowFormat grayRowFormat(uint8_t bits);

}  // namespace orx::convert
