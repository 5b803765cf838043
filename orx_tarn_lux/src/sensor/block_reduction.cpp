#include "sensor/block_reduction.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "core/check.h"
#include "core/error.h"
#include "core/kernel_dispatch.h"
#include "core/parallel.h"
#include "geometry/box_kernels.h"
#include "sensor/site_layout.h"

namespace orx {
namespace {

constexpr size_t kChunkRows = 8;

const PixelFormatInfo* reductionFormat(TARN_LUX_PixelFormatName name) {
    const PixelFormatInfo* format = findPixelFormat(name);
    return format != nullptr && hasSiteLayout(*format) ? format : nullptr;
}

size_t reducedLength(size_t length, size_t period, size_t factor, Reduction reduction) {
    const size_t periods = length / period;
    const size_t kept =
        reduction == Reduction::Pick ? periods / factor + (periods % factor != 0 ? 1 : 0) : periods / factor;
    return kept * period;
}

// The source row that output row `y` starts from; the rows of one output row follow at a distance of one period.
size_t firstSourceRow(size_t y, size_t period, size_t factorY) { return (y / period) * period * factorY + y % period; }

// Scalar reference of binning: column sums over the block's rows, then sums over `factor` units of each sample.
void binRowScalar(const uint8_t* const* rows, const BoxBlock& box, uint32_t maxValue, uint8_t* target, size_t begin,
                  size_t end, std::vector<uint32_t>& columns) {
    const size_t first = (begin / box.channels) * box.factorX * box.channels;
    const size_t last = (end / box.channels + (end % box.channels != 0 ? 1 : 0)) * box.factorX * box.channels;
    columns.assign(last - first, 0);
    for (size_t r = 0; r < box.factorY; ++r)
        for (size_t i = first; i < last; ++i) columns[i - first] += loadSample(rows[r], i, box.sampleBytes);
    const uint32_t count = static_cast<uint32_t>(box.factorX * box.factorY);
    for (size_t e = begin; e < end; ++e) {
        const size_t unit = e / box.channels;
        const size_t start = unit * box.factorX * box.channels + e % box.channels - first;
        uint32_t sum = 0;
        for (size_t j = 0; j < box.factorX; ++j) sum += columns[start + j * box.channels];
        const uint32_t value = box.sum ? std::min(sum, maxValue) : (sum + count / 2) / count;
        storeSample(target, e, box.sampleBytes, value);
    }
}

void pickRowScalar(const uint8_t* source, size_t unitBytes, size_t factor, uint8_t* target, size_t begin, size_t end) {
    for (size_t b = begin; b < end; ++b) target[b] = source[(b / unitBytes) * factor * unitBytes + b % unitBytes];
}

void binImage(const Image& input, const SiteLayout& layout, BlockFactors factors, bool sum, Image& output) {
    const BoxBlock box{factors.x, factors.y, layout.unitSamples, layout.sampleBytes, sum};
    const size_t samples = output.width() / layout.period * layout.unitSamples;
    const size_t sourceSamples = input.width() / layout.period * layout.unitSamples;
    const bool fast = useFastKernels();
    parallelFor(output.height(), kChunkRows, [&](size_t begin, size_t end) {
        std::vector<const uint8_t*> rows(box.factorY);
        std::vector<uint32_t> columns;
        for (size_t y = begin; y < end; ++y) {
            const size_t source = firstSourceRow(y, layout.period, factors.y);
            for (size_t r = 0; r < box.factorY; ++r) rows[r] = input.row(source + r * layout.period);
            size_t done = 0;
            if (fast && box.sampleBytes == 1 && box.factorX == 2 && box.factorY == 2) {
                done = binHalfWide(rows.data(), box.channels, sum, sourceSamples, output.row(y), 0, samples);
                done = boxHalfFast(rows.data(), box, sourceSamples, output.row(y), done, samples);
            }
            if (done < samples) binRowScalar(rows.data(), box, layout.maxValue, output.row(y), done, samples, columns);
        }
    });
}

void pickImage(const Image& input, const SiteLayout& layout, BlockFactors factors, Image& output) {
    const size_t unitBytes = layout.unitSamples * layout.sampleBytes;
    const size_t bytes = output.width() / layout.period * unitBytes;
    const size_t sourceBytes = input.width() / layout.period * unitBytes;
    const bool fast = useFastKernels();
    parallelFor(output.height(), kChunkRows, [&](size_t begin, size_t end) {
        for (size_t y = begin; y < end; ++y) {
            const uint8_t* source = input.row(firstSourceRow(y, layout.period, factors.y));
            if (factors.x == 1) {
                std::memcpy(output.row(y), source, bytes);
                continue;
            }
            size_t done = 0;
            if (fast) {
                done = pickWide(source, sourceBytes, unitBytes, factors.x, output.row(y), 0, bytes);
                done = pickFast(source, sourceBytes, unitBytes, factors.x, output.row(y), done, bytes);
            }
            pickRowScalar(source, unitBytes, factors.x, output.row(y), done, bytes);
        }
    });
}

}  // namespace

void checkReductionFactor(uint8_t factor) {
    if (factor < kMinReductionFactor || factor > kMaxReductionFactor) {
        fail(TARN_LUX_RETURN_CODE_INVALID_ARGUMENT, "value isn't supported. The factor ", unsigned(factor),
             " is outside ", unsigned(kMinReductionFactor), " to ", unsigned(kMaxReductionFactor));
    }
}

bool isReductionFormat(TARN_LUX_PixelFormatName format) { return reductionFormat(format) != nullptr; }

void reducedSize(TARN_LUX_PixelFormatName name, size_t width, size_t height, BlockFactors factors, Reduction reduction,
                 size_t& outWidth, size_t& outHeight) {
    const PixelFormatInfo* format = reductionFormat(name);
    if (format == nullptr) {
        fail(TARN_LUX_RETURN_CODE_INVALID_ARGUMENT, "pixelFormat isn't supported. ", describeFormat(name),
             " is not an unpacked mono, Bayer or RGB family format");
    }
    const size_t period = siteLayout(*format).period;
    const size_t w = reducedLength(width, period, factors.x, reduction);
    const size_t h = reducedLength(height, period, factors.y, reduction);
    if (w == 0 || h == 0) {
        fail(TARN_LUX_RETURN_CODE_INVALID_ARGUMENT, "the image is too small. ", width, " x ", height, " of ",
             format->text, " reduced by ", factors.x, " x ", factors.y, " leaves no pixel");
    }
    outWidth = w;
    outHeight = h;
}

Image reduceBlocks(const Image& input, BlockFactors factors, Reduction reduction, const char* operation) {
    if (!isReductionFormat(input.format())) check::unsupportedFormat(input.format(), operation);
    size_t width = 0;
    size_t height = 0;
    reducedSize(input.format(), input.width(), input.height(), factors, reduction, width, height);
    Image output(input.format(), width, height, Fill::Anything);
    output.setTimestamp(input.timestamp());
    const SiteLayout layout = siteLayout(input.formatInfo());
    if (reduction == Reduction::Pick)
        pickImage(input, layout, factors, output);
    else
        binImage(input, layout, factors, reduction == Reduction::Sum, output);
    return output;
}

}  // namespace orx
