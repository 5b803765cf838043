#include "analyse/measurements.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <utility>

#include "core/check.h"
#include "core/error.h"
#include "core/parallel.h"
#include "core/semiplanar.h"

namespace orx {
namespace {

constexpr size_t kMaxChannels = 4;
constexpr size_t kByteValues = 256;
// Equal neighbouring values would make every count wait for the previous
// one; four copies of each table, taken in turn, let the counts overlap.
constexpr size_t kCopies = 4;
// 32-bit counters are folded into 64-bit totals before they can overflow;
// a multiple of every period, so that runs split on whole pixels.
constexpr size_t kFoldEvery = size_t(12) << 26;

const PixelFormatInfo& measurable(const Image& image) {
    const PixelFormatInfo& format = check::imageFormat(image.format(), "image");
    if (format.isPacked()) {
        fail(TARN_LUX_RETURN_CODE_IMAGE_FORMAT_NOT_SUPPORTED, "image has a packed pixel format (",
             describeFormat(format.name), "); convert it to an unpacked format first");
    }
    return format;
}

inline uint32_t sampleAt(const uint8_t* p, size_t index, bool words, uint32_t maximum) {
    if (!words) return p[index];
    uint16_t value;
    std::memcpy(&value, p + 2 * index, 2);
    return std::min<uint32_t>(value, maximum);
}

// Byte counts of the runs of one part of an image, in 32-bit counters that
// are folded into 64-bit totals before they can overflow.
class ByteCounts {
public:
    explicit ByteCounts(size_t period)
        : period_(period), copies_(kCopies * period * kByteValues, 0), totals_(period * kByteValues, 0) {}

    // A run that starts on channel 0.
    void add(const uint8_t* p, size_t count) {
        for (size_t start = 0; start < count;) {
            if (pending_ == kFoldEvery) fold();
            const size_t part = std::min(count - start, kFoldEvery - pending_);
            switch (period_) {
                case 1: addRun<1>(p + start, part); break;
                case 2: addRun<2>(p + start, part); break;
                case 3: addRun<3>(p + start, part); break;
                default: addRun<4>(p + start, part); break;
            }
            pending_ += part;
            start += part;
        }
    }

    // Adds the counts of channel c to tables[c].
    void addTo(uint64_t* const* tables) {
        fold();
        for (size_t c = 0; c < period_; ++c)
            for (size_t v = 0; v < kByteValues; ++v) tables[c][v] += totals_[c * kByteValues + v];
    }

private:
    uint32_t* copy(size_t k, size_t channel) { return copies_.data() + (k * period_ + channel) * kByteValues; }

    template <size_t Period>
    void addRun(const uint8_t* q, size_t count) {
        uint32_t* table[kCopies][Period];
        for (size_t k = 0; k < kCopies; ++k)
            for (size_t c = 0; c < Period; ++c) table[k][c] = copy(k, c);
        const size_t groups = count / Period;
        size_t g = 0;
        for (; g + kCopies <= groups; g += kCopies)
            for (size_t k = 0; k < kCopies; ++k)
                for (size_t c = 0; c < Period; ++c) ++table[k][c][q[(g + k) * Period + c]];
        for (size_t i = g * Period; i < count; ++i) ++table[0][i % Period][q[i]];
    }

    void fold() {
        for (size_t c = 0; c < period_; ++c)
            for (size_t k = 0; k < kCopies; ++k) {
                uint32_t* counts = copy(k, c);
                for (size_t v = 0; v < kByteValues; ++v) totals_[c * kByteValues + v] += std::exchange(counts[v], 0);
            }
        pending_ = 0;
    }

    size_t period_;
    size_t pending_ = 0;
    std::vector<uint32_t> copies_;
    std::vector<uint64_t> totals_;
};

// Counts rows [begin, end) of the whole-byte or Y plane into
// tables[channel * bins + value]; the chroma of the 4:2:0 formats is counted
// apart.
void countRows(const Image& image, size_t begin, size_t end, uint64_t* tables) {
    const PixelFormatInfo& format = image.formatInfo();
    const size_t bins = size_t(format.maximumValuePerChannel()) + 1;
    const size_t width = image.width();
    const size_t period = format.isBayered() ? 2 : format.isYUV() ? 1 : format.channels;
    // Bayer rows alternate between the sites of the tile's two rows.
    const size_t rowKinds = format.isBayered() ? 2 : 1;
    const auto runOf = [&](size_t y, size_t rows) {
        return std::make_pair(image.row(y), rows * width * (format.isYUV() || format.isBayered() ? 1 : period));
    };
    if (format.storageBitsPerChannel == 16) {
        const uint32_t maximum = format.maximumValuePerChannel();
        for (size_t y = begin; y < end; y += (rowKinds == 2 ? 1 : end - begin)) {
            const auto [p, count] = runOf(y, rowKinds == 2 ? 1 : end - begin);
            const size_t first = rowKinds == 2 ? (y % 2) * 2 : 0;
            for (size_t i = 0; i < count; ++i) ++tables[(first + i % period) * bins + sampleAt(p, i, true, maximum)];
        }
        return;
    }
    for (size_t kind = 0; kind < rowKinds; ++kind) {
        ByteCounts counts(period);
        if (rowKinds == 1) {
            const auto [p, count] = runOf(begin, end - begin);
            counts.add(p, count);
        } else {
            for (size_t y = begin + (begin % 2 != kind ? 1 : 0); y < end; y += 2) counts.add(image.row(y), width);
        }
        uint64_t* channelTables[kMaxChannels];
        for (size_t k = 0; k < period; ++k) channelTables[k] = tables + (kind * 2 + k) * bins;
        counts.addTo(channelTables);
    }
}

}  // namespace

void countBytes(const uint8_t* samples, size_t count, size_t period, uint64_t* const* tables) {
    ByteCounts counts(period);
    counts.add(samples, count);
    counts.addTo(tables);
}

Histogram histogramOf(const Image& image) {
    const PixelFormatInfo& format = measurable(image);
    const size_t channels = format.isBayered() ? 4 : format.channels;
    const size_t bins = size_t(format.maximumValuePerChannel()) + 1;
    std::vector<uint64_t> total(channels * bins, 0);
    std::mutex merging;
    // Each part counts on its own; integer sums make the merge order irrelevant.
    parallelFor(image.height(), 2, [&](size_t begin, size_t end) {
        std::vector<uint64_t> local(channels * bins, 0);
        countRows(image, begin, end, local.data());
        std::lock_guard<std::mutex> lock(merging);
        for (size_t i = 0; i < total.size(); ++i) total[i] += local[i];
    });
    if (format.isYUV()) {
        const uint8_t* chroma = image.data() + image.width() * image.height();
        const size_t pairs = semiplanar::chromaRowBytes(image.width()) / semiplanar::kPairBytes *
                             semiplanar::chromaRows(image.height());
        uint64_t* tables[2] = {total.data() + bins, total.data() + 2 * bins};
        countBytes(chroma, pairs * semiplanar::kPairBytes, 2, tables);
    }
    Histogram histogram{format.name, std::vector<HistogramChannel>(channels)};
    for (size_t c = 0; c < channels; ++c) {
        HistogramChannel& channel = histogram.channels[c];
        channel.bins.assign(total.begin() + c * bins, total.begin() + (c + 1) * bins);
        for (size_t v = 0; v < bins; ++v) {
            channel.pixelCount += channel.bins[v];
            channel.pixelSum += channel.bins[v] * v;
        }
    }
    return histogram;
}

PixelLine pixelLineOf(const Image& image, TARN_LUX_Orientation orientation, size_t offset) {
    if (orientation != TARN_LUX_Orientation_Horizontal && orientation != TARN_LUX_Orientation_Vertical) {
        fail(TARN_LUX_RETURN_CODE_INVALID_ARGUMENT, "orientation ", orientation,
             " is neither horizontal (0) nor vertical (1)");
    }
    const PixelFormatInfo& format = measurable(image);
    const bool horizontal = orientation == TARN_LUX_Orientation_Horizontal;
    check::index(offset, horizontal ? image.height() : image.width(), horizontal ? "row" : "column");
    const size_t length = horizontal ? image.width() : image.height();
    const size_t channels = format.isBayered() ? 1 : format.channels;
    const bool words = format.storageBitsPerChannel == 16;
    PixelLine line{format.name, orientation, offset, std::vector<std::vector<uint32_t>>(channels)};
    for (auto& values : line.channels) values.resize(length);
    for (size_t i = 0; i < length; ++i) {
        const size_t x = horizontal ? i : offset;
        const size_t y = horizontal ? offset : i;
        if (format.isYUV()) {
            const uint8_t* pair = semiplanar::chromaRowFor(image.data(), image.width(), image.height(), y) +
                                  (x / semiplanar::kBlock) * semiplanar::kPairBytes;
            line.channels[0][i] = image.row(y)[x];
            line.channels[1][i] = pair[0];
            line.channels[2][i] = pair[1];
            continue;
        }
        for (size_t c = 0; c < channels; ++c)
            line.channels[c][i] = sampleAt(image.row(y), x * channels + c, words, UINT16_MAX);
    }
    return line;
}

}  // namespace orx
