#include "convert/image_converter.h"

#include <utility>
#include <vector>

#include "convert/conversion.h"
#include "core/check.h"
#include "core/error.h"

namespace orx::convert {

// Output buffers for one kind of conversion; shared with the images that
// hold its buffers, so it outlives a converter that lets go of it first.
class OutputPool final : public PixelLender {
public:
    OutputPool(TARN_LUX_PixelFormatName input, TARN_LUX_PixelFormatName output, size_t width, size_t height)
        : input_(input), output_(output), width_(width), height_(height) {}

    bool serves(const Image& image, TARN_LUX_PixelFormatName output) const noexcept {
        return image.format() == input_ && output == output_ && image.width() == width_ && image.height() == height_;
    }

    // Allocates every buffer at once; throws, freeing what it got, when
    // memory runs out.
    void fill(size_t count) {
        const size_t bytes = formatInfo(output_).imageByteCount(width_, height_);
        free_.reserve(count);
        for (size_t i = 0; i < count; ++i) {
            PixelMemory memory = allocatePixels(bytes, Fill::Anything);
            if (memory == nullptr) {
                fail(TARN_LUX_RETURN_CODE_ERROR, "could not allocate buffer ", i + 1, " of ", count, " (", bytes,
                     " bytes each) for ", describeFormat(output_));
            }
            free_.push_back(std::move(memory));
        }
        capacity_ = count;
    }

    // A free buffer, or null when all are out.
    PixelMemory take() noexcept {
        std::lock_guard<std::mutex> lock(mutex_);
        if (free_.empty()) return nullptr;
        PixelMemory memory = std::move(free_.back());
        free_.pop_back();
        return memory;
    }

    void giveBack(PixelMemory memory) noexcept override {
        std::lock_guard<std::mutex> lock(mutex_);
        // Never more than were pre-allocated; reserved for that many, so
        // push_back does not allocate and cannot throw.
        if (free_.size() < capacity_) free_.push_back(std::move(memory));
    }

private:
    const TARN_LUX_PixelFormatName input_, output_;
    const size_t width_, height_;
    std::mutex mutex_;
    std::vector<PixelMemory> free_;
    size_t capacity_ = 0;
};

ImageConverter::ImageConverter() : mode_(TARN_LUX_ConversionMode_Fast) {}

ImageConverter::~ImageConverter() = default;

void ImageConverter::setMode(TARN_LUX_ConversionMode mode) {
    checkMode(mode);
    mode_.store(mode, std::memory_order_relaxed);
}

std::vector<TARN_LUX_PixelFormatName> ImageConverter::outputsFor(TARN_LUX_PixelFormatName input) {
    std::vector<TARN_LUX_PixelFormatName> outputs;
    const PixelFormatInfo* from = findPixelFormat(input);
    if (from == nullptr) return outputs;
    for (const PixelFormatInfo& to : pixelFormats())
        if (canConvert(*from, to)) outputs.push_back(to.name);
    return outputs;
}

void ImageConverter::preAllocate(TARN_LUX_PixelFormatName input, TARN_LUX_PixelFormatName output, size_t width,
                                 size_t height, size_t imageCount) {
    requireConvertible(input, output);
    const PixelFormatInfo& info = formatInfo(output);
    check::imageSize(info, width, height);
    check::range(imageCount, size_t{1}, kMaxPooledImages, "imageCount");
    const size_t bytes = info.imageByteCount(width, height);
    if (bytes > PTRDIFF_MAX / imageCount) {
        fail(TARN_LUX_RETURN_CODE_OUT_OF_RANGE, imageCount, " images of ", width, " x ", height, " ", info.text,
             " need more memory than there is");
    }
    auto pool = std::make_shared<OutputPool>(input, output, width, height);
    pool->fill(imageCount);
    std::lock_guard<std::mutex> lock(poolMutex_);
    pool_ = std::move(pool);
}

Image ImageConverter::convert(const Image& input, TARN_LUX_PixelFormatName output) const {
    std::shared_ptr<OutputPool> pool;
    {
        std::lock_guard<std::mutex> lock(poolMutex_);
        pool = pool_;
    }
    if (pool != nullptr && pool->serves(input, output)) {
        if (PixelMemory memory = pool->take()) {
            Image result = Image::lent(output, input.width(), input.height(), std::move(memory), pool);
            convertPixels(input, result, mode());
            return result;
        }
    }
    return convertImage(input, output, mode());
}

Image ImageConverter::convertInto(const Image& input, TARN_LUX_PixelFormatName output, uint8_t* buffer,
                                  size_t bufferSize) const {
    return convertImageInto(input, output, buffer, bufferSize, mode());
}

}  // namespace orx::convert
