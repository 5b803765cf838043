#include "geometry/crop.h"

#include <cstring>

#include "core/bayer.h"
#include "core/bit_stream.h"
#include "core/check.h"
#include "core/error.h"
#include "core/semiplanar.h"

namespace orx {
namespace {

TARN_LUX_PixelFormatName croppedFormat(const PixelFormatInfo& format, size_t x, size_t y) {
    if (!format.isBayered()) return format.name;
    const unsigned tile = bayer::tileOf(format.bayerPattern) ^ (x % 2 != 0 ? 1u : 0u) ^ (y % 2 != 0 ? 2u : 0u);
    return bayer::withPattern(format, bayer::patternOf(tile));
}

void checkRegion(const Image& image, size_t x, size_t y, size_t width, size_t height) {
    if (x > image.width() || width > image.width() - x || y > image.height() || height > image.height() - y) {
        fail(TARN_LUX_RETURN_CODE_OUT_OF_RANGE, "the region at x ", x, ", y ", y, " of ", width, " x ", height,
             " reaches outside the image of ", image.width(), " x ", image.height());
    }
}

void copyRows(const uint8_t* source, size_t sourceStride, uint8_t* target, size_t targetStride, size_t rowBytes,
              size_t rows) {
    for (size_t r = 0; r < rows; ++r) std::memcpy(target + r * targetStride, source + r * sourceStride, rowBytes);
}

void cropBitStream(const Image& image, size_t x, size_t y, Image& cropped) {
    const size_t bits = image.formatInfo().storageBitsPerPixel;
    BitWriter writer(cropped.data());
    for (size_t r = 0; r < cropped.height(); ++r) {
        const size_t first = ((y + r) * image.width() + x) * bits;
        for (size_t i = 0; i < cropped.width(); ++i) writer.put(readBits(image.data(), first + i * bits, bits), bits);
    }
    writer.flush();
}

void cropSemiplanar(const Image& image, size_t x, size_t y, Image& cropped) {
    copyRows(image.row(y) + x, image.width(), cropped.data(), cropped.width(), cropped.width(), cropped.height());
    const size_t targetStride = semiplanar::chromaRowBytes(cropped.width());
    const uint8_t* chroma = semiplanar::chromaRowFor(image.data(), image.width(), image.height(), y) +
                            (x / semiplanar::kBlock) * semiplanar::kPairBytes;
    copyRows(chroma, semiplanar::chromaRowBytes(image.width()), cropped.data() + cropped.width() * cropped.height(),
             targetStride, targetStride, semiplanar::chromaRows(cropped.height()));
}

}  // namespace

Image cropImage(const Image& image, size_t x, size_t y, size_t width, size_t height) {
    const PixelFormatInfo& format = check::imageFormat(image.format(), "the image to crop");
    check::imageSize(format, width, height);
    checkRegion(image, x, y, width, height);
    const bool wholeBytes = format.bytesPerPixel() > 0;
    if (!wholeBytes && format.packing != Packing::BitStream && !format.isYUV())
        check::unsupportedFormat(format.name, "cropping");
    if (format.isYUV() && (x % semiplanar::kBlock != 0 || y % semiplanar::kBlock != 0)) {
        fail(TARN_LUX_RETURN_CODE_INVALID_ARGUMENT, "a ", format.text, " image shares chroma between 2 x 2 pixels, "
             "so a crop must start at an even position, not at x ", x, ", y ", y);
    }
    // Every byte is written: rows, chroma pairs, or a bit stream up to its last partial byte.
    Image cropped(croppedFormat(format, x, y), width, height, Fill::Anything);
    if (wholeBytes)
        copyRows(image.row(y) + x * format.bytesPerPixel(), image.rowBytes(), cropped.data(), cropped.rowBytes(),
                 cropped.rowBytes(), height);
    else if (format.isYUV())
        cropSemiplanar(image, x, y, cropped);
    else
        cropBitStream(image, x, y, cropped);
    cropped.setTimestamp(image.timestamp());
    return cropped;
}

}  // namespace orx
