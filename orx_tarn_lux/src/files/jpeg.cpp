// JPEG through libjpeg-turbo's TurboJPEG interface: baseline and progressive
// files in, baseline files out. A file with any warning (truncated data,
// damaged entropy coding) is refused rather than returned half decoded.
#include <turbojpeg.h>

#include <climits>
#include <memory>
#include <vector>

#include "core/check.h"
#include "core/error.h"
#include "core/pixel_memory.h"
#include "files/codecs.h"
#include "files/rows.h"

namespace orx::files {
namespace {

constexpr const char* kKind = "JPEG";
// Even an all-flat image needs some bits per 8 x 8 block and component;
// claims beyond 4096 pixels per file byte are damaged files, which are
// refused before memory is taken for them.
constexpr size_t kMaxPixelsPerByte = 4096;
// Below this quality chroma is stored at half resolution in both directions
// (4:2:0, as the common encoders do by default). From it on at full
// resolution: whoever asks for 90 or more wants the colors kept too, and at
// 95 half-resolution chroma would cap a photo near 38 dB where full
// resolution reaches 41.
constexpr uint32_t kFullChromaQuality = 90;

struct Handle {
    explicit Handle(tjhandle h) : handle(h) {
        if (handle == nullptr) fail(TARN_LUX_RETURN_CODE_ERROR, "could not set up the JPEG codec");
    }
    ~Handle() { tjDestroy(handle); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    tjhandle handle;
};

int pixelFormatFor(const PixelFormatInfo& f) {
    switch (f.order) {
        case ChannelOrder::RGB: return TJPF_RGB;
        case ChannelOrder::BGR: return TJPF_BGR;
        case ChannelOrder::RGBa: return TJPF_RGBX;
        case ChannelOrder::BGRa: return TJPF_BGRX;
        default: return TJPF_GRAY;
    }
}

}  // namespace

Image decodeJpeg(const uint8_t* bytes, size_t size) {
    if (size > ULONG_MAX) damaged(kKind, "it is too large");
    Handle codec(tjInitDecompress());
    int width = 0, height = 0, subsampling = 0, colorspace = 0;
    if (tjDecompressHeader3(codec.handle, bytes, static_cast<unsigned long>(size), &width, &height, &subsampling,
                            &colorspace) != 0) {
        damaged(kKind, tjGetErrorStr2(codec.handle));
    }
    if (colorspace == TJCS_CMYK || colorspace == TJCS_YCCK) unsupportedVariant(kKind, "CMYK colors");
    if (width <= 0 || height <= 0) damaged(kKind, str("its size of ", width, " x ", height, " pixels is impossible"));
    checkClaimedPixels(kKind, static_cast<size_t>(width), static_cast<size_t>(height), size, kMaxPixelsPerByte);
    const bool gray = colorspace == TJCS_GRAY;
    Image image(gray ? TARN_LUX_PixelFormatName_Mono8 : TARN_LUX_PixelFormatName_RGB8, static_cast<size_t>(width),
                static_cast<size_t>(height), Fill::Anything);
    if (tjDecompress2(codec.handle, bytes, static_cast<unsigned long>(size), image.data(), width, 0, height,
                      gray ? TJPF_GRAY : TJPF_RGB, TJFLAG_STOPONWARNING) != 0) {
        damaged(kKind, tjGetErrorStr2(codec.handle));
    }
    return image;
}

void writeJpeg(const Image& image, uint32_t quality, AtomicFile& file) {
    check::range<uint32_t>(quality, 0, 100, "quality");
    const PixelFormatInfo& f = image.formatInfo();
    const bool supported = !f.isPacked() && !f.isYUV() && f.order != ChannelOrder::None;
    if (!supported) check::unsupportedFormat(f.name, "writing a JPEG file");
    if (image.width() > INT_MAX || image.height() > INT_MAX) {
        fail(TARN_LUX_RETURN_CODE_IMAGE_FORMAT_NOT_SUPPORTED, "an image of ", image.width(), " x ", image.height(),
             " pixels is too large for a JPEG file");
    }
    const int width = static_cast<int>(image.width());
    const int height = static_cast<int>(image.height());

    // 10- and 12-bit samples are reduced to 8 bits (rounded) first.
    const uint8_t* pixels = image.data();
    PixelMemory reduced;
    if (f.storageBitsPerChannel != 8) {
        const RowExport how{&f, false, SampleDepth::Byte};
        const size_t rowBytes = how.fileBytesPerPixel() * image.width();
        reduced = allocatePixels(rowBytes * image.height(), Fill::Anything);
        if (reduced == nullptr) fail(TARN_LUX_RETURN_CODE_ERROR, "could not allocate memory for a JPEG");
        for (size_t y = 0; y < image.height(); ++y) exportRow(how, image.row(y), image.width(), reduced.get() + y * rowBytes);
        pixels = reduced.get();
    }
    const int pixelFormat = pixelFormatFor(f);
    const int subsampling = pixelFormat == TJPF_GRAY ? TJSAMP_GRAY
                                                     : (quality >= kFullChromaQuality ? TJSAMP_444 : TJSAMP_420);
    // JPEG qualities run from 1; 0 means the lowest as well.
    const int jpegQuality = quality == 0 ? 1 : static_cast<int>(quality);

    const unsigned long bound = tjBufSize(width, height, subsampling);
    if (bound == static_cast<unsigned long>(-1)) fail(TARN_LUX_RETURN_CODE_ERROR, "the JPEG size cannot be computed");
    PixelMemory output = allocatePixels(bound, Fill::Anything);
    if (output == nullptr) fail(TARN_LUX_RETURN_CODE_ERROR, "could not allocate ", bound, " bytes for a JPEG");
    unsigned char* buffer = output.get();
    unsigned long written = bound;
    Handle codec(tjInitCompress());
    if (tjCompress2(codec.handle, pixels, width, 0, height, pixelFormat, &buffer, &written, subsampling, jpegQuality,
                    TJFLAG_NOREALLOC) != 0) {
        fail(TARN_LUX_RETURN_CODE_ERROR, "the JPEG could not be encoded: ", tjGetErrorStr2(codec.handle));
    }
    file.write(buffer, written);
}

}  // namespace orx::files
