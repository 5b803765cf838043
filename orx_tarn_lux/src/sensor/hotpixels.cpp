#include "sensor/hotpixels.h"

#include <algorithm>
#include <cmath>

#include "core/check.h"
#include "core/error.h"
#include "core/kernel_dispatch.h"
#include "core/parallel.h"
#include "sensor/site_layout.h"

namespace orx {
namespace {

constexpr size_t kChunkRows = 16;
constexpr size_t kNoiseRowStep = 16;   // rows that feed the noise estimate: enough samples, a sixteenth of the work
constexpr double kNoiseFloor = 1.0;    // DN; keeps noise-free (synthetic) images from flagging every bump
constexpr size_t kMinimumPeriods = 3;  // a sample with neighbours on both sides, in x and in y
// |2v - l - r| of Gaussian noise: sigma * sqrt(6); its median is 0.6745 of that.
const double kMedianToSigma = 1.0 / (0.674489750196 * std::sqrt(6.0));
constexpr double kSigmaMultiple[] = {24, 16, 10, 7, 5};  // levels 1 to 5

struct Mosaic {
    Mosaic(const Image& source, SiteLayout siteLayout)
        : image(source), layout(siteLayout), data(source.data()), stride(source.rowBytes()) {}

    uint32_t at(size_t x, size_t y) const { return loadSample(data + y * stride, x, layout.sampleBytes); }

    const Image& image;
    SiteLayout layout;
    const uint8_t* data;
    size_t stride;
};

SiteLayout checkedLayout(const Image& image, const char* operation) {
    const PixelFormatInfo& format = image.formatInfo();
    const bool monoOrBayer = format.order == ChannelOrder::Mono || format.order == ChannelOrder::Bayer;
    if (!monoOrBayer || !hasSiteLayout(format)) check::unsupportedFormat(format.name, operation);
    const SiteLayout layout = siteLayout(format);
    const size_t minimum = kMinimumPeriods * layout.period;
    if (image.width() < minimum || image.height() < minimum) {
        fail(TARN_LUX_RETURN_CODE_OUT_OF_RANGE, "the image of ", image.width(), " x ", image.height(), " ", format.text,
             " is too small for hot-pixel processing, which needs at least ", minimum, " x ", minimum);
    }
    return layout;
}

double estimateNoise(const Mosaic& m) {
    const size_t p = m.layout.period;
    std::vector<uint64_t> histogram(size_t{2} * m.layout.maxValue + 1, 0);
    uint64_t count = 0;
    for (size_t y = 0; y < m.image.height(); y += kNoiseRowStep) {
        for (size_t x = p; x + p < m.image.width(); ++x) {
            const int64_t d = 2 * int64_t(m.at(x, y)) - m.at(x - p, y) - m.at(x + p, y);
            ++histogram[size_t(std::min<int64_t>(std::abs(d), int64_t(histogram.size()) - 1))];
            ++count;
        }
    }
    uint64_t seen = 0;
    size_t median = 0;
    while (median < histogram.size() && 2 * (seen + histogram[median]) <= count) seen += histogram[median++];
    return std::max(kNoiseFloor, double(median) * kMedianToSigma);
}

uint32_t thresholdFor(const Mosaic& m, HotpixelThreshold threshold) {
    const double value = estimateNoise(m) * kSigmaMultiple[threshold.level - 1] * threshold.gainFactorPercent / 100.0;
    return uint32_t(std::min(std::ceil(value), double(m.layout.maxValue)));
}

// Calls visit(value) for each same-colour neighbour of (x, y) inside the image.
template <typename Visit>
void forNeighbours(const Mosaic& m, size_t x, size_t y, Visit visit) {
    const size_t p = m.layout.period;
    for (int dy = -1; dy <= 1; ++dy) {
        if ((dy < 0 && y < p) || (dy > 0 && y + p >= m.image.height())) continue;
        for (int dx = -1; dx <= 1; ++dx) {
            if ((dx == 0 && dy == 0) || (dx < 0 && x < p) || (dx > 0 && x + p >= m.image.width())) continue;
            visit(x + dx * std::ptrdiff_t(p), y + dy * std::ptrdiff_t(p));
        }
    }
}

bool isHot(const Mosaic& m, size_t x, size_t y, uint32_t threshold) {
    uint32_t largest = 0;
    uint32_t second = 0;
    forNeighbours(m, x, y, [&](size_t nx, size_t ny) {
        const uint32_t v = m.at(nx, ny);
        second = std::max(second, std::min(largest, v));
        largest = std::max(largest, v);
    });
    return m.at(x, y) > second + threshold;
}

void detectRows(const Mosaic& m, uint32_t threshold, size_t begin, size_t end, std::vector<TARN_LUX_Point2D>& out) {
    const size_t p = m.layout.period;
    const size_t width = m.image.width();
    const bool fast = useFastKernels();
    std::vector<size_t> hot;
    for (size_t y = begin; y < end; ++y) {
        hot.clear();
        size_t x = 0;
        const bool interior = y >= p && y + p < m.image.height();
        if (fast && interior) {
            const uint8_t* rows[] = {m.image.row(y - p), m.image.row(y), m.image.row(y + p)};
            x = detectRowFast(rows, m.layout.sampleBytes, p, threshold, p, width - p, hot);
            for (size_t l = 0; l < p; ++l)
                if (isHot(m, l, y, threshold)) out.push_back({l, y});
        }
        for (const size_t h : hot) out.push_back({h, y});
        for (; x < width; ++x)
            if (isHot(m, x, y, threshold)) out.push_back({x, y});
    }
}

uint32_t correctedValue(const Mosaic& m, size_t x, size_t y, const std::vector<uint64_t>& listed) {
    uint32_t all[8];
    uint32_t clean[8];
    size_t allCount = 0;
    size_t cleanCount = 0;
    forNeighbours(m, x, y, [&](size_t nx, size_t ny) {
        const uint32_t v = m.at(nx, ny);
        all[allCount++] = v;
        if (!std::binary_search(listed.begin(), listed.end(), uint64_t(ny) * m.image.width() + nx))
            clean[cleanCount++] = v;
    });
    uint32_t* values = cleanCount > 0 ? clean : all;
    const size_t n = cleanCount > 0 ? cleanCount : allCount;
    std::sort(values, values + n);
    return n % 2 != 0 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2] + 1) / 2;
}

}  // namespace

void checkHotpixelLevel(TARN_LUX_HotpixelSensitivityLevel level) {
    if (level < TARN_LUX_HotpixelSensitivityLevel_Level1 || level > TARN_LUX_HotpixelSensitivityLevel_Level5) {
        fail(TARN_LUX_RETURN_CODE_INVALID_ARGUMENT, "value isn't supported. The sensitivity level ", level,
             " is outside 1 to 5");
    }
}

void checkGainFactorPercent(uint32_t percent) {
    if (percent == 0) {
        fail(TARN_LUX_RETURN_CODE_INVALID_ARGUMENT,
             "value isn't supported. A gain factor of 0 percent would flag every "
             "sample brighter than its neighbours");
    }
}

std::vector<TARN_LUX_Point2D> detectHotpixels(const Image& image, HotpixelThreshold threshold, const char* operation) {
    const Mosaic m(image, checkedLayout(image, operation));
    const uint32_t limit = thresholdFor(m, threshold);
    // One list per chunk start, joined in row order: the result does not depend on how the rows were split among
    // threads.
    std::vector<std::vector<TARN_LUX_Point2D>> chunks(image.height() / kChunkRows + 1);
    parallelFor(image.height(), kChunkRows,
                [&](size_t begin, size_t end) { detectRows(m, limit, begin, end, chunks[begin / kChunkRows]); });
    std::vector<TARN_LUX_Point2D> found;
    for (const auto& chunk : chunks) found.insert(found.end(), chunk.begin(), chunk.end());
    return found;
}

void correctHotpixels(const Image& source, Image& target, const TARN_LUX_Point2D* positions, size_t count,
                      const char* operation) {
    const Mosaic m(source, checkedLayout(source, operation));
    if (count > 0 && positions == nullptr) check::nullPointer("positions");
    std::vector<uint64_t> listed(count);
    for (size_t i = 0; i < count; ++i) {
        const TARN_LUX_Point2D& at = positions[i];
        if (at.x >= source.width() || at.y >= source.height()) {
            fail(TARN_LUX_RETURN_CODE_OUT_OF_RANGE, "hot pixel ", i, " at x ", at.x, ", y ", at.y,
                 " lies outside the image of ", source.width(), " x ", source.height());
        }
        listed[i] = uint64_t(at.y) * source.width() + at.x;
    }
    std::sort(listed.begin(), listed.end());
    // All values first, from the uncorrected samples; then the writes, which may go to the source itself.
    std::vector<uint32_t> values(count);
    for (size_t i = 0; i < count; ++i) values[i] = correctedValue(m, positions[i].x, positions[i].y, listed);
    for (size_t i = 0; i < count; ++i)
        storeSample(target.row(positions[i].y), positions[i].x, m.layout.sampleBytes, values[i]);
}

}  // namespace orx
