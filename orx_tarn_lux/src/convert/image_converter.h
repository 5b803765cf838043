// The library's image converter: a conversion mode and a pool of output
// buffers for one kind of conversion.
//
// Pooling. PreAllocateConversion(input, output, width, height, count) makes
// `count` output buffers for that one kind of conversion at once. A Convert
// of exactly that kind (input format and size, output format) takes a free
// buffer of the pool for its result; when the result image ends (its last
// Destruct), the buffer goes back to the pool rather than to the allocator,
// so a loop that converts and releases frames allocates no pixel memory. If
// every buffer is out, the conversion allocates as usual and that memory is
// freed normally later: the pool never holds more than `count` buffers. A
// new pre-allocation replaces the pool; buffers of the old one that images
// still use are freed when those images end. Conversions of other kinds and
// conversions into caller memory leave the pool alone. `count` is 1 to
// kMaxPooledImages; buffers are not zeroed (every conversion writes every
// byte).
//
// Threads. The mode is read once per conversion and the pool is locked only
// to take or give back a buffer, so several threads may convert with one
// converter at once; a mode change made meanwhile applies to conversions
// that start after it.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "core/handles.h"
#include "core/image.h"

namespace orx::convert {

class OutputPool;

class ImageConverter {
public:
    static constexpr size_t kMaxPooledImages = 64;

    ImageConverter();
    ~ImageConverter();

    TARN_LUX_ConversionMode mode() const noexcept { return mode_.load(std::memory_order_relaxed); }
    // Refuses values other than the three modes (INVALID_ARGUMENT).
    void setMode(TARN_LUX_ConversionMode mode);

    // The output formats images of `input` convert into, in the order of the
    // format table; empty for Invalid and unknown values.
    static std::vector<TARN_LUX_PixelFormatName> outputsFor(TARN_LUX_PixelFormatName input);

    // Validates the pair and the size like a conversion would, then replaces
    // the pool. A failure leaves the old pool in place.
    void preAllocate(TARN_LUX_PixelFormatName input, TARN_LUX_PixelFormatName output, size_t width, size_t height,
                     size_t imageCount);

    Image convert(const Image& input, TARN_LUX_PixelFormatName output) const;
    Image convertInto(const Image& input, TARN_LUX_PixelFormatName output, uint8_t* buffer, size_t bufferSize) const;

private:
    std::atomic<TARN_LUX_ConversionMode> mode_;
    mutable std::mutex poolMutex_;
    std::shared_ptr<OutputPool> pool_;
};

}  // namespace orx::convert

ORX_BIND_HANDLE(TARN_LUX_ImageConverterHandle, orx::convert::ImageConverter);
