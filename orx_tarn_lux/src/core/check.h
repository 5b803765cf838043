// Argument checks shared by every entry point. Each kind of mistake is worded
// here once: which parameter, the bad value, and what was expected. The
// operation's name is added by api::guard.
#pragma once

#include <cstddef>
#include <type_traits>

#include "core/error.h"
#include "core/pixel_format.h"

namespace orx::check {

[[noreturn]] void nullPointer(const char* parameter);

// The variable behind an out-parameter, refusing null.
template <typename T>
T& out(T* pointer, const char* parameter) {
    if (pointer == nullptr) nullPointer(parameter);
    return *pointer;
}

// The value behind an input pointer (a size, a position, a setting passed by
// address), refusing null.
template <typename T>
const T& in(const T* pointer, const char* parameter) {
    if (pointer == nullptr) nullPointer(parameter);
    return *pointer;
}

// Caller memory of `size` bytes that must hold `needed` bytes: null (unless
// nothing is needed) answers TARN_LUX_RETURN_CODE_INVALID_ARGUMENT, too few
// bytes TARN_LUX_RETURN_CODE_BUFFER_TOO_SMALL naming both sizes.
void buffer(const void* memory, size_t size, size_t needed, const char* parameter);

// `index` must be below `count` (TARN_LUX_RETURN_CODE_OUT_OF_RANGE).
void index(size_t index, size_t count, const char* parameter);

[[noreturn]] void outOfRange(const char* parameter, const std::string& value, const std::string& minimum,
                             const std::string& maximum);

// minimum <= value <= maximum (TARN_LUX_RETURN_CODE_OUT_OF_RANGE).
template <typename T>
void range(T value, T minimum, T maximum, const char* parameter) {
    if (value >= minimum && value <= maximum) return;
    // Widened so that 8-bit values print as numbers, not characters.
    using Printed = std::conditional_t<std::is_integral_v<T>,
                                       std::conditional_t<std::is_signed_v<T>, long long, unsigned long long>, T>;
    outOfRange(parameter, str(Printed(value)), str(Printed(minimum)), str(Printed(maximum)));
}

// A known pixel format other than Invalid, for operations that need pixels.
const PixelFormatInfo& imageFormat(TARN_LUX_PixelFormatName name, const char* parameter);

// A size that images of `format` can have: at least 1 x 1, or exactly 0 x 0
// for Invalid (the empty image) (TARN_LUX_RETURN_CODE_INVALID_ARGUMENT).
void imageSize(const PixelFormatInfo& format, size_t width, size_t height);

// For an operation that handles some formats only
// (TARN_LUX_RETURN_CODE_IMAGE_FORMAT_NOT_SUPPORTED).
[[noreturn]] void unsupportedFormat(TARN_LUX_PixelFormatName name, const char* what);

}  // namespace orx::check
