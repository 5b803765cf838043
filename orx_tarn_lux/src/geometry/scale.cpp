#include "geometry/scale.h"

#include <algorithm>
#include <limits>

#include "core/check.h"
#include "core/error.h"
#include "core/separate_memory.h"
#include "geometry/resample.h"

namespace orx {
namespace {

constexpr size_t kBitsPerByte = 8;
// A Bayer row holds two colors; a color plane takes every other row.
constexpr size_t kMosaicPeriod = 2;
constexpr size_t kMaxRowBytes = std::numeric_limits<int32_t>::max();

Interpolation checkedAlgorithm(TARN_LUX_InterpolationAlgorithm algorithm) {
    if (!isKnownInterpolation(static_cast<uint32_t>(algorithm))) {
        fail(TARN_LUX_RETURN_CODE_INVALID_ARGUMENT, "interpolation algorithm ", algorithm,
             " is not one of 0 (nearest), 1 (linear), 2 (cubic), 3 (area), 4 (lanczos4), 5 (linear_exact) or "
             "6 (nearest_exact)");
    }
    return static_cast<Interpolation>(algorithm);
}

// Validates everything about a scaling before any memory is touched.
Interpolation checkScaling(const Image& image, size_t width, size_t height,
                           TARN_LUX_InterpolationAlgorithm algorithm) {
    const Interpolation checked = checkedAlgorithm(algorithm);
    const PixelFormatInfo& format = check::imageFormat(image.format(), "the image to scale");
    if (format.packing != Packing::None) check::unsupportedFormat(format.name, "scaling");
    check::imageSize(format, width, height);
    // Tap tables hold positions and byte offsets within a row as 32-bit numbers.
    const size_t pixelBytes = format.storageBitsPerPixel / kBitsPerByte;
    const size_t widest = std::max(image.width(), width);
    if (widest > kMaxRowBytes / pixelBytes || std::max(image.height(), height) > kMaxRowBytes) {
        fail(TARN_LUX_RETURN_CODE_OUT_OF_RANGE, "scaling handles rows of at most ", kMaxRowBytes,
             " bytes and as many rows, not ", image.width(), " x ", image.height(), " to ", width, " x ", height,
             " pixels of ", format.text);
    }
    if (format.isBayered()) {
        const bool even = image.width() % kMosaicPeriod == 0 && image.height() % kMosaicPeriod == 0 &&
                          width % kMosaicPeriod == 0 && height % kMosaicPeriod == 0;
        if (!even) {
            fail(TARN_LUX_RETURN_CODE_INVALID_ARGUMENT, "a ", format.text, " image scales per color plane, which "
                 "needs even sizes, but it is ", image.width(), " x ", image.height(), " and the target ", width,
                 " x ", height);
        }
    }
    return checked;
}

GridShape gridOf(const PixelFormatInfo& format, size_t width, size_t height) {
    GridShape shape;
    shape.width = width;
    shape.height = height;
    shape.channels = format.channels;
    shape.sampleBytes = format.storageBitsPerChannel / kBitsPerByte;
    shape.rowStride = width * shape.pixelBytes();
    shape.maxValue = format.maximumValuePerChannel();
    return shape;
}

// Even and odd rows of a mosaic, each seen as pixels of its two colors.
GridShape planeGrid(GridShape whole) {
    whole.width /= kMosaicPeriod;
    whole.height /= kMosaicPeriod;
    whole.channels *= kMosaicPeriod;
    whole.rowStride *= kMosaicPeriod;
    return whole;
}

void scalePixels(const Image& image, uint8_t* target, size_t width, size_t height, Interpolation algorithm) {
    const PixelFormatInfo& format = image.formatInfo();
    const GridShape in = gridOf(format, image.width(), image.height());
    const GridShape out = gridOf(format, width, height);
    if (!format.isBayered()) {
        resampleGrid(ConstGrid{image.data(), in}, Grid{target, out}, algorithm);
        return;
    }
    for (size_t parity = 0; parity < kMosaicPeriod; ++parity)
        resampleGrid(ConstGrid{image.data() + parity * in.rowStride, planeGrid(in)},
                     Grid{target + parity * out.rowStride, planeGrid(out)}, algorithm);
}

}  // namespace

Image scaleImage(const Image& image, size_t width, size_t height, TARN_LUX_InterpolationAlgorithm algorithm) {
    const Interpolation checked = checkScaling(image, width, height, algorithm);
    Image scaled(image.format(), width, height, Fill::Anything);
    scalePixels(image, scaled.data(), width, height, checked);
    scaled.setTimestamp(image.timestamp());
    return scaled;
}

void scaleImageInto(const Image& image, size_t width, size_t height, uint8_t* buffer, size_t bufferSize,
                    TARN_LUX_InterpolationAlgorithm algorithm) {
    const Interpolation checked = checkScaling(image, width, height, algorithm);
    check::buffer(buffer, bufferSize, image.formatInfo().imageByteCount(width, height), "buffer");
    check::separateMemory(image, buffer, bufferSize);
    scalePixels(image, buffer, width, height, checked);
}

}  // namespace orx
