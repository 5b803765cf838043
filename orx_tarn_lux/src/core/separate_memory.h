// Operations that write into caller memory read the input image while they
// write; memory shared by both would feed converted pixels back in.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/image.h"

namespace orx::check {

// Refuses (TARN_LUX_RETURN_CODE_INVALID_ARGUMENT) a `buffer` of `size` bytes
// that shares a byte with the pixels of `input`.
void separateMemory(const Image& input, const uint8_t* buffer, size_t size);

}  // namespace orx::check
