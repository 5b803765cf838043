#include "core/pixel_format.h"

#include <limits>

#include "core/error.h"

namespace orx {
namespace {

constexpr size_t kBitsPerByte = 8;

// Columns: channels, significant / storage bits per channel, significant /
// storage bits per pixel.
#define ORX_MONO(NAME, SIGNIFICANT, STORAGE, PACKING, ORDER, BAYER)                                      \
    PixelFormatInfo {                                                                                    \
        TARN_LUX_PixelFormatName_##NAME, #NAME, 1, SIGNIFICANT, STORAGE, SIGNIFICANT, STORAGE, PACKING, \
            ORDER, TARN_LUX_BayerPattern_##BAYER                                                         \
    }
#define ORX_BAYER(NAME, PATTERN, SIGNIFICANT, STORAGE, PACKING) \
    ORX_MONO(NAME, SIGNIFICANT, STORAGE, PACKING, ChannelOrder::Bayer, PATTERN)
#define ORX_COLOR(NAME, CHANNELS, SIGNIFICANT, STORAGE, PIXEL_SIGNIFICANT, PIXEL_STORAGE, PACKING, ORDER)        \
    PixelFormatInfo {                                                                                           \
        TARN_LUX_PixelFormatName_##NAME, #NAME, CHANNELS, SIGNIFICANT, STORAGE, PIXEL_SIGNIFICANT, PIXEL_STORAGE, \
            PACKING, ORDER, TARN_LUX_BayerPattern_None                                                          \
    }

constexpr std::array<PixelFormatInfo, kPixelFormatCount> kFormats = {{
    {TARN_LUX_PixelFormatName_Invalid, "Invalid", 0, 0, 0, 0, 0, Packing::None, ChannelOrder::None,
     TARN_LUX_BayerPattern_Unknown},

    ORX_BAYER(BayerGR8, GR, 8, 8, Packing::None),
    ORX_BAYER(BayerGR10, GR, 10, 16, Packing::None),
    ORX_BAYER(BayerGR12, GR, 12, 16, Packing::None),
    ORX_BAYER(BayerRG8, RG, 8, 8, Packing::None),
    ORX_BAYER(BayerRG10, RG, 10, 16, Packing::None),
    ORX_BAYER(BayerRG12, RG, 12, 16, Packing::None),
    ORX_BAYER(BayerGB8, GB, 8, 8, Packing::None),
    ORX_BAYER(BayerGB10, GB, 10, 16, Packing::None),
    ORX_BAYER(BayerGB12, GB, 12, 16, Packing::None),
    ORX_BAYER(BayerBG8, BG, 8, 8, Packing::None),
    ORX_BAYER(BayerBG10, BG, 10, 16, Packing::None),
    ORX_BAYER(BayerBG12, BG, 12, 16, Packing::None),

    ORX_MONO(Mono8, 8, 8, Packing::None, ChannelOrder::Mono, None),
    ORX_MONO(Mono10, 10, 16, Packing::None, ChannelOrder::Mono, None),
    ORX_MONO(Mono12, 12, 16, Packing::None, ChannelOrder::Mono, None),

    // Three 8-bit channels; a 2x2 block shares one chroma pair: 12 bits per pixel.
    ORX_COLOR(YUV420_8_YY_UV_SemiplanarORX, 3, 8, 8, 12, 12, Packing::Semiplanar420, ChannelOrder::YUV),
    ORX_COLOR(YUV420_8_YY_VU_SemiplanarORX, 3, 8, 8, 12, 12, Packing::Semiplanar420, ChannelOrder::YVU),

    ORX_COLOR(RGB8, 3, 8, 8, 24, 24, Packing::None, ChannelOrder::RGB),
    ORX_COLOR(RGB10, 3, 10, 16, 30, 48, Packing::None, ChannelOrder::RGB),
    ORX_COLOR(RGB12, 3, 12, 16, 36, 48, Packing::None, ChannelOrder::RGB),
    ORX_COLOR(BGR8, 3, 8, 8, 24, 24, Packing::None, ChannelOrder::BGR),
    ORX_COLOR(BGR10, 3, 10, 16, 30, 48, Packing::None, ChannelOrder::BGR),
    ORX_COLOR(BGR12, 3, 12, 16, 36, 48, Packing::None, ChannelOrder::BGR),
    ORX_COLOR(RGBa8, 4, 8, 8, 32, 32, Packing::None, ChannelOrder::RGBa),
    ORX_COLOR(RGBa10, 4, 10, 16, 40, 64, Packing::None, ChannelOrder::RGBa),
    ORX_COLOR(RGBa12, 4, 12, 16, 48, 64, Packing::None, ChannelOrder::RGBa),
    ORX_COLOR(BGRa8, 4, 8, 8, 32, 32, Packing::None, ChannelOrder::BGRa),
    ORX_COLOR(BGRa10, 4, 10, 16, 40, 64, Packing::None, ChannelOrder::BGRa),
    ORX_COLOR(BGRa12, 4, 12, 16, 48, 64, Packing::None, ChannelOrder::BGRa),

    ORX_BAYER(BayerBG10p, BG, 10, 10, Packing::BitStream),
    ORX_BAYER(BayerBG12p, BG, 12, 12, Packing::BitStream),
    ORX_BAYER(BayerGB10p, GB, 10, 10, Packing::BitStream),
    ORX_BAYER(BayerGB12p, GB, 12, 12, Packing::BitStream),
    ORX_BAYER(BayerGR10p, GR, 10, 10, Packing::BitStream),
    ORX_BAYER(BayerGR12p, GR, 12, 12, Packing::BitStream),
    ORX_BAYER(BayerRG10p, RG, 10, 10, Packing::BitStream),
    ORX_BAYER(BayerRG12p, RG, 12, 12, Packing::BitStream),
    ORX_MONO(Mono10p, 10, 10, Packing::BitStream, ChannelOrder::Mono, None),
    ORX_MONO(Mono12p, 12, 12, Packing::BitStream, ChannelOrder::Mono, None),

    // A channel occupies its 10 bits; the word's 2 spare bits belong to the pixel.
    ORX_COLOR(RGB10p32, 3, 10, 10, 30, 32, Packing::Word32, ChannelOrder::RGB),
    ORX_COLOR(BGR10p32, 3, 10, 10, 30, 32, Packing::Word32, ChannelOrder::BGR),

    ORX_BAYER(BayerRG10g40ORX, RG, 10, 10, Packing::Group10g40),
    ORX_BAYER(BayerGB10g40ORX, GB, 10, 10, Packing::Group10g40),
    ORX_BAYER(BayerGR10g40ORX, GR, 10, 10, Packing::Group10g40),
    ORX_BAYER(BayerBG10g40ORX, BG, 10, 10, Packing::Group10g40),
    ORX_BAYER(BayerRG12g24ORX, RG, 12, 12, Packing::Group12g24),
    ORX_BAYER(BayerGB12g24ORX, GB, 12, 12, Packing::Group12g24),
    ORX_BAYER(BayerGR12g24ORX, GR, 12, 12, Packing::Group12g24),
    ORX_BAYER(BayerBG12g24ORX, BG, 12, 12, Packing::Group12g24),
    ORX_MONO(Mono10g40ORX, 10, 10, Packing::Group10g40, ChannelOrder::Mono, None),
    ORX_MONO(Mono12g24ORX, 12, 12, Packing::Group12g24, ChannelOrder::Mono, None),
}};

#undef ORX_COLOR
#undef ORX_BAYER
#undef ORX_MONO

constexpr bool namesAreUnique() {
    for (size_t i = 0; i < kFormats.size(); ++i)
        for (size_t j = i + 1; j < kFormats.size(); ++j)
            if (kFormats[i].name == kFormats[j].name) return false;
    return true;
}
static_assert(namesAreUnique(), "every pixel format appears once");

// Pixels and bytes of one group for the formats that store pixels in groups.
struct Group {
    uint64_t pixels;
    uint64_t bytes;
};

[[noreturn]] void tooLarge(const PixelFormatInfo& format, const std::string& what) {
    fail(TARN_LUX_RETURN_CODE_OUT_OF_RANGE, what, " of ", format.text, " need more bytes than size_t can count");
}

// ceil(count / group.pixels) * group.bytes, or false on overflow.
bool groupedSize(uint64_t count, Group group, uint64_t* bytes) {
    const uint64_t groups = count / group.pixels + (count % group.pixels != 0 ? 1 : 0);
    return !__builtin_mul_overflow(groups, group.bytes, bytes);
}

// The bytes of `pixels` pixels without a shape, or false when they do not
// fit size_t.
bool storageBytes(const PixelFormatInfo& format, uint64_t pixels, size_t* bytes) {
    uint64_t total = 0;
    bool fits = true;
    switch (format.packing) {
        case Packing::Group10g40: fits = groupedSize(pixels, {4, 5}, &total); break;
        case Packing::Group12g24: fits = groupedSize(pixels, {2, 3}, &total); break;
        default: {
            // Every 8 pixels take exactly storageBitsPerPixel bytes; the rest
            // rounds up to whole bytes. Splitting keeps the multiplication
            // from overflowing early.
            const uint64_t restBits = (pixels % kBitsPerByte) * format.storageBitsPerPixel;
            fits = !__builtin_mul_overflow(pixels / kBitsPerByte, uint64_t{format.storageBitsPerPixel}, &total) &&
                   !__builtin_add_overflow(total, (restBits + kBitsPerByte - 1) / kBitsPerByte, &total);
        }
    }
    if (!fits || total > std::numeric_limits<size_t>::max()) return false;
    *bytes = static_cast<size_t>(total);
    return true;
}

}  // namespace

size_t PixelFormatInfo::storageSizeOfPixels(uint64_t pixels) const {
    size_t bytes = 0;
    if (!storageBytes(*this, pixels, &bytes)) tooLarge(*this, str(pixels, " pixels"));
    return bytes;
}

size_t PixelFormatInfo::imageByteCount(size_t width, size_t height) const {
    size_t pixels = 0;
    size_t bytes = 0;
    bool fits = !__builtin_mul_overflow(width, height, &pixels);
    if (fits && isYUV()) {
        // Y plane plus one 2-byte chroma pair per started 2x2 block.
        const size_t blocks = ((width + 1) / 2) * ((height + 1) / 2);
        fits = !__builtin_mul_overflow(blocks, size_t{2}, &bytes) && !__builtin_add_overflow(bytes, pixels, &bytes);
    } else if (fits) {
        fits = storageBytes(*this, pixels, &bytes);
    }
    if (!fits) tooLarge(*this, str(width, " x ", height, " pixels"));
    return bytes;
}

const std::array<PixelFormatInfo, kPixelFormatCount>& pixelFormats() { return kFormats; }

const PixelFormatInfo* findPixelFormat(TARN_LUX_PixelFormatName name) noexcept {
    for (const PixelFormatInfo& format : kFormats)
        if (format.name == name) return &format;
    return nullptr;
}

const PixelFormatInfo& formatInfo(TARN_LUX_PixelFormatName name) {
    const PixelFormatInfo* format = findPixelFormat(name);
    if (format == nullptr) {
        fail(TARN_LUX_RETURN_CODE_INVALID_ARGUMENT, "pixel format value ", hex32(static_cast<uint32_t>(name)),
             " names no pixel format");
    }
    return *format;
}

std::string describeFormat(TARN_LUX_PixelFormatName name) {
    const std::string value = hex32(static_cast<uint32_t>(name));
    const PixelFormatInfo* format = findPixelFormat(name);
    return format == nullptr ? value : str(format->text, " (", value, ")");
}

}  // namespace orx
