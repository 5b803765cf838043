#include "files/rows.h"

namespace orx::files {
namespace {

template <typename Sample>
Sample load(const uint8_t* pixel, size_t index) {
    Sample value;
    std::memcpy(&value, pixel + index * sizeof(Sample), sizeof value);
    return value;
}

// One loop per shape, with the channel count and order known at compile time
// so that the compiler can vectorise it.
template <typename Sample, size_t Channels, bool Swap, SampleDepth Depth>
void exportPixels(const uint8_t* in, size_t width, unsigned bits, uint8_t* out) {
    const uint32_t maximum = (1u << bits) - 1;
    for (size_t x = 0; x < width; ++x) {
        const uint8_t* pixel = in + x * Channels * sizeof(Sample);
        for (size_t c = 0; c < Channels; ++c) {
            const size_t from = Swap && c != 1 && c != 3 ? 2 - c : c;
            const uint32_t value = load<Sample>(pixel, from);
            if constexpr (Depth == SampleDepth::Byte) {
                out[x * Channels + c] = sizeof(Sample) == 1 ? static_cast<uint8_t>(value) : reduceToByte(value, maximum);
            } else {
                const uint16_t wide = expandTo16(value, bits);
                out[2 * (x * Channels + c)] = static_cast<uint8_t>(wide >> 8);
                out[2 * (x * Channels + c) + 1] = static_cast<uint8_t>(wide);
            }
        }
    }
}

template <typename Sample, size_t Channels, bool Swap>
void exportTo(const RowExport& how, const uint8_t* in, size_t width, uint8_t* out) {
    const unsigned bits = how.format->significantBitsPerChannel;
    if (how.depth == SampleDepth::Byte) {
        exportPixels<Sample, Channels, Swap, SampleDepth::Byte>(in, width, bits, out);
    } else {
        exportPixels<Sample, Channels, Swap, SampleDepth::Word16BigEndian>(in, width, bits, out);
    }
}

template <typename Sample>
void exportSamples(const RowExport& how, const uint8_t* in, size_t width, uint8_t* out) {
    switch (how.format->channels) {
        case 1: return exportTo<Sample, 1, false>(how, in, width, out);
        case 3:
            return how.swapRedBlue ? exportTo<Sample, 3, true>(how, in, width, out)
                                   : exportTo<Sample, 3, false>(how, in, width, out);
        default:
            return how.swapRedBlue ? exportTo<Sample, 4, true>(how, in, width, out)
                                   : exportTo<Sample, 4, false>(how, in, width, out);
    }
}

}  // namespace

void exportRow(const RowExport& how, const uint8_t* in, size_t width, uint8_t* out) {
    if (how.format->storageBitsPerChannel == 8) {
        exportSamples<uint8_t>(how, in, width, out);
    } else {
        exportSamples<uint16_t>(how, in, width, out);
    }
}

}  // namespace orx::files
