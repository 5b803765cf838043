#include "core/image.h"

#include <cstdint>
#include <cstring>
#include <utility>

#include "core/check.h"
#include "core/error.h"

namespace orx {
namespace {

// Where data() points when there are no pixels, so callers never see null.
uint8_t noPixels[1];

// Objects above PTRDIFF_MAX bytes break pointer arithmetic; refuse them even
// where the allocator would try.
size_t checkedByteCount(const PixelFormatInfo& format, size_t width, size_t height) {
    check::imageSize(format, width, height);
    const size_t bytes = format.imageByteCount(width, height);
    if (bytes > static_cast<size_t>(PTRDIFF_MAX)) {
        fail(TARN_LUX_RETURN_CODE_OUT_OF_RANGE, "an image of ", width, " x ", height, " ", format.text, " needs ",
             bytes, " bytes, more than memory can hold");
    }
    return bytes;
}

}  // namespace

Image::Image() noexcept : format_(&pixelFormats()[0]), data_(noPixels) {}

Image::Image(TARN_LUX_PixelFormatName format, size_t width, size_t height, Fill fill) : Image() {
    const PixelFormatInfo& info = orx::formatInfo(format);
    const size_t bytes = checkedByteCount(info, width, height);
    if (bytes > 0) {
        owned_ = allocatePixels(bytes, fill);
        if (owned_ == nullptr) {
            fail(TARN_LUX_RETURN_CODE_ERROR, "could not allocate ", bytes, " bytes for an image of ", width, " x ",
                 height, " ", info.text);
        }
        data_ = owned_.get();
    }
    format_ = &info;
    width_ = width;
    height_ = height;
    byteCount_ = bytes;
}

Image::Image(Image&& other) noexcept : Image() { *this = std::move(other); }

Image::~Image() { releaseMemory(); }

void Image::releaseMemory() noexcept {
    if (lender_ != nullptr && owned_ != nullptr) lender_->giveBack(std::move(owned_));
    owned_.reset();
    lender_.reset();
}

Image& Image::operator=(Image&& other) noexcept {
    if (this == &other) return *this;
    releaseMemory();
    format_ = std::exchange(other.format_, &pixelFormats()[0]);
    width_ = std::exchange(other.width_, 0);
    height_ = std::exchange(other.height_, 0);
    byteCount_ = std::exchange(other.byteCount_, 0);
    timestamp_ = std::exchange(other.timestamp_, 0);
    owned_ = std::move(other.owned_);
    lender_ = std::move(other.lender_);
    data_ = std::exchange(other.data_, noPixels);
    return *this;
}

Image Image::overMemory(TARN_LUX_PixelFormatName format, size_t width, size_t height, uint8_t* memory,
                        size_t memorySize) {
    const PixelFormatInfo& info = orx::formatInfo(format);
    const size_t bytes = checkedByteCount(info, width, height);
    check::buffer(memory, memorySize, bytes, "buffer");
    Image image;
    image.format_ = &info;
    image.width_ = width;
    image.height_ = height;
    image.byteCount_ = bytes;
    if (bytes > 0) image.data_ = memory;
    return image;
}

Image Image::lent(TARN_LUX_PixelFormatName format, size_t width, size_t height, PixelMemory memory,
                  std::shared_ptr<PixelLender> lender) {
    Image image = overMemory(format, width, height, memory.get(), orx::formatInfo(format).imageByteCount(width, height));
    image.owned_ = std::move(memory);
    image.lender_ = std::move(lender);
    return image;
}

Image Image::clone() const {
    Image copy(format(), width_, height_, Fill::Anything);
    if (byteCount_ > 0) std::memcpy(copy.data_, data_, byteCount_);
    copy.timestamp_ = timestamp_;
    return copy;
}

void Image::reshape(TARN_LUX_PixelFormatName format, size_t width, size_t height) {
    const PixelFormatInfo& info = orx::formatInfo(format);
    if (checkedByteCount(info, width, height) != byteCount_) {
        fail(TARN_LUX_RETURN_CODE_ERROR, "cannot show the ", byteCount_, " bytes of an image as ", width, " x ", height,
             " ", info.text);
    }
    format_ = &info;
    width_ = width;
    height_ = height;
}

size_t Image::rowBytes() const noexcept { return format_->isYUV() ? width_ : width_ * format_->bytesPerPixel(); }

}  // namespace orx
