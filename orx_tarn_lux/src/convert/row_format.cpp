#include "convert/row_format.h"

namespace orx::convert {
namespace {

constexpr uint8_t kBitsPerByte = 8;

}  // namespace

RowFormat colorRowFormat(ChannelOrder order, uint8_t bits) {
    RowFormat row;
    row.bits = bits;
    row.sampleBytes = bits > kBitsPerByte ? 2 : 1;
    const bool redFirst = order == ChannelOrder::RGB || order == ChannelOrder::RGBa;
    const bool alpha = order == ChannelOrder::RGBa || order == ChannelOrder::BGRa;
    row.channels = alpha ? 4 : 3;
    row.channel[0] = redFirst ? Channel::Red : Channel::Blue;
    row.channel[1] = Channel::Green;
    row.channel[2] = redFirst ? Channel::Blue : Channel::Red;
    row.channel[3] = Channel::Alpha;
    return row;
}

RowFormat grayRowFormat(uint8_t bits) {
    RowFormat row;
    row.bits = bits;
    row.sampleBytes = bits > kBitsPerByte ? 2 : 1;
    return row;
}

RowFormat unpackedRowFormat(const PixelFormatInfo& format) {
    if (format.channels >= 3) return colorRowFormat(format.order, format.significantBitsPerChannel);
    RowFormat row;
    row.bits = format.significantBitsPerChannel;
    row.sampleBytes = static_cast<uint8_t>(format.storageBitsPerChannel / kBitsPerByte);
    return row;
}

}  // namespace orx::convert
