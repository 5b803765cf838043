#include "core/separate_memory.h"

#include <functional>

#include "core/error.h"

namespace orx::check {

void separateMemory(const Image& input, const uint8_t* buffer, size_t size) {
    if (buffer == nullptr || size == 0 || input.byteCount() == 0) return;
    // std::less gives a total order even for pointers into unrelated objects.
    const std::less<const uint8_t*> before;
    const uint8_t* pixels = input.data();
    if (before(buffer, pixels + input.byteCount()) && before(pixels, buffer + size)) {
        fail(TARN_LUX_RETURN_CODE_INVALID_ARGUMENT, "the output buffer overlaps the pixels of the input image; "
             "pass separate memory");
    }
}

}  // namespace orx::check
