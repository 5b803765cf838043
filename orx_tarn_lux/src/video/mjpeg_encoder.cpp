#include "video/mjpeg_encoder.h"

#include <turbojpeg.h>

#include <algorithm>

#include "convert/conversion.h"
#include "core/error.h"

namespace orx::video {
namespace {

constexpr uint32_t kAccurateDctFromQuality = 96;
constexpr uint32_t kFullVerticalChromaFromQuality = 90;

struct Layout {
    TARN_LUX_PixelFormatName format;
    int turboFormat;
};

// The formats TurboJPEG reads directly; Bayer frames become RGB8 first.
constexpr Layout kDirect[] = {
    {TARN_LUX_PixelFormatName_Mono8, TJPF_GRAY},   {TARN_LUX_PixelFormatName_RGB8, TJPF_RGB},
    {TARN_LUX_PixelFormatName_BGR8, TJPF_BGR},     {TARN_LUX_PixelFormatName_RGBa8, TJPF_RGBX},
    {TARN_LUX_PixelFormatName_BGRa8, TJPF_BGRX},
};
constexpr TARN_LUX_PixelFormatName kMosaics[] = {
    TARN_LUX_PixelFormatName_BayerGR8, TARN_LUX_PixelFormatName_BayerRG8, TARN_LUX_PixelFormatName_BayerGB8,
    TARN_LUX_PixelFormatName_BayerBG8};

const Layout* directLayout(TARN_LUX_PixelFormatName format) {
    for (const Layout& layout : kDirect)
        if (layout.format == format) return &layout;
    return nullptr;
}

[[noreturn]] void compressorFailure(void* compressor) {
    fail(TARN_LUX_RETURN_CODE_ERROR, "compressing a frame failed: ", tjGetErrorStr2(compressor));
}

}  // namespace

const std::vector<TARN_LUX_PixelFormatName>& mjpegPixelFormats() {
    static const std::vector<TARN_LUX_PixelFormatName> formats = [] {
        std::vector<TARN_LUX_PixelFormatName> all;
        for (const Layout& layout : kDirect) all.push_back(layout.format);
        all.insert(all.end(), std::begin(kMosaics), std::end(kMosaics));
        return all;
    }();
    return formats;
}

bool isMjpegPixelFormat(TARN_LUX_PixelFormatName format) {
    const auto& formats = mjpegPixelFormats();
    return std::find(formats.begin(), formats.end(), format) != formats.end();
}

MjpegEncoder::MjpegEncoder() : compressor_(tjInitCompress()) {
    if (compressor_ == nullptr) fail(TARN_LUX_RETURN_CODE_ERROR, "the JPEG compressor could not be made");
}

MjpegEncoder::~MjpegEncoder() { tjDestroy(compressor_); }

MjpegEncoder::Frame MjpegEncoder::encode(const Image& image, uint32_t quality) {
    const Image* source = &image;
    Image demosaiced;
    const Layout* layout = directLayout(image.format());
    if (layout == nullptr) {
        demosaiced_.resize(image.width() * image.height() * 3);
        demosaiced = convert::convertImageInto(image, TARN_LUX_PixelFormatName_RGB8, demosaiced_.data(),
                                               demosaiced_.size(), TARN_LUX_ConversionMode_Fast);
        source = &demosaiced;
        layout = directLayout(TARN_LUX_PixelFormatName_RGB8);
    }
    const bool gray = layout->turboFormat == TJPF_GRAY;
    const int subsampling =
        gray ? TJSAMP_GRAY : (quality < kFullVerticalChromaFromQuality ? TJSAMP_420 : TJSAMP_422);
    const int width = int(source->width());
    const int height = int(source->height());
    jpeg_.resize(tjBufSize(width, height, subsampling));
    unsigned char* output = jpeg_.data();
    unsigned long size = jpeg_.size();
    const int flags = TJFLAG_NOREALLOC | (quality < kAccurateDctFromQuality ? TJFLAG_FASTDCT : TJFLAG_ACCURATEDCT);
    if (tjCompress2(compressor_, source->data(), width, int(source->rowBytes()), height, layout->turboFormat, &output,
                    &size, subsampling, int(quality), flags) != 0) {
        compressorFailure(compressor_);
    }
    return {jpeg_.data(), size_t(size)};
}

}  // namespace orx::video
