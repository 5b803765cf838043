#include "convert/conversion.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "convert/decode_kernels.h"
#include "convert/demosaic.h"
#include "convert/encode_kernels.h"
#include "convert/repack_kernels.h"
#include "convert/row_format.h"
#include "core/check.h"
#include "core/error.h"
#include "core/kernel_dispatch.h"
#include "core/parallel.h"
#include "core/separate_memory.h"

namespace orx::convert {
namespace {

// Rows per parallel chunk for conversions without demosaicing: a multiple
// of 8 (and of 2), so that chunks of bit-packed and grouped outputs begin on
// byte and group borders and chunks of 4:2:0 outputs on chroma rows.
constexpr size_t kChunkRows = 16;

struct Plan {
    DecodeRow decode = nullptr;      // unpacks source rows; null: read in place
    DecodeRow decodeFast = nullptr;  // the same, when the fast kernels run
    RowFormat source;                // the source rows, unpacked
    std::optional<Mosaic> mosaic;    // demosaicing into `colored`
    RowFormat colored;               // the rows demosaicing writes
    std::optional<Repack> repack;    // from `source` or `colored` into `target`
    RowFormat target;                // the output, or what the encoder reads
    std::optional<Encoder> encode;   // packs `target` rows into the output
};

bool isUnpacked(const PixelFormatInfo& format) { return format.packing == Packing::None; }

// Every format converts into every format but Bayer; a mosaic converts into
// the mosaics of its own pattern only (another pattern would need
// resampling).
std::optional<Plan> planConversion(const PixelFormatInfo& from, const PixelFormatInfo& to) {
    if (!from.isValid() || !to.isValid()) return std::nullopt;
    if (to.isBayered() && (!from.isBayered() || to.bayerPattern != from.bayerPattern)) return std::nullopt;
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
    if (isUnpacked(to)) {
        plan.target = unpackedRowFormat(to);
    } else {
        plan.encode = encoderFor(to);
        if (!plan.encode) return std::nullopt;
        plan.target = plan.encode->format;
    }
    if (from.isBayered() && !to.isBayered()) {
        // Demosaicing writes the target itself (colour in any order, or its
        // luma) when the depth stays; otherwise a repack follows.
        const uint8_t bits = from.significantBitsPerChannel;
        const bool direct = plan.target.bits == bits;
        plan.colored = direct                 ? plan.target
                       : plan.target.isColor() ? colorRowFormat(ChannelOrder::RGB, bits)
                                               : grayRowFormat(bits);
        plan.mosaic = Mosaic{0, plan.source.sampleBytes, plan.source.maxValue(), from.bayerPattern, plan.colored};
        if (!direct) plan.repack = Repack{plan.colored, plan.target};
        return plan;
    }
    plan.repack = Repack{plan.source, plan.target};
    return plan;
}

// Source rows in the row form: in place, or decoded into a small ring that
// holds the rows demosaicing reads around the current one.
class SourceRows final : public MosaicRows {
public:
    SourceRows(const Plan& plan, const Image& image, bool fast)
        : decode_(fast ? plan.decodeFast : plan.decode), image_(image), rowBytes_(image.width() * plan.source.pixelBytes()) {
        if (decode_ != nullptr) ring_.resize(kMosaicWindowRows * rowBytes_);
    }

    // Row y mirrored into the image (-1 is row 1).
    const uint8_t* row(ptrdiff_t y) override { return at(mirrored(y, image_.height())); }

    const uint8_t* at(size_t y) {
        if (decode_ == nullptr) return image_.row(y);
        // Rows next to each other fall into different slots.
        const size_t slot = y % kMosaicWindowRows;
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
    ptrdiff_t decodedRow_[kMosaicWindowRows] = {-1, -1, -1, -1, -1};
};

void repackRow(const Repack& repack, const uint8_t* in, uint8_t* out, size_t width, bool fast) {
    const size_t done = fast ? repackFast(in, repack, out, 0, width) : 0;
    repackScalar(in, repack, out, done, width);
}

void run(const Plan& plan, const Image& in, Image& out, TARN_LUX_ConversionMode mode) {
    const size_t width = in.width();
    const size_t height = in.height();
    const bool fast = useFastKernels();
    std::optional<Mosaic> mosaic = plan.mosaic;
    if (mosaic) mosaic->width = width;
    if (!mosaic && plan.decode == nullptr && !plan.encode) {
        // Rows follow each other without padding: a band is one long row.
        parallelFor(height, kChunkRows, [&](size_t begin, size_t end) {
            repackRow(*plan.repack, in.row(begin), out.row(begin), width * (end - begin), fast);
        });
        return;
    }
    const DemosaicMethod method = demosaicMethodFor(mode);
    const size_t chunkRows = mosaic ? demosaicBandRows(method) : kChunkRows;
    parallelFor(height, chunkRows, [&](size_t begin, size_t end) {
        // Intermediate rows: demosaiced before a repack, and the target
        // before the encoder.
        std::vector<uint8_t> colored(mosaic && plan.repack ? width * plan.colored.pixelBytes() : 0);
        std::vector<uint8_t> staged(plan.encode ? width * plan.target.pixelBytes() : 0);
        SourceRows rows(plan, in, fast);
        std::unique_ptr<BandDemosaic> demosaic;
        const EncodeRow encodeRow =
            !plan.encode ? nullptr : fast && plan.encode->encodeFast ? plan.encode->encodeFast : plan.encode->encode;
        for (size_t y = begin; y < end; ++y) {
            // A range may span several bands of the method.
            if (mosaic && (y - begin) % chunkRows == 0)
                demosaic = makeBandDemosaic(method, *mosaic, rows, height, y, std::min(y + chunkRows, end), fast);
            uint8_t* target = plan.encode ? staged.data() : out.row(y);
            const uint8_t* row;
            if (demosaic) {
                uint8_t* demosaiced = plan.repack ? colored.data() : target;
                demosaic->row(y, demosaiced);
                row = demosaiced;
            } else {
                row = rows.at(y);
            }
            if (plan.repack) {
                repackRow(*plan.repack, row, target, width, fast);
                row = target;
            }
            if (plan.encode) encodeRow(row, out, y);
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
    run(plan, image, result, mode);
    result.setTimestamp(image.timestamp());
    return result;
}

}  // namespace

void checkMode(TARN_LUX_ConversionMode mode) {
    // The modes differ only where a conversion demosaics (demosaic.h).
    if (mode != TARN_LUX_ConversionMode_Fast && mode != TARN_LUX_ConversionMode_HighQuality &&
        mode != TARN_LUX_ConversionMode_Classic) {
        fail(TARN_LUX_RETURN_CODE_INVALID_ARGUMENT, "conversion mode ", mode,
             " is not one of 1 (Fast), 2 (HighQuality) or 3 (Classic)");
    }
}

void requireConvertible(TARN_LUX_PixelFormatName from, TARN_LUX_PixelFormatName to) { requirePlan(from, to); }

void convertPixels(const Image& image, Image& output, TARN_LUX_ConversionMode mode) {
    checkMode(mode);
    run(requirePlan(image.format(), output.format()), image, output, mode);
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
