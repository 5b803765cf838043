// The library's image: pixel format, size, timestamp and one contiguous block
// of pixel memory whose rows follow each other without padding (numpy views
// of the Python module rely on that). The memory is either the image's own or
// caller memory that the caller keeps alive for the image's lifetime.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "core/handles.h"
#include "core/pixel_format.h"
#include "core/pixel_memory.h"

namespace orx {

// Takes back pixel memory it lent to an image once the image ends: how a
// converter's pool of output buffers gets them back for reuse.
class PixelLender {
public:
    virtual ~PixelLender() = default;
    virtual void giveBack(PixelMemory memory) noexcept = 0;
};

class Image {
public:
    // The empty image: Invalid, 0 x 0, no bytes.
    Image() noexcept;
    // Memory of its own, zero-filled unless `fill` is Fill::Anything (for
    // operations that overwrite every byte). Throws Error for an unknown
    // format, a size the format cannot have (check::imageSize), a byte count
    // beyond what memory can hold (OUT_OF_RANGE) or a failed allocation
    // (ERROR).
    Image(TARN_LUX_PixelFormatName format, size_t width, size_t height, Fill fill = Fill::Zero);
    // An image over `memory`, which must hold at least byteCount bytes
    // (BUFFER_TOO_SMALL otherwise) and outlive the image.
    static Image overMemory(TARN_LUX_PixelFormatName format, size_t width, size_t height, uint8_t* memory,
                            size_t memorySize);

    // An image over lent `memory` of at least the image's byte count (the
    // caller makes sure), handed back to `lender` when the image ends.
    static Image lent(TARN_LUX_PixelFormatName format, size_t width, size_t height, PixelMemory memory,
                      std::shared_ptr<PixelLender> lender);

    // The source becomes the empty image.
    Image(Image&& other) noexcept;
    ~Image();
    Image& operator=(Image&& other) noexcept;
    // Copies happen only on purpose, through clone().
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;

    // Same format, size and timestamp, pixels copied into memory of its own.
    Image clone() const;

    size_t width() const noexcept { return width_; }
    size_t height() const noexcept { return height_; }
    TARN_LUX_PixelFormatName format() const noexcept { return format_->name; }
    const PixelFormatInfo& formatInfo() const noexcept { return *format_; }
    bool empty() const noexcept { return !format_->isValid(); }

    // Nanoseconds of camera time at exposure; 0 unless something set it.
    uint64_t timestamp() const noexcept { return timestamp_; }
    void setTimestamp(uint64_t nanoseconds) noexcept { timestamp_ = nanoseconds; }

    // Gives the same bytes another format and shape of the same byte count,
    // for operations that change an image in place (a quarter turn swaps
    // width and height, a mirrored mosaic changes its pattern) and for file
    // readers, which learn what the bytes mean only after decoding them.
    // Throws Error when the byte counts differ.
    void reshape(TARN_LUX_PixelFormatName format, size_t width, size_t height);

    size_t byteCount() const noexcept { return byteCount_; }
    // Never null, also for the empty image.
    uint8_t* data() noexcept { return data_; }
    const uint8_t* data() const noexcept { return data_; }
    bool ownsMemory() const noexcept { return owned_ != nullptr; }

    // Rows of formats whose pixels are whole bytes (formatInfo().bytesPerPixel()
    // > 0), and rows of the Y plane of the 4:2:0 formats. Packed formats are a
    // continuous stream across rows and have no row addresses.
    size_t rowBytes() const noexcept;
    uint8_t* row(size_t y) noexcept { return data_ + y * rowBytes(); }
    const uint8_t* row(size_t y) const noexcept { return data_ + y * rowBytes(); }

private:
    const PixelFormatInfo* format_;
    size_t width_ = 0;
    size_t height_ = 0;
    size_t byteCount_ = 0;
    uint64_t timestamp_ = 0;
    // Hands lent memory back; owned memory is freed.
    void releaseMemory() noexcept;

    PixelMemory owned_;
    std::shared_ptr<PixelLender> lender_;  // set when owned_ is lent
    uint8_t* data_;
};

}  // namespace orx

ORX_BIND_HANDLE(TARN_LUX_ImageHandle, orx::Image);
