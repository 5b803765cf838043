#include "geometry/transform.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "core/bayer.h"
#include "core/check.h"
#include "core/error.h"
#include "core/parallel.h"
#include "core/semiplanar.h"

namespace orx {
namespace {

const PixelFormatInfo& transformable(const Image& image, flip::GridMap map, const char* parameter) {
    const PixelFormatInfo& format = check::imageFormat(image.format(), parameter);
    if (format.isPacked()) {
        fail(TARN_LUX_RETURN_CODE_IMAGE_FORMAT_NOT_SUPPORTED, parameter, " has a packed pixel format (",
             describeFormat(format.name), "); convert it to an unpacked format first");
    }
    if (format.isYUV()) {
        if (map.flipX && image.width() % semiplanar::kBlock != 0) {
            fail(TARN_LUX_RETURN_CODE_INVALID_ARGUMENT, "a ", format.text, " image shares chroma between 2 x 2 ",
                 "pixels, so reversing its columns needs an even width, not ", image.width());
        }
        if (map.flipY && image.height() % semiplanar::kBlock != 0) {
            fail(TARN_LUX_RETURN_CODE_INVALID_ARGUMENT, "a ", format.text, " image shares chroma between 2 x 2 ",
                 "pixels, so reversing its rows needs an even height, not ", image.height());
        }
    }
    return format;
}

// The Bayer pattern at the new origin (see orx::bayer for tile indices).
TARN_LUX_PixelFormatName transformedFormat(const PixelFormatInfo& format, flip::GridMap map, size_t width,
                                           size_t height) {
    if (!format.isBayered()) return format.name;
    const unsigned tile = bayer::tileOf(format.bayerPattern);
    const unsigned columnShift = map.flipX && width % 2 == 0 ? 1u : 0u;
    const unsigned rowShift = map.flipY && height % 2 == 0 ? 1u : 0u;
    unsigned column = (tile & 1u) ^ columnShift;
    unsigned row = (tile >> 1) ^ rowShift;
    // The RG tile is symmetric, so transposing swaps the two parities.
    if (map.transpose) std::swap(column, row);
    return bayer::withPattern(format, bayer::patternOf(column | row << 1));
}

// The planes of an image: one for whole-byte pixels, the Y plane and the
// plane of chroma pairs for the 4:2:0 formats.
size_t planesOf(const Image& image, flip::Plane (&planes)[2]) {
    uint8_t* data = const_cast<uint8_t*>(image.data());
    const PixelFormatInfo& format = image.formatInfo();
    if (!format.isYUV()) {
        planes[0] = {data, image.width(), image.height(), format.bytesPerPixel()};
        return 1;
    }
    planes[0] = {data, image.width(), image.height(), 1};
    planes[1] = {data + image.width() * image.height(), semiplanar::chromaRowBytes(image.width()) / semiplanar::kPairBytes,
                 semiplanar::chromaRows(image.height()), semiplanar::kPairBytes};
    return 2;
}

void mapImage(const Image& in, Image& out, flip::GridMap map) {
    flip::Plane from[2];
    flip::Plane to[2];
    const size_t planes = planesOf(in, from);
    planesOf(out, to);
    for (size_t p = 0; p < planes; ++p) {
        parallelFor(to[p].height, map.transpose ? flip::kBandRows : 1,
                    [&](size_t begin, size_t end) { flip::mapRows(from[p], to[p], map, begin, end); });
    }
}

}  // namespace

flip::GridMap mirrorMap(bool upDown, bool leftRight) { return {false, leftRight, upDown}; }

flip::GridMap rotationMap(TARN_LUX_RotationAngle angle) {
    switch (angle) {
        case TARN_LUX_RotationAngle_Degree90Counterclockwise: return {true, true, false};
        case TARN_LUX_RotationAngle_Degree180: return {false, true, true};
        case TARN_LUX_RotationAngle_Degree90Clockwise: return {true, false, true};
        default:
            fail(TARN_LUX_RETURN_CODE_INVALID_ARGUMENT, "rotationAngle ", angle,
                 " isn't supported; use 90 (counterclockwise), 180 or 270 (clockwise)");
    }
}

Image transformImage(const Image& image, flip::GridMap map, const char* parameter) {
    const PixelFormatInfo& format = transformable(image, map, parameter);
    const size_t width = map.transpose ? image.height() : image.width();
    const size_t height = map.transpose ? image.width() : image.height();
    // Every byte is written: the maps are one-to-one on pixels and chroma pairs.
    Image result(transformedFormat(format, map, image.width(), image.height()), width, height, Fill::Anything);
    mapImage(image, result, map);
    result.setTimestamp(image.timestamp());
    return result;
}

void transformInPlace(Image& image, flip::GridMap map, const char* parameter) {
    const PixelFormatInfo& format = transformable(image, map, parameter);
    const TARN_LUX_PixelFormatName name = transformedFormat(format, map, image.width(), image.height());
    if (map.transpose) {
        Image turned = transformImage(image, map, parameter);
        uint8_t* target = image.data();
        const uint8_t* source = turned.data();
        const size_t bytes = image.byteCount();
        constexpr size_t kCopyGrain = size_t(1) << 16;
        parallelFor((bytes + kCopyGrain - 1) / kCopyGrain, 1, [&](size_t begin, size_t end) {
            const size_t from = begin * kCopyGrain;
            std::memcpy(target + from, source + from, std::min(bytes, end * kCopyGrain) - from);
        });
        image.reshape(name, turned.width(), turned.height());
        return;
    }
    flip::Plane planes[2];
    const size_t count = planesOf(image, planes);
    for (size_t p = 0; p < count; ++p) {
        parallelFor((planes[p].height + 1) / 2, 1,
                    [&](size_t begin, size_t end) { flip::mirrorPairs(planes[p], map, begin, end); });
    }
    image.reshape(name, image.width(), image.height());
}

}  // namespace orx
