#include "convert/conversion.h"

#include <optional>
#include <vector>

#include "convert/decode_kernels.h"
#include "convert/demosaic_kernels.h"
#include "convert/repack_kernels.h"
#include "convert/row_format.h"
#include "core/check.h"
#include "core/error.h"
#include "core/kernel_dispatch.h"
#include "core/parallel.h"
#include "core/separate_memory.h"

namespace orx::convert {
namespace {

// Rows per parallel chunk: a multiple of 8, so that chunks of bit-packed
// outputs begin on byte borders, and tall enough that the two rows a
// demosaicing band reads beyond its ends stay a small overhead.
constexpr size_t kChunkRows = 16;
// Rows one output row needs from a mosaic: the row itself and both neighbours.
constexpr size_t kMosaicRows = 3;

struct Plan {
    DecodeRow decode = nullptr;      // unpacks source rows; null: read in place
    DecodeRow decodeFast = nullptr;  // the same, when the fast kernels run
    RowFormat source;                // the source rows, unpacked
    std::optional<Mosaic> mosaic;    // demosaicing into `colored`
    RowFormat colored;               // the rows demosaicing writes
    std::optional<Repack> repack;    // from `source` or `colored` into the output
};

bool isUnpacked(const PixelFormatInfo& format) { return format.packing == Packing::None; }


bool isColor(const PixelFormatInfo& format) { return format.channels >= 3; }

std::optional<Plan> planConversion(const PixelFormatInfo& from, const PixelFormatInfo& to) {
    if (!from.isValid() || !to.isValid() || !isUnpacked(to)) return std::nullopt;
    Plan plan;
    if (isUnpacked(from)) {
        plan.source = unpackedRowFormat(from);
    } else {
        const std::optional<Decoder> decoder = decoderFor(from);
        if (!decoder) return std::nullopt;
        plan.decode = decoder->decode;
        plan.decodeFast = decoder->decodeFast != nullptr ? decoder->decodeFast : decoder->decode;
        plan.source = decoder->format;
    }
    const RowFormat output = unpackedRowFormat(to);
    if (from.isBayered()) {
        if (to.isBayered()) {
            // A mosaic changes depth only; another pattern would need resampling.
            if (to.bayerPattern != from.bayerPattern) return std::nullopt;
            plan.repack = Repack{plan.source, output};
            return plan;
        }
        // Demosaicing writes the output itself (colour in any order, or its
        // luma) when the depth stays; otherwise a repack follows.
        const uint8_t bits = from.significantBitsPerChannel;
        const bool direct = to.significantBitsPerChannel == bits;
        plan.colored = direct ? output : isColor(to) ? colorRowFormat(ChannelOrder::RGB, bits) : grayRowFormat(bits);
        plan.mosaic = Mosaic{0, plan.source.sampleBytes, plan.source.maxValue(), from.bayerPattern, plan.colored};
        if (!direct) plan.repack = Repack{plan.colored, output};
        return plan;
    }
    if (to.isBayered()) return std::nullopt;
    plan.repack = Repack{plan.source, output};
    return plan;
}

// Mirrors a row index at the borders as demosaicing expects (-1 is row 1).
size_t mirroredRow(ptrdiff_t y, size_t height) {
    if (height == 1) return 0;
    if (y < 0) return 1;
    if (size_t(y) >= height) return height - 2;
    return size_t(y);
}

// Source rows in the row form: in place, or decoded into a small ring that
// holds the rows demosaicing reads around the current one.
class SourceRows {
public:
    SourceRows(const Plan& plan, const Image& image, bool fast)
        : decode_(fast ? plan.decodeFast : plan.decode), image_(image), rowBytes_(image.width() * plan.source.pixelBytes()) {
        if (decode_ != nullptr) ring_.resize(kMosaicRows * rowBytes_);
    }

    const uint8_t* row(size_t y) {
        if (decode_ == nullptr) return image_.row(y);
        // Rows y - 1, y and y + 1 fall into different slots.
        const size_t slot = y % kMosaicRows;
        uint8_t* decoded = ring_.data() + slot * rowBytes_;
        if (decodedRow_[slot] != ptrdiff_t(y)) {
            decode_(image_, y, decoded);
            decodedRow_[slot] = ptrdiff_t(y);
        }
        return decoded;
    }

private:
    DecodeRow decode_;
    const Image& image_;
    size_t rowBytes_;
    std::vector<uint8_t> ring_;
    ptrdiff_t decodedRow_[kMosaicRows] = {-1, -1, -1};
};

void demosaicRow(const Mosaic& mosaic, SourceRows& rows, size_t y, size_t height, uint8_t* out, bool fast) {
    const uint8_t* up = rows.row(mirroredRow(ptrdiff_t(y) - 1, height));
    const uint8_t* down = rows.row(mirroredRow(ptrdiff_t(y) + 1, height));
    const uint8_t* row = rows.row(y);
    const size_t width = mosaic.width;
    // The first column mirrors its left neighbour; the fast kernel starts after it.
    const size_t lead = std::min<size_t>(1, width);
    demosaicScalar(up, row, down, mosaic, y, out, 0, lead);
    const size_t done = fast ? demosaicFast(up, row, down, mosaic, y, out, lead, width) : lead;
    demosaicScalar(up, row, down, mosaic, y, out, done, width);
}

void repackRow(const Repack& repack, const uint8_t* in, uint8_t* out, size_t width, bool fast) {
    const size_t done = fast ? repackFast(in, repack, out, 0, width) : 0;
    repackScalar(in, repack, out, done, width);
}

void run(const Plan& plan, const Image& in, Image& out) {
    const size_t width = in.width();
    const bool fast = useFastKernels();
    std::optional<Mosaic> mosaic = plan.mosaic;
    if (mosaic) mosaic->width = width;
    if (!mosaic && plan.decode == nullptr) {
        // Rows follow each other without padding: a band is one long row.
        parallelFor(in.height(), kChunkRows, [&](size_t begin, size_t end) {
            repackRow(*plan.repack, in.row(begin), out.row(begin), width * (end - begin), fast);
        });
        return;
    }
    parallelFor(in.height(), kChunkRows, [&](size_t begin, size_t end) {
        const bool staged = mosaic && plan.repack;
        std::vector<uint8_t> colored(staged ? width * plan.colored.pixelBytes() : 0);
        SourceRows rows(plan, in, fast);
        for (size_t y = begin; y < end; ++y) {
            const uint8_t* row;
            if (mosaic) {
                uint8_t* target = staged ? colored.data() : out.row(y);
                demosaicRow(*mosaic, rows, y, in.height(), target, fast);
                row = target;
            } else {
                row = rows.row(y);
            }
            if (plan.repack) repackRow(*plan.repack, row, out.row(y), width, fast);
        }
    });
}

Plan requirePlan(TARN_LUX_PixelFormatName fromName, TARN_LUX_PixelFormatName toName) {
    const PixelFormatInfo& from = check::imageFormat(fromName, "the input image");
    const PixelFormatInfo& to = check::imageFormat(toName, "the output format");
    std::optional<Plan> plan = planConversion(from, to);
    if (!plan) {
        fail(TARN_LUX_RETURN_CODE_IMAGE_FORMAT_NOT_SUPPORTED, "converting ", describeFormat(from.name), " into ",
             describeFormat(to.name), " is not supported");
    }
    return *plan;
}

// Validates, makes the output with `makeOutput` and converts into it.
template <typename MakeOutput>
Image convertWith(const Image& image, TARN_LUX_PixelFormatName to, TARN_LUX_ConversionMode mode,
                  MakeOutput makeOutput) {
    checkMode(mode);
    const Plan plan = requirePlan(image.format(), to);
    Image result = makeOutput();
    run(plan, image, result);
    result.setTimestamp(image.timestamp());
    return result;
}

}  // namespace

void checkMode(TARN_LUX_ConversionMode mode) {
    // Every mode demosaics bilinearly for now; the modes differ only where a
    // Bayer conversion has a better kernel.
    if (mode != TARN_LUX_ConversionMode_Fast && mode != TARN_LUX_ConversionMode_HighQuality &&
        mode != TARN_LUX_ConversionMode_Classic) {
        fail(TARN_LUX_RETURN_CODE_INVALID_ARGUMENT, "conversion mode ", mode,
             " is not one of 1 (Fast), 2 (HighQuality) or 3 (Classic)");
    }
}

void requireConvertible(TARN_LUX_PixelFormatName from, TARN_LUX_PixelFormatName to) { requirePlan(from, to); }

void convertPixels(const Image& image, Image& output, TARN_LUX_ConversionMode mode) {
    checkMode(mode);
    run(requirePlan(image.format(), output.format()), image, output);
    output.setTimestamp(image.timestamp());
}

bool canConvert(const PixelFormatInfo& from, const PixelFormatInfo& to) {
    return planConversion(from, to).has_value();
}

Image convertImage(const Image& image, TARN_LUX_PixelFormatName to, TARN_LUX_ConversionMode mode) {
    return convertWith(image, to, mode, [&] { return Image(to, image.width(), image.height(), Fill::Anything); });
}

Image convertImageInto(const Image& image, TARN_LUX_PixelFormatName to, uint8_t* buffer, size_t bufferSize,
                       TARN_LUX_ConversionMode mode) {
    return convertWith(image, to, mode, [&] {
        check::separateMemory(image, buffer, bufferSize);
        return Image::overMemory(to, image.width(), image.height(), buffer, bufferSize);
    });
}

}  // namespace orx::convert
