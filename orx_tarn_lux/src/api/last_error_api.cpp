#include <cstring>

#include "core/last_error.h"
#include "orx_tarn_lux.h"

// Not guarded like the other entry points: its own failures must leave the
// error it reports untouched, so that the caller can simply ask again.
extern "C" TARN_LUX_RETURN_CODE TARN_LUX_GetLastError(int32_t* code, char* text, size_t* size) {
    if (code == nullptr || size == nullptr) return TARN_LUX_RETURN_CODE_INVALID_ARGUMENT;
    const orx::LastError& error = orx::lastError();
    const size_t needed = error.description.size() + 1;  // with the terminating NUL
    if (text != nullptr) {
        if (*size < needed) {
            *size = needed;
            return TARN_LUX_RETURN_CODE_BUFFER_TOO_SMALL;
        }
        std::memcpy(text, error.description.c_str(), needed);
    }
    *code = error.code;
    *size = needed;
    return TARN_LUX_RETURN_CODE_SUCCESS;
}
