#include "sensor/edge_enhancement.h"

#include <algorithm>
#include <vector>

#include "core/check.h"
#include "core/error.h"
#include "core/kernel_dispatch.h"
#include "core/parallel.h"
#include "sensor/site_layout.h"

namespace orx {
namespace {

constexpr size_t kChunkRows = 8;
constexpr uint32_t kMaxSignificantBits = 12;  // 16 * max of the blur sum must fit 16 bits
constexpr size_t kAlphaChannel = 3;

int32_t enhanced(uint32_t v, uint32_t left, uint32_t centre, uint32_t right, uint32_t factor, uint32_t maxValue) {
    const int32_t difference = int32_t(16 * v) - int32_t(left + 2 * centre + right);
    const int32_t value = int32_t(v) + ((int32_t(factor) * difference + 32) >> 6);
    return std::clamp<int32_t>(value, 0, int32_t(maxValue));
}

// a + 2b + c of the rows above, at and below, one loop per sample width so that the compiler vectorises it.
template <typename Sample>
void verticalSums(const Sample* above, const Sample* centre, const Sample* below, size_t samples, uint16_t* column) {
    for (size_t i = 0; i < samples; ++i) column[i] = uint16_t(above[i] + 2 * centre[i] + below[i]);
}

void edgeRowScalar(const uint16_t* column, const uint8_t* centre, const SiteLayout& layout, size_t channels,
                   uint32_t factor, uint8_t* target, size_t begin, size_t end, size_t samples) {
    for (size_t e = begin; e < end; ++e) {
        const uint32_t v = loadSample(centre, e, layout.sampleBytes);
        const bool alpha = channels == 4 && e % channels == kAlphaChannel;
        const uint32_t left = column[e >= channels ? e - channels : e];
        const uint32_t right = column[e + channels < samples ? e + channels : e];
        storeSample(target, e, layout.sampleBytes,
                    alpha ? v : uint32_t(enhanced(v, left, column[e], right, factor, layout.maxValue)));
    }
}

}  // namespace

bool isEdgeEnhancementFormat(TARN_LUX_PixelFormatName name) {
    const PixelFormatInfo* format = findPixelFormat(name);
    return format != nullptr && hasSiteLayout(*format) && !format->isBayered() &&
           format->significantBitsPerChannel <= kMaxSignificantBits;
}

void checkEdgeEnhancementFormat(TARN_LUX_PixelFormatName name) {
    if (!isEdgeEnhancementFormat(name)) {
        fail(TARN_LUX_RETURN_CODE_IMAGE_FORMAT_NOT_SUPPORTED,
             "pixel format isn't supported. Edge enhancement takes "
             "mono and RGB family formats of 8 to 12 bits, not ",
             describeFormat(name));
    }
}

void checkEdgeFactor(uint32_t factor) {
    if (factor < kEdgeFactorMin || factor > kEdgeFactorMax) {
        fail(TARN_LUX_RETURN_CODE_INVALID_ARGUMENT, "value isn't supported. The edge enhancement factor ", factor,
             " is outside ", kEdgeFactorMin, " to ", kEdgeFactorMax);
    }
}

void enhanceEdges(const Image& source, Image& target, uint32_t factor, const char*) {
    checkEdgeEnhancementFormat(source.format());
    const SiteLayout layout = siteLayout(source.formatInfo());
    const size_t channels = layout.unitSamples;
    const size_t samples = source.width() * channels;
    const size_t last = source.height() - 1;
    const bool fast = useFastKernels();
    parallelFor(source.height(), kChunkRows, [&](size_t begin, size_t end) {
        std::vector<uint16_t> column(samples);
        for (size_t y = begin; y < end; ++y) {
            const uint8_t* above = source.row(y > 0 ? y - 1 : 0);
            const uint8_t* centre = source.row(y);
            const uint8_t* below = source.row(y < last ? y + 1 : last);
            if (layout.sampleBytes == 1)
                verticalSums(above, centre, below, samples, column.data());
            else
                verticalSums(reinterpret_cast<const uint16_t*>(above), reinterpret_cast<const uint16_t*>(centre),
                             reinterpret_cast<const uint16_t*>(below), samples, column.data());
            // The first and last pixel need the repeated border; the fast kernel takes what lies between.
            const size_t inner = samples > channels ? samples - channels : channels;
            size_t done = channels;
            edgeRowScalar(column.data(), centre, layout, channels, factor, target.row(y), 0, std::min(done, samples),
                          samples);
            if (fast && samples > 2 * channels)
                done = edgeRowFast(column.data(), centre, layout.sampleBytes, channels, factor, layout.maxValue,
                                   target.row(y), done, inner);
            edgeRowScalar(column.data(), centre, layout, channels, factor, target.row(y), std::min(done, samples),
                          samples, samples);
        }
    });
}

}  // namespace orx
