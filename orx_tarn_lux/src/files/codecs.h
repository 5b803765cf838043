// The file formats. Decoders turn the bytes of a whole file into an image of
// the file's natural pixel format (the table is in orx_tarn_lux.h); encoders
// write an image into a file that appears only when it is complete.
//
// Decoders never trust a header: every size is checked against the bytes
// that are really there before memory is taken for it, so a damaged or
// hostile file costs no more memory than its honest content could fill.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/image.h"
#include "files/file_access.h"

namespace orx::files {

Image decodeBmp(const uint8_t* bytes, size_t size);
Image decodePng(const uint8_t* bytes, size_t size);
Image decodeJpeg(const uint8_t* bytes, size_t size);

void writeBmp(const Image& image, AtomicFile& file);
void writeRaw(const Image& image, AtomicFile& file);
// `quality` 0..100; see TARN_LUX_ImageWriter_WriteAsPNG / WriteAsJPG.
void writePng(const Image& image, uint32_t quality, AtomicFile& file);
void writeJpeg(const Image& image, uint32_t quality, AtomicFile& file);

// TARN_LUX_RETURN_CODE_FORMAT_INTERPRETATION_ERROR: the bytes are not a
// valid file of `kind` ("PNG", "BMP", ...).
[[noreturn]] void damaged(const char* kind, const std::string& what);
// TARN_LUX_RETURN_CODE_IMAGE_FORMAT_NOT_SUPPORTED: a valid file of `kind`
// using a feature this library does not read.
[[noreturn]] void unsupportedVariant(const char* kind, const std::string& what);

// How much memory a header may ask for: the pixels a file of `fileBytes`
// bytes can honestly hold when each of its bytes expands to at most
// `pixelsPerByte` pixels. Larger claims are damaged files.
void checkClaimedPixels(const char* kind, size_t width, size_t height, size_t fileBytes, size_t pixelsPerByte);

}  // namespace orx::files
