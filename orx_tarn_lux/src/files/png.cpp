// PNG reading: chunks, filters and sample layouts are ours; inflating is
// libdeflate's, whose whole-buffer decoder runs several times faster than
// zlib's streaming one.
#include <libdeflate.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>
#include <memory>
#include <vector>

#include "core/check.h"
#include "core/error.h"
#include "core/parallel.h"
#include "core/pixel_memory.h"
#include "files/bytes.h"
#include "files/codecs.h"
#include "files/png_filters.h"
#include "files/png_format.h"

namespace orx::files {
namespace {

using namespace png;

constexpr const char* kKind = "PNG";
// Deflate turns one input byte into at most 258 output bytes with a length
// code, so a zlib stream of n bytes inflates to well under 1032 n + a little.
constexpr size_t kMaxDeflateRatio = 1032;
constexpr size_t kDeflateSlack = 1024;

struct Deleter {
    void operator()(libdeflate_decompressor* d) const { libdeflate_free_decompressor(d); }
};

struct Header {
    uint32_t width = 0;
    uint32_t height = 0;
    uint8_t depth = 0;
    uint8_t colorType = 0;
    bool interlaced = false;
    size_t channels = 0;
    size_t bitsPerPixel = 0;
};

struct Pass {
    size_t x0, y0, dx, dy;
};
constexpr std::array<Pass, 7> kAdam7 = {{{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                         {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}}};
constexpr Pass kWhole = {0, 0, 1, 1};

size_t passExtent(size_t full, size_t start, size_t step) { return full > start ? (full - start + step - 1) / step : 0; }

// Everything of a file but its pixels.
struct Contents {
    Header header;
    std::array<uint8_t, 3 * 256> palette{};
    size_t paletteEntries = 0;
    std::array<uint8_t, 256> paletteAlpha{};
    bool hasTransparency = false;
    uint16_t transparentColor[3] = {0, 0, 0};  // gray or RGB key of tRNS
    uint8_t significantBits = 0;               // largest sBIT of the color channels, 0 without sBIT
    std::vector<std::pair<const uint8_t*, size_t>> data;  // the IDAT chunks in order
    size_t dataBytes = 0;
};

void parseHeader(const uint8_t* data, size_t size, Header& h) {
    if (size != 13) damaged(kKind, str("its IHDR chunk has ", size, " bytes instead of 13"));
    h.width = be32(data);
    h.height = be32(data + 4);
    h.depth = data[8];
    h.colorType = data[9];
    if (h.width == 0 || h.height == 0 || h.width > kMaxDimension || h.height > kMaxDimension) {
        damaged(kKind, str("its size of ", h.width, " x ", h.height, " pixels is impossible"));
    }
    const uint8_t d = h.depth;
    bool valid = false;
    switch (h.colorType) {
        case kGray: valid = d == 1 || d == 2 || d == 4 || d == 8 || d == 16; break;
        case kPalette: valid = d == 1 || d == 2 || d == 4 || d == 8; break;
        case kRgb:
        case kGrayAlpha:
        case kRgbAlpha: valid = d == 8 || d == 16; break;
        default: damaged(kKind, str("its color type ", unsigned(h.colorType), " does not exist"));
    }
    if (!valid) damaged(kKind, str("color type ", unsigned(h.colorType), " has no ", unsigned(d), "-bit samples"));
    if (data[10] != 0 || data[11] != 0) damaged(kKind, "it names an unknown compression or filter method");
    if (data[12] > 1) damaged(kKind, str("its interlace method ", unsigned(data[12]), " does not exist"));
    h.interlaced = data[12] == 1;
    h.channels = channelsOf(h.colorType);
    h.bitsPerPixel = h.channels * d;
}

Contents parseChunks(const uint8_t* bytes, size_t size) {
    if (size < sizeof kSignature || std::memcmp(bytes, kSignature, sizeof kSignature) != 0) {
        damaged(kKind, "it does not start with the PNG signature");
    }
    Contents c;
    bool seenHeader = false;
    bool seenEnd = false;
    size_t at = sizeof kSignature;
    while (!seenEnd) {
        if (size - at < 12) damaged(kKind, str("it ends inside a chunk at byte ", size, " (the file is cut off)"));
        const size_t length = be32(bytes + at);
        const uint8_t* type = bytes + at + 4;
        const uint8_t* data = type + 4;
        if (length > kMaxChunkBytes || length > size - at - 12) {
            damaged(kKind, str("a chunk at byte ", at, " claims ", length, " bytes, more than the file has left"));
        }
        if (be32(data + length) != chunkCrc(type, data, length)) {
            damaged(kKind, str("the checksum of the chunk at byte ", at, " does not match its bytes"));
        }
        const std::string name(reinterpret_cast<const char*>(type), 4);
        if (!seenHeader && name != "IHDR") damaged(kKind, "it does not begin with an IHDR chunk");
        if (name == "IHDR") {
            if (seenHeader) damaged(kKind, "it has two IHDR chunks");
            parseHeader(data, length, c.header);
            seenHeader = true;
        } else if (name == "PLTE") {
            if (length % 3 != 0 || length == 0 || length > c.palette.size()) {
                damaged(kKind, str("its palette of ", length, " bytes is not 1 to 256 colors"));
            }
            std::memcpy(c.palette.data(), data, length);
            c.paletteEntries = length / 3;
        } else if (name == "tRNS") {
            c.hasTransparency = true;
            if (c.header.colorType == kPalette) {
                c.paletteAlpha.fill(0xFF);
                std::memcpy(c.paletteAlpha.data(), data, std::min<size_t>(length, 256));
            } else if ((c.header.colorType == kGray && length == 2) || (c.header.colorType == kRgb && length == 6)) {
                for (size_t i = 0; i < length / 2; ++i) c.transparentColor[i] = static_cast<uint16_t>(be32(data + 2 * i) >> 16);
            } else {
                damaged(kKind, "its tRNS chunk does not match its color type");
            }
        } else if (name == "sBIT") {
            // Alpha does not decide the depth; the color channels do.
            const size_t colorChannels = (c.header.colorType & kRgb) != 0 ? 3 : 1;
            for (size_t i = 0; i < std::min(length, colorChannels); ++i)
                c.significantBits = std::max(c.significantBits, data[i]);
        } else if (name == "IDAT") {
            c.data.emplace_back(data, length);
            c.dataBytes += length;
        } else if (name == "IEND") {
            seenEnd = true;
        } else if ((type[0] & 0x20) == 0) {
            unsupportedVariant(kKind, str("the critical chunk '", name, "'"));
        }
        at += 12 + length;
    }
    if (c.data.empty()) damaged(kKind, "it has no image data");
    if (c.header.colorType == kPalette && c.paletteEntries == 0) damaged(kKind, "its palette is missing");
    return c;
}

// The natural pixel format of the file (see orx_tarn_lux.h).
struct Target {
    TARN_LUX_PixelFormatName format;
    unsigned bits;        // significant bits of the image's samples
    unsigned shift = 0;   // 16-bit samples: how far to shift them down
};

// `fitsTwelveBits`: whether every 16-bit sample is below 4096.
Target chooseTarget(const Contents& c, bool fitsTwelveBits) {
    const Header& h = c.header;
    const bool alpha = h.colorType == kGrayAlpha || h.colorType == kRgbAlpha || c.hasTransparency;
    const bool color = h.colorType == kRgb || h.colorType == kRgbAlpha || h.colorType == kPalette || alpha;
    Target t{TARN_LUX_PixelFormatName_Mono8, 8, 0};
    if (h.depth == 16) {
        if (c.significantBits >= 1 && c.significantBits <= 12) {
            t.bits = c.significantBits <= 10 ? 10 : 12;
            t.shift = 16 - t.bits;
        } else {
            // No depth given: camera data saved by other tools keeps its
            // values; anything using more than 12 bits loses its lowest four.
            t.bits = 12;
            t.shift = fitsTwelveBits ? 0 : 4;
        }
    }
    const bool wide = h.depth == 16;
    if (!color) {
        t.format = !wide ? TARN_LUX_PixelFormatName_Mono8
                         : (t.bits == 10 ? TARN_LUX_PixelFormatName_Mono10 : TARN_LUX_PixelFormatName_Mono12);
    } else if (!alpha) {
        t.format = !wide ? TARN_LUX_PixelFormatName_RGB8
                         : (t.bits == 10 ? TARN_LUX_PixelFormatName_RGB10 : TARN_LUX_PixelFormatName_RGB12);
    } else {
        t.format = !wide ? TARN_LUX_PixelFormatName_RGBa8
                         : (t.bits == 10 ? TARN_LUX_PixelFormatName_RGBa10 : TARN_LUX_PixelFormatName_RGBa12);
    }
    return t;
}

// Turns unfiltered rows into pixels of the target format.
class RowDecoder {
public:
    RowDecoder(const Contents& c, const Target& t) : c_(c), h_(c.header), t_(t), out_(formatInfo(t.format)) {}

    size_t outPixelBytes() const { return out_.bytesPerPixel(); }

    // Gray, RGB and RGBA files of 8 bits: the file's bytes are the pixels.
    static bool isDirect(const Contents& c) {
        const uint8_t type = c.header.colorType;
        return c.header.depth == 8 && !c.hasTransparency && type != kPalette && type != kGrayAlpha;
    }

    void decode(const uint8_t* raw, size_t width, uint8_t* out) const {
        const size_t channels = out_.channels;
        if (isDirect(c_)) {
            std::memcpy(out, raw, width * channels);
            return;
        }
        for (size_t x = 0; x < width; ++x) {
            uint32_t v[4];
            pixel(raw, x, v);
            for (size_t ch = 0; ch < channels; ++ch) {
                if (out_.storageBitsPerChannel == 8) {
                    out[x * channels + ch] = static_cast<uint8_t>(v[ch]);
                } else {
                    const auto word = static_cast<uint16_t>(v[ch]);
                    std::memcpy(out + 2 * (x * channels + ch), &word, 2);
                }
            }
        }
    }

private:
    uint32_t sample(const uint8_t* raw, size_t index) const {
        switch (h_.depth) {
            case 16: return uint32_t{raw[2 * index]} << 8 | raw[2 * index + 1];
            case 8: return raw[index];
            default: {
                const size_t bit = index * h_.depth;
                return (raw[bit / 8] >> (8 - h_.depth - bit % 8)) & ((1u << h_.depth) - 1);
            }
        }
    }

    // The pixel's channels in the target's order and depth.
    void pixel(const uint8_t* raw, size_t x, uint32_t* v) const {
        const size_t n = h_.channels;
        uint32_t s[4] = {0, 0, 0, 0};
        for (size_t i = 0; i < n; ++i) s[i] = sample(raw, x * n + i);
        const uint32_t maximum = (1u << t_.bits) - 1;
        const auto level = [&](uint32_t value) {
            if (h_.depth == 16) return std::min(value >> t_.shift, maximum);
            if (h_.depth < 8) return value * 255 / ((1u << h_.depth) - 1);
            return value;
        };
        switch (h_.colorType) {
            case kPalette: {
                const uint32_t index = s[0] < c_.paletteEntries ? s[0] : 0;
                for (size_t i = 0; i < 3; ++i) v[i] = c_.palette[3 * index + i];
                v[3] = c_.paletteAlpha[index];
                return;
            }
            case kGray:
                v[0] = v[1] = v[2] = level(s[0]);
                v[3] = s[0] == c_.transparentColor[0] ? 0 : maximum;
                return;
            case kGrayAlpha:
                v[0] = v[1] = v[2] = level(s[0]);
                v[3] = level(s[1]);
                return;
            case kRgb:
                for (size_t i = 0; i < 3; ++i) v[i] = level(s[i]);
                v[3] = s[0] == c_.transparentColor[0] && s[1] == c_.transparentColor[1] &&
                               s[2] == c_.transparentColor[2] ? 0 : maximum;
                return;
            default:
                for (size_t i = 0; i < 4; ++i) v[i] = level(s[i]);
        }
    }

    const Contents& c_;
    const Header& h_;
    Target t_;
    const PixelFormatInfo& out_;
};

// Bytes of a pass's rows, each with its filter byte; false when they do not
// fit size_t.
bool passBytes(const Header& h, const Pass& p, size_t* rowBytes, size_t* total) {
    const size_t width = passExtent(h.width, p.x0, p.dx);
    const size_t height = passExtent(h.height, p.y0, p.dy);
    *rowBytes = (width * h.bitsPerPixel + 7) / 8;
    *total = 0;
    return width == 0 || !__builtin_mul_overflow(height, 1 + *rowBytes, total);
}

}  // namespace

Image decodePng(const uint8_t* bytes, size_t size) {
    const Contents c = parseChunks(bytes, size);
    const Header& h = c.header;
    const std::vector<Pass> passes = h.interlaced ? std::vector<Pass>(kAdam7.begin(), kAdam7.end())
                                                  : std::vector<Pass>{kWhole};
    // Sizes of 31-bit dimensions times 64 bits per pixel fit 64-bit size_t;
    // the deflate bound keeps a lying header from taking memory.
    size_t rawBytes = 0;
    for (const Pass& p : passes) {
        size_t rowBytes = 0, total = 0;
        if (!passBytes(h, p, &rowBytes, &total) || __builtin_add_overflow(rawBytes, total, &rawBytes)) {
            rawBytes = SIZE_MAX;
        }
    }
    if (rawBytes > c.dataBytes * kMaxDeflateRatio + kDeflateSlack) {
        damaged(kKind, str("its header claims ", h.width, " x ", h.height, " pixels, more than its ", c.dataBytes,
                           " bytes of compressed data can hold"));
    }

    // One zlib stream over all IDAT chunks; a single chunk is used in place.
    std::vector<uint8_t> joined;
    const uint8_t* stream = c.data.front().first;
    if (c.data.size() > 1) {
        joined.reserve(c.dataBytes);
        for (const auto& [data, length] : c.data) joined.insert(joined.end(), data, data + length);
        stream = joined.data();
    }
    PixelMemory raw = allocatePixels(rawBytes, Fill::Anything);
    if (raw == nullptr) fail(TARN_LUX_RETURN_CODE_ERROR, "could not allocate ", rawBytes, " bytes to decode a PNG");
    std::unique_ptr<libdeflate_decompressor, Deleter> inflater(libdeflate_alloc_decompressor());
    if (inflater == nullptr) fail(TARN_LUX_RETURN_CODE_ERROR, "could not allocate a decompressor");
    size_t produced = 0;
    const libdeflate_result result =
        libdeflate_zlib_decompress(inflater.get(), stream, c.dataBytes, raw.get(), rawBytes, &produced);
    if (result != LIBDEFLATE_SUCCESS || produced != rawBytes) {
        damaged(kKind, result == LIBDEFLATE_SUCCESS ? str("its image data holds ", produced, " bytes instead of ",
                                                          rawBytes)
                                                    : std::string("its compressed image data is damaged"));
    }

    const size_t filterUnit = std::max<size_t>(1, h.bitsPerPixel / 8);
    const auto filterOf = [&](const uint8_t* row) {
        if (row[0] >= png::kFilterCount) damaged(kKind, str("a row uses the unknown filter ", unsigned(row[0])));
        return static_cast<Filter>(row[0]);
    };
    const size_t rowBytes = (size_t{h.width} * h.bitsPerPixel + 7) / 8;
    const std::vector<uint8_t> zeros(rowBytes, 0);

    // 8-bit gray, RGB and RGBA rows are the pixels themselves: unfiltered
    // straight into the image.
    if (!h.interlaced && RowDecoder::isDirect(c)) {
        Image image(chooseTarget(c, true).format, h.width, h.height, Fill::Anything);
        const uint8_t* previous = zeros.data();
        for (size_t y = 0; y < h.height; ++y) {
            const uint8_t* row = raw.get() + y * (1 + rowBytes);
            png::unfilterRow(filterOf(row), row + 1, image.row(y), previous, rowBytes, filterUnit);
            previous = image.row(y);
        }
        return image;
    }

    // Otherwise the filters are undone in place, pass by pass, and the
    // samples converted afterwards (16-bit files need all of them seen first).
    bool fitsTwelveBits = true;
    {
        uint8_t* row = raw.get();
        for (const Pass& p : passes) {
            size_t passRowBytes = 0, total = 0;
            passBytes(h, p, &passRowBytes, &total);
            if (total == 0) continue;
            const uint8_t* previous = zeros.data();
            for (size_t y = 0; y < total / (1 + passRowBytes); ++y, row += 1 + passRowBytes) {
                png::unfilterRow(filterOf(row), row + 1, row + 1, previous, passRowBytes, filterUnit);
                previous = row + 1;
                constexpr uint8_t kAboveTwelveBits = 0xF0;  // in the high byte of a big-endian sample
                for (size_t i = 0; h.depth == 16 && i < passRowBytes; i += 2)
                    fitsTwelveBits = fitsTwelveBits && (row[1 + i] & kAboveTwelveBits) == 0;
            }
        }
    }

    const Target target = chooseTarget(c, fitsTwelveBits);
    Image image(target.format, h.width, h.height, Fill::Anything);
    const RowDecoder decoder(c, target);
    if (!h.interlaced) {
        constexpr size_t kGrainRows = 16;
        parallelFor(h.height, kGrainRows, [&](size_t begin, size_t end) {
            for (size_t y = begin; y < end; ++y) decoder.decode(raw.get() + y * (1 + rowBytes) + 1, h.width, image.row(y));
        });
        return image;
    }
    const size_t pixelBytes = decoder.outPixelBytes();
    std::vector<uint8_t> passRow(size_t{h.width} * pixelBytes);
    const uint8_t* row = raw.get();
    for (const Pass& p : passes) {
        size_t passRowBytes = 0, total = 0;
        passBytes(h, p, &passRowBytes, &total);
        if (total == 0) continue;
        const size_t width = passExtent(h.width, p.x0, p.dx);
        for (size_t y = p.y0; y < h.height; y += p.dy, row += 1 + passRowBytes) {
            decoder.decode(row + 1, width, passRow.data());
            uint8_t* out = image.row(y);
            for (size_t i = 0; i < width; ++i)
                std::memcpy(out + (p.x0 + i * p.dx) * pixelBytes, passRow.data() + i * pixelBytes, pixelBytes);
        }
    }
    return image;
}

}  // namespace orx::files
