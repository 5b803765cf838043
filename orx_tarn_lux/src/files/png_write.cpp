// PNG writing. Rows are filtered and deflated in bands of a fixed size, each
// band on whichever thread is free: every band is a run of deflate blocks
// ending byte-aligned (a sync flush), so the bands simply follow each other
// in one zlib stream. Band borders depend only on the image, never on the
// thread count, so the file's bytes do not either.
//
// Deflate is zlib's because only it offers the run-length strategy: on
// filtered camera images, where long-distance matches are rare, it makes
// files as small as its full search in a fraction of the time, and still
// squeezes flat areas. A band loses only the 32 KiB of history at its start.
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <vector>

#include "core/check.h"
#include "core/error.h"
#include "core/parallel.h"
#include "files/bytes.h"
#include "files/codecs.h"
#include "files/png_filters.h"
#include "files/png_format.h"
#include "files/rows.h"

namespace orx::files {
namespace {

using namespace png;

// Quality picks the effort (documented in orx_tarn_lux.h). Every band is
// first Average-filtered and run-length deflated; more effort tries more
// candidates per band and keeps the smallest, so a file never grows when
// the quality goes down.
struct Effort {
    int searchLevel;      // 0: no full-search candidate, else its zlib level
    bool adaptiveFilter;  // also try the per-row filter choice
};

Effort effortFor(uint32_t quality) {
    constexpr uint32_t kFastFrom = 80;
    constexpr uint32_t kMediumFrom = 40;
    if (quality >= kFastFrom) return {0, false};
    if (quality >= kMediumFrom) return {6, false};
    return {9, true};
}

constexpr int kRunLengthLevel = 1;

// About 1 MiB of filtered bytes per band: enough to amortise a compressor's
// set-up, small enough to keep two threads busy on a camera frame.
constexpr size_t kBandBytes = size_t{1} << 20;
constexpr int kWindowBits = 15;
constexpr int kMemoryLevel = 8;

struct Layout {
    uint8_t colorType;
    uint8_t depth;
    RowExport rows;
};

Layout layoutFor(const Image& image) {
    const PixelFormatInfo& f = image.formatInfo();
    const bool wide = f.storageBitsPerChannel == 16;
    const SampleDepth depth = wide ? SampleDepth::Word16BigEndian : SampleDepth::Byte;
    const auto bits = static_cast<uint8_t>(wide ? 16 : 8);
    if (!f.isPacked() && !f.isYUV()) {
        switch (f.order) {
            case ChannelOrder::Mono:
            case ChannelOrder::Bayer: return {kGray, bits, {&f, false, depth}};
            case ChannelOrder::RGB: return {kRgb, bits, {&f, false, depth}};
            case ChannelOrder::BGR: return {kRgb, bits, {&f, true, depth}};
            case ChannelOrder::RGBa: return {kRgbAlpha, bits, {&f, false, depth}};
            case ChannelOrder::BGRa: return {kRgbAlpha, bits, {&f, true, depth}};
            default: break;
        }
    }
    check::unsupportedFormat(f.name, "writing a PNG file");
}

// One band: its filtered rows' checksum and their deflated bytes.
struct Band {
    uLong adler = 1;
    size_t filteredBytes = 0;
    std::vector<uint8_t> deflated;
};

class BandWriter {
public:
    BandWriter(const Image& image, const Layout& layout, const Effort& effort)
        : image_(image), layout_(layout), effort_(effort), rowBytes_(image.width() * layout.rows.fileBytesPerPixel()) {}

    size_t rowBytes() const { return rowBytes_; }

    // Rows [begin, end); false if zlib failed (out of memory).
    bool write(size_t begin, size_t end, bool last, Band& band) const {
        std::vector<uint8_t> filtered = filterRows(begin, end, false);
        band.filteredBytes = filtered.size();
        band.adler = adler32_z(1, filtered.data(), filtered.size());
        if (!deflateBand(filtered, last, kRunLengthLevel, Z_RLE, band.deflated)) return false;
        std::vector<uint8_t> candidate;
        const auto consider = [&](const std::vector<uint8_t>& in, int level, int strategy) {
            if (!deflateBand(in, last, level, strategy, candidate)) return false;
            if (candidate.size() < band.deflated.size()) band.deflated.swap(candidate);
            return true;
        };
        if (effort_.searchLevel > 0 && !consider(filtered, effort_.searchLevel, Z_DEFAULT_STRATEGY)) return false;
        if (effort_.adaptiveFilter) {
            // The same rows with other filters: same bytes once inflated and
            // unfiltered, so the checksum stays.
            filtered = filterRows(begin, end, true);
            if (!consider(filtered, kRunLengthLevel, Z_RLE)) return false;
            if (!consider(filtered, effort_.searchLevel, Z_DEFAULT_STRATEGY)) return false;
        }
        return true;
    }

private:
    // Rows [begin, end) with their filter bytes: all Average, or each with
    // the filter that suits it best. On camera images Average predicts as
    // well as Paeth (smaller files in color, equal in gray) and is undone
    // with a shorter dependency from pixel to pixel, so files read faster.
    std::vector<uint8_t> filterRows(size_t begin, size_t end, bool adaptive) const {
        const size_t pixelBytes = layout_.rows.fileBytesPerPixel();
        std::vector<uint8_t> filtered((end - begin) * (1 + rowBytes_));
        std::vector<uint8_t> rows(layout_.rows.isIdentity() ? 0 : 2 * rowBytes_);
        std::vector<uint8_t> scratch(adaptive ? rowBytes_ : 0);
        const std::vector<uint8_t> zeros(rowBytes_, 0);
        uint8_t* spare = rows.data();
        uint8_t* held = rows.data() + (rows.empty() ? 0 : rowBytes_);
        const uint8_t* previous = begin == 0 ? zeros.data() : fileRow(begin - 1, held);
        for (size_t y = begin; y < end; ++y) {
            const uint8_t* current = fileRow(y, spare);
            uint8_t* out = filtered.data() + (y - begin) * (1 + rowBytes_);
            const Filter filter = adaptive ? chooseFilter(current, previous, rowBytes_, pixelBytes, scratch.data())
                                           : kAverage;
            out[0] = filter;
            filterRow(filter, current, previous, rowBytes_, pixelBytes, out + 1);
            previous = current;
            std::swap(spare, held);
        }
        return filtered;
    }

    const uint8_t* fileRow(size_t y, uint8_t* buffer) const {
        if (layout_.rows.isIdentity()) return image_.row(y);
        exportRow(layout_.rows, image_.row(y), image_.width(), buffer);
        return buffer;
    }

    static bool deflateBand(const std::vector<uint8_t>& in, bool last, int level, int strategy,
                            std::vector<uint8_t>& out) {
        z_stream stream{};
        if (deflateInit2(&stream, level, Z_DEFLATED, -kWindowBits, kMemoryLevel, strategy) != Z_OK) {
            return false;
        }
        constexpr size_t kFlushBytes = 16;  // the empty stored block of a sync flush, with room to spare
        out.resize(deflateBound(&stream, in.size()) + kFlushBytes);
        stream.next_in = const_cast<uint8_t*>(in.data());  // zlib's interface predates const
        stream.avail_in = static_cast<uInt>(in.size());
        stream.next_out = out.data();
        stream.avail_out = static_cast<uInt>(out.size());
        const int status = deflate(&stream, last ? Z_FINISH : Z_SYNC_FLUSH);
        const bool done = last ? status == Z_STREAM_END : status == Z_OK && stream.avail_in == 0;
        out.resize(out.size() - stream.avail_out);
        deflateEnd(&stream);
        return done;
    }

    const Image& image_;
    const Layout& layout_;
    const Effort& effort_;
    size_t rowBytes_;
};

void writeChunk(AtomicFile& file, const char* type, const uint8_t* data, size_t size) {
    uint8_t head[8];
    putBe32(head, static_cast<uint32_t>(size));
    std::memcpy(head + 4, type, 4);
    uint8_t tail[4];
    putBe32(tail, chunkCrc(head + 4, data, size));
    file.write(head, sizeof head);
    file.write(data, size);
    file.write(tail, sizeof tail);
}

// An IDAT chunk whose data is the concatenation of `parts`.
void writeDataChunk(AtomicFile& file, std::initializer_list<std::pair<const uint8_t*, size_t>> parts) {
    static const uint8_t kType[4] = {'I', 'D', 'A', 'T'};
    size_t size = 0;
    uint32_t crc = libdeflate_crc32(0, kType, 4);
    for (const auto& [data, length] : parts) {
        size += length;
        if (length > 0) crc = libdeflate_crc32(crc, data, length);
    }
    uint8_t head[8];
    putBe32(head, static_cast<uint32_t>(size));
    std::memcpy(head + 4, kType, 4);
    file.write(head, sizeof head);
    for (const auto& [data, length] : parts) file.write(data, length);
    uint8_t tail[4];
    putBe32(tail, crc);
    file.write(tail, sizeof tail);
}

}  // namespace

void writePng(const Image& image, uint32_t quality, AtomicFile& file) {
    check::range<uint32_t>(quality, 0, 100, "quality");
    const Layout layout = layoutFor(image);
    if (image.width() > kMaxDimension || image.height() > kMaxDimension) {
        fail(TARN_LUX_RETURN_CODE_IMAGE_FORMAT_NOT_SUPPORTED, "an image of ", image.width(), " x ", image.height(),
             " pixels is too large for a PNG file, whose sizes are 31-bit numbers");
    }
    const Effort effort = effortFor(quality);
    const BandWriter writer(image, layout, effort);
    if (writer.rowBytes() + 1 > kMaxChunkBytes / 2) {
        fail(TARN_LUX_RETURN_CODE_IMAGE_FORMAT_NOT_SUPPORTED, "rows of ", image.width(), " pixels are too long for "
             "this PNG writer");
    }
    const size_t bandRows = std::max<size_t>(1, kBandBytes / (writer.rowBytes() + 1));
    const size_t bandCount = (image.height() + bandRows - 1) / bandRows;
    std::vector<Band> bands(bandCount);
    std::atomic<bool> failed{false};
    parallelFor(bandCount, 1, [&](size_t first, size_t last) {
        for (size_t b = first; b < last && !failed; ++b) {
            const size_t begin = b * bandRows;
            const size_t end = std::min(image.height(), begin + bandRows);
            try {
                if (!writer.write(begin, end, b + 1 == bandCount, bands[b])) failed = true;
            } catch (...) {  // bodies must not throw: an allocation failed
                failed = true;
            }
        }
    });
    if (failed) fail(TARN_LUX_RETURN_CODE_ERROR, "the PNG data could not be compressed (out of memory)");

    file.write(kSignature, sizeof kSignature);
    uint8_t header[13];
    putBe32(header, static_cast<uint32_t>(image.width()));
    putBe32(header + 4, static_cast<uint32_t>(image.height()));
    header[8] = layout.depth;
    header[9] = layout.colorType;
    header[10] = header[11] = header[12] = 0;
    writeChunk(file, "IHDR", header, sizeof header);
    if (layout.depth == 16) {
        // The depth of the camera's data, so that readers can undo the scaling.
        uint8_t bits[4];
        std::fill_n(bits, 4, image.formatInfo().significantBitsPerChannel);
        writeChunk(file, "sBIT", bits, channelsOf(layout.colorType));
    }
    // zlib header: 32 KiB window, no dictionary, the level class; then one
    // IDAT per band, the whole stream's Adler-32 at the end of the last.
    const uint8_t levelClass = effort.searchLevel == 0 ? 0 : (effort.searchLevel < 9 ? 2 : 3);
    uint8_t zlibHeader[2] = {0x78, static_cast<uint8_t>(levelClass << 6)};
    zlibHeader[1] = static_cast<uint8_t>(zlibHeader[1] + 31 - (zlibHeader[0] * 256 + zlibHeader[1]) % 31);
    uLong adler = 1;
    for (const Band& band : bands) adler = adler32_combine(adler, band.adler, static_cast<z_off_t>(band.filteredBytes));
    uint8_t trailer[4];
    putBe32(trailer, static_cast<uint32_t>(adler));
    for (size_t b = 0; b < bandCount; ++b) {
        const bool first = b == 0;
        const bool last = b + 1 == bandCount;
        writeDataChunk(file, {{zlibHeader, first ? sizeof zlibHeader : 0},
                              {bands[b].deflated.data(), bands[b].deflated.size()},
                              {trailer, last ? sizeof trailer : 0}});
    }
    writeChunk(file, "IEND", nullptr, 0);
}

}  // namespace orx::files
