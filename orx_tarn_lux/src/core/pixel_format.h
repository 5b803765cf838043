// Everything the library knows about a pixel format comes from one table;
// layouts are described in orx_tarn_lux.h.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "orx_tarn_lux.h"

namespace orx {

enum class Packing : uint8_t {
    None,           // every channel in whole bytes: 8-bit, or a 16-bit little-endian word
    BitStream,      // "p" formats: LSB-first stream of pixels
    Word32,         // three 10-bit channels in one 32-bit little-endian word
    Group10g40,     // four pixels in five bytes
    Group12g24,     // two pixels in three bytes
    Semiplanar420,  // Y plane, then interleaved half-resolution chroma
};

// Which channel sits where; for Bayer formats the pattern tells the colors.
enum class ChannelOrder : uint8_t { None, Mono, Bayer, RGB, BGR, RGBa, BGRa, YUV, YVU };

struct PixelFormatInfo {
    TARN_LUX_PixelFormatName name;
    const char* text;
    uint8_t channels;
    uint8_t significantBitsPerChannel;
    uint8_t storageBitsPerChannel;
    uint8_t significantBitsPerPixel;  // on average for the 4:2:0 formats: 12
    uint8_t storageBitsPerPixel;
    Packing packing;
    ChannelOrder order;
    TARN_LUX_BayerPattern bayerPattern;

    constexpr bool isValid() const { return name != TARN_LUX_PixelFormatName_Invalid; }
    constexpr bool isPacked() const { return packing != Packing::None && packing != Packing::Semiplanar420; }
    constexpr bool isBayered() const { return order == ChannelOrder::Bayer; }
    constexpr bool isYUV() const { return packing == Packing::Semiplanar420; }
    constexpr uint32_t maximumValuePerChannel() const {
        return significantBitsPerChannel == 0 ? 0 : (uint32_t{1} << significantBitsPerChannel) - 1;
    }
    // Every multi-byte value the library stores is little-endian.
    constexpr TARN_LUX_Endianness endianness() const {
        return isValid() ? TARN_LUX_Endianness_LittleEndian : TARN_LUX_Endianness_Unknown;
    }
    // Bytes of one pixel for formats whose pixels are whole bytes (Packing::None
    // and Word32); 0 for the others, which kernels must walk in groups.
    constexpr size_t bytesPerPixel() const {
        return storageBitsPerPixel % 8 == 0 && !isYUV() ? storageBitsPerPixel / 8 : 0;
    }

    // Bytes that `pixels` pixels occupy without a shape; throws
    // Error(TARN_LUX_RETURN_CODE_OUT_OF_RANGE) when that does not fit size_t.
    size_t storageSizeOfPixels(uint64_t pixels) const;
    // Bytes of a width x height image (differs from the bare count only for
    // the 4:2:0 formats at odd sizes); throws like storageSizeOfPixels.
    size_t imageByteCount(size_t width, size_t height) const;
};

constexpr size_t kPixelFormatCount = 52;  // Invalid included
const std::array<PixelFormatInfo, kPixelFormatCount>& pixelFormats();

// nullptr for a value that names no format.
const PixelFormatInfo* findPixelFormat(TARN_LUX_PixelFormatName name) noexcept;

// The format's entry; throws Error(TARN_LUX_RETURN_CODE_INVALID_ARGUMENT)
// naming the value for one that names no format. Invalid is a known format.
const PixelFormatInfo& formatInfo(TARN_LUX_PixelFormatName name);

// "Mono12p (0x010C0047)", or "0x00000005" for an unknown value: how
// descriptions name a format.
std::string describeFormat(TARN_LUX_PixelFormatName name);

}  // namespace orx
