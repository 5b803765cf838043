// BMP: Windows bitmaps with 8-bit palettes, 24-bit BGR and 32-bit BGRA
// pixels, rows bottom-up (positive height) or top-down (negative height),
// each row padded to a multiple of four bytes.
#include <algorithm>
#include <array>
#include <climits>
#include <vector>

#include "core/check.h"
#include "core/error.h"
#include "files/bytes.h"
#include "files/codecs.h"
#include "files/rows.h"

namespace orx::files {
namespace {

constexpr const char* kKind = "BMP";
constexpr size_t kFileHeaderBytes = 14;
constexpr size_t kCoreHeaderBytes = 12;   // the oldest header: 16-bit sizes, 3-byte palette entries
constexpr size_t kInfoHeaderBytes = 40;   // the common one
constexpr size_t kV4HeaderBytes = 108;    // adds channel masks and a color space
constexpr uint32_t kRgb = 0;              // uncompressed
constexpr uint32_t kBitFields = 3;        // uncompressed with channel masks
constexpr uint32_t kAlphaBitFields = 6;
constexpr uint32_t kSrgbColorSpace = 0x73524742;  // 'sRGB'
constexpr size_t kPaletteEntries = 256;

size_t rowStride(size_t width, size_t bitsPerPixel) { return (width * bitsPerPixel + 31) / 32 * 4; }

struct Header {
    size_t width = 0;
    size_t height = 0;
    bool topDown = false;
    unsigned bitsPerPixel = 0;
    uint32_t compression = kRgb;
    uint32_t masks[4] = {0, 0, 0, 0};  // red, green, blue, alpha
    size_t paletteOffset = 0;
    size_t paletteEntries = 0;
    size_t paletteEntryBytes = 4;
    size_t pixelOffset = 0;
};

Header parseHeader(const uint8_t* bytes, size_t size) {
    if (size < kFileHeaderBytes + 4 || bytes[0] != 'B' || bytes[1] != 'M') damaged(kKind, "it does not start with 'BM'");
    Header h;
    h.pixelOffset = le32(bytes + 10);
    const uint8_t* info = bytes + kFileHeaderBytes;
    const size_t infoBytes = le32(info);
    if (infoBytes < kCoreHeaderBytes || infoBytes > size - kFileHeaderBytes) {
        damaged(kKind, str("its info header of ", infoBytes, " bytes does not fit the file of ", size, " bytes"));
    }
    int64_t width = 0;
    int64_t height = 0;
    if (infoBytes == kCoreHeaderBytes) {
        width = le16(info + 4);
        height = le16(info + 6);
        h.bitsPerPixel = le16(info + 10);
        h.paletteEntryBytes = 3;
    } else {
        if (infoBytes < kInfoHeaderBytes) damaged(kKind, str("its info header has an unknown size of ", infoBytes));
        width = static_cast<int32_t>(le32(info + 4));
        height = static_cast<int32_t>(le32(info + 8));
        h.bitsPerPixel = le16(info + 14);
        h.compression = le32(info + 16);
        h.paletteEntries = le32(info + 32);
        const size_t maskCount = h.compression == kAlphaBitFields || infoBytes >= kInfoHeaderBytes + 16 ? 4 : 3;
        if (h.compression == kBitFields || h.compression == kAlphaBitFields) {
            const size_t maskOffset = kFileHeaderBytes + kInfoHeaderBytes;
            if (maskOffset + 4 * maskCount > size) damaged(kKind, "its channel masks are cut off");
            for (size_t i = 0; i < maskCount; ++i) h.masks[i] = le32(bytes + maskOffset + 4 * i);
        }
    }
    h.paletteOffset = kFileHeaderBytes + infoBytes;
    if (infoBytes == kInfoHeaderBytes && (h.compression == kBitFields || h.compression == kAlphaBitFields)) {
        h.paletteOffset += h.compression == kAlphaBitFields ? 16 : 12;
    }
    if (height < 0) {
        h.topDown = true;
        height = -height;
    }
    if (width <= 0 || height <= 0) damaged(kKind, str("its size of ", width, " x ", height, " pixels is impossible"));
    h.width = static_cast<size_t>(width);
    h.height = static_cast<size_t>(height);
    return h;
}

// Pixels of one 8-bit palette entry: gray when every used entry is.
struct Palette {
    std::array<uint8_t, 3 * kPaletteEntries> bgr{};  // entries past the palette are black
    bool gray = true;
};

Palette readPalette(const Header& h, const uint8_t* bytes, size_t size) {
    Palette palette;
    const size_t entries = h.paletteEntries == 0 ? kPaletteEntries : h.paletteEntries;
    if (entries > kPaletteEntries) damaged(kKind, str("its palette claims ", entries, " entries for 8-bit pixels"));
    if (h.paletteOffset + entries * h.paletteEntryBytes > size) damaged(kKind, "its palette is cut off");
    for (size_t i = 0; i < entries; ++i) {
        const uint8_t* entry = bytes + h.paletteOffset + i * h.paletteEntryBytes;
        std::copy_n(entry, 3, &palette.bgr[3 * i]);
        palette.gray = palette.gray && entry[0] == entry[1] && entry[1] == entry[2];
    }
    return palette;
}

// The alpha byte of 32-bit pixels means something only when the header says
// so with an alpha mask, or, in plain 32-bit files, when some pixel uses it:
// files that leave the fourth byte zero are opaque.
void fixAlpha(const Header& h, Image& image) {
    uint8_t* pixels = image.data();
    const size_t count = image.width() * image.height();
    bool opaque = false;
    if (h.compression == kRgb) {
        opaque = true;
        for (size_t i = 0; i < count && opaque; ++i) opaque = pixels[4 * i + 3] == 0;
    } else {
        opaque = h.masks[3] == 0;
    }
    if (opaque)
        for (size_t i = 0; i < count; ++i) pixels[4 * i + 3] = 0xFF;
}

void checkMasks(const Header& h) {
    if (h.compression == kRgb) return;
    const bool standard = h.masks[0] == 0x00FF0000 && h.masks[1] == 0x0000FF00 && h.masks[2] == 0x000000FF &&
                          (h.masks[3] == 0 || h.masks[3] == 0xFF000000);
    if (h.bitsPerPixel != 32 || !standard) {
        unsupportedVariant(kKind, str(h.bitsPerPixel, "-bit pixels with channel masks ", hex32(h.masks[0]), " ",
                                      hex32(h.masks[1]), " ", hex32(h.masks[2]), " ", hex32(h.masks[3])));
    }
}

}  // namespace

Image decodeBmp(const uint8_t* bytes, size_t size) {
    const Header h = parseHeader(bytes, size);
    if (h.compression != kRgb && h.compression != kBitFields && h.compression != kAlphaBitFields) {
        unsupportedVariant(kKind, str("compression method ", h.compression));
    }
    if (h.bitsPerPixel != 8 && h.bitsPerPixel != 24 && h.bitsPerPixel != 32) {
        unsupportedVariant(kKind, str(h.bitsPerPixel, "-bit pixels"));
    }
    checkMasks(h);

    // Every row but the last must be there with its padding, the last at
    // least up to its final pixel; checked before any memory is taken.
    const size_t pixelBytes = h.bitsPerPixel / 8;
    size_t stride = 0;
    size_t needed = 0;
    size_t rowBytes = 0;
    if (__builtin_mul_overflow(h.width, pixelBytes, &rowBytes) || rowBytes > SIZE_MAX - 31 ||
        __builtin_mul_overflow(rowStride(h.width, h.bitsPerPixel), h.height - 1, &needed) ||
        __builtin_add_overflow(needed, rowBytes, &needed) || __builtin_add_overflow(needed, h.pixelOffset, &needed) ||
        needed > size) {
        damaged(kKind, str("its ", h.width, " x ", h.height, " pixels need more bytes than the file's ", size));
    }
    stride = rowStride(h.width, h.bitsPerPixel);

    Palette palette;
    TARN_LUX_PixelFormatName format = h.bitsPerPixel == 24 ? TARN_LUX_PixelFormatName_BGR8
                                                           : TARN_LUX_PixelFormatName_BGRa8;
    if (h.bitsPerPixel == 8) {
        palette = readPalette(h, bytes, size);
        format = palette.gray ? TARN_LUX_PixelFormatName_Mono8 : TARN_LUX_PixelFormatName_BGR8;
    }
    Image image(format, h.width, h.height, Fill::Anything);
    for (size_t y = 0; y < h.height; ++y) {
        const uint8_t* in = bytes + h.pixelOffset + (h.topDown ? y : h.height - 1 - y) * stride;
        uint8_t* out = image.row(y);
        if (h.bitsPerPixel != 8) {
            std::copy_n(in, rowBytes, out);
        } else if (palette.gray) {
            for (size_t x = 0; x < h.width; ++x) out[x] = palette.bgr[3 * in[x]];
        } else {
            for (size_t x = 0; x < h.width; ++x) std::copy_n(&palette.bgr[3 * in[x]], 3, out + 3 * x);
        }
    }
    if (h.bitsPerPixel == 32) fixAlpha(h, image);
    return image;
}

void writeBmp(const Image& image, AtomicFile& file) {
    const PixelFormatInfo& format = image.formatInfo();
    const bool mono = format.channels == 1 && !format.isPacked() &&
                      (format.order == ChannelOrder::Mono || format.order == ChannelOrder::Bayer);
    const bool color = format.storageBitsPerChannel == 8 && !format.isPacked() &&
                       (format.order == ChannelOrder::RGB || format.order == ChannelOrder::BGR ||
                        format.order == ChannelOrder::RGBa || format.order == ChannelOrder::BGRa);
    if (!mono && !color) check::unsupportedFormat(image.format(), "writing a BMP file");

    const RowExport how{&format, format.order == ChannelOrder::RGB || format.order == ChannelOrder::RGBa,
                        SampleDepth::Byte};
    const size_t bitsPerPixel = 8 * how.fileBytesPerPixel();
    const bool alpha = format.channels == 4;
    const size_t infoBytes = alpha ? kV4HeaderBytes : kInfoHeaderBytes;
    const size_t paletteBytes = mono ? 4 * kPaletteEntries : 0;
    const size_t headerBytes = kFileHeaderBytes + infoBytes + paletteBytes;
    const size_t stride = rowStride(image.width(), bitsPerPixel);
    // The header counts in signed and unsigned 32 bits.
    size_t pixelBytes = 0;
    if (image.width() > INT32_MAX || image.height() > INT32_MAX ||
        __builtin_mul_overflow(stride, image.height(), &pixelBytes) || pixelBytes > UINT32_MAX - headerBytes) {
        fail(TARN_LUX_RETURN_CODE_IMAGE_FORMAT_NOT_SUPPORTED, "an image of ", image.width(), " x ", image.height(),
             " pixels is too large for a BMP file, whose sizes are 32-bit numbers");
    }

    std::vector<uint8_t> header(headerBytes, 0);
    uint8_t* p = header.data();
    *p++ = 'B';
    *p++ = 'M';
    p = putLe32(p, static_cast<uint32_t>(headerBytes + pixelBytes));
    p = putLe32(p, 0);
    p = putLe32(p, static_cast<uint32_t>(headerBytes));
    p = putLe32(p, static_cast<uint32_t>(infoBytes));
    p = putLe32(p, static_cast<uint32_t>(image.width()));
    p = putLe32(p, static_cast<uint32_t>(image.height()));  // positive: bottom-up, as every reader expects
    p = putLe16(p, 1);
    p = putLe16(p, static_cast<uint32_t>(bitsPerPixel));
    p = putLe32(p, alpha ? kBitFields : kRgb);
    p = putLe32(p, static_cast<uint32_t>(pixelBytes));
    constexpr uint32_t kPixelsPerMetre = 2835;  // 72 dpi
    p = putLe32(p, kPixelsPerMetre);
    p = putLe32(p, kPixelsPerMetre);
    p = putLe32(p, mono ? static_cast<uint32_t>(kPaletteEntries) : 0);
    p = putLe32(p, 0);
    if (alpha) {
        for (uint32_t mask : {0x00FF0000u, 0x0000FF00u, 0x000000FFu, 0xFF000000u}) p = putLe32(p, mask);
        p = putLe32(p, kSrgbColorSpace);
        p += kV4HeaderBytes - kInfoHeaderBytes - 20;  // endpoints and gamma: unused for sRGB
    }
    for (size_t i = 0; i < paletteBytes / 4; ++i) {
        const auto level = static_cast<uint8_t>(i);
        *p++ = level;
        *p++ = level;
        *p++ = level;
        *p++ = 0;
    }
    file.write(header.data(), header.size());

    // Rows go out in bands through one buffer, bottom row first.
    constexpr size_t kBandBytes = size_t{1} << 20;
    const size_t bandRows = std::max<size_t>(1, kBandBytes / stride);
    std::vector<uint8_t> band(std::min(bandRows, image.height()) * stride, 0);
    const RowExport byteRows{&format, how.swapRedBlue, SampleDepth::Byte};
    for (size_t done = 0; done < image.height();) {
        const size_t rows = std::min(bandRows, image.height() - done);
        for (size_t i = 0; i < rows; ++i) {
            const uint8_t* in = image.row(image.height() - 1 - (done + i));
            uint8_t* out = band.data() + i * stride;
            if (byteRows.isIdentity()) {
                std::copy_n(in, image.width() * format.channels, out);
            } else {
                exportRow(byteRows, in, image.width(), out);
            }
        }
        file.write(band.data(), rows * stride);
        done += rows;
    }
}

}  // namespace orx::files
