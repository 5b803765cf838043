// Compression of one video frame into a JPEG image with TurboJPEG.
//
// Colour frames are stored with 4:2:0 chroma subsampling below quality 90
// and with 4:2:2 from 90 on: those settings are chosen for fidelity, and
// halving the chroma rows as well costs about a decibel with common
// decoders, which upsample simply. Gray frames are one-component JPEGs. Any
// width and height up to 65535 works: the encoder pads partial blocks
// itself, so sizes need not be multiples of 8 or 16.
// Bayer frames are demosaiced first, into a buffer kept for the next frame.
// Up to quality 95 the fast integer DCT is used: at those settings its
// error is far below the quantisation error and it is faster; above, the
// accurate DCT keeps what the user asked for.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/image.h"

namespace orx::video {

// The formats that frames may have.
const std::vector<TARN_LUX_PixelFormatName>& mjpegPixelFormats();
bool isMjpegPixelFormat(TARN_LUX_PixelFormatName format);

// Quality in percent: the libjpeg scale.
constexpr uint32_t kMinimumQuality = 1;
constexpr uint32_t kMaximumQuality = 100;
constexpr uint32_t kDefaultQuality = 90;

class MjpegEncoder {
public:
    MjpegEncoder();
    ~MjpegEncoder();
    MjpegEncoder(const MjpegEncoder&) = delete;
    MjpegEncoder& operator=(const MjpegEncoder&) = delete;

    struct Frame {
        const uint8_t* data;
        size_t size;
    };
    // The JPEG data of `image`, valid until the next call. ERROR when the
    // compressor fails (it names the reason).
    Frame encode(const Image& image, uint32_t quality);

private:
    void* compressor_;
    std::vector<uint8_t> jpeg_;
    std::vector<uint8_t> demosaiced_;
};

}  // namespace orx::video
