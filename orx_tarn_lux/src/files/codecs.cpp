#include "files/codecs.h"

#include "core/check.h"
#include "core/error.h"

namespace orx::files {

void damaged(const char* kind, const std::string& what) {
    fail(TARN_LUX_RETURN_CODE_FORMAT_INTERPRETATION_ERROR, "the file is not a valid ", kind, " file: ", what);
}

void unsupportedVariant(const char* kind, const std::string& what) {
    fail(TARN_LUX_RETURN_CODE_IMAGE_FORMAT_NOT_SUPPORTED, "this ", kind, " file uses ", what,
         ", which is not supported");
}

void checkClaimedPixels(const char* kind, size_t width, size_t height, size_t fileBytes, size_t pixelsPerByte) {
    size_t pixels = 0;
    size_t possible = 0;
    if (__builtin_mul_overflow(width, height, &pixels) ||
        __builtin_mul_overflow(fileBytes, pixelsPerByte, &possible) || pixels > possible) {
        damaged(kind, str("its header claims ", width, " x ", height, " pixels, more than its ", fileBytes,
                          " bytes can hold"));
    }
}

void writeRaw(const Image& image, AtomicFile& file) {
    if (image.formatInfo().isPacked()) check::unsupportedFormat(image.format(), "writing a RAW file");
    file.write(image.data(), image.byteCount());
}

}  // namespace orx::files
