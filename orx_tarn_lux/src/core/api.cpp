#include "core/api.h"

namespace orx::api {

void listTooSmall(size_t capacity, size_t needed) {
    fail(TARN_LUX_RETURN_CODE_BUFFER_TOO_SMALL, "the array holds ", capacity, " elements, but ", needed,
         " are needed");
}

}  // namespace orx::api
