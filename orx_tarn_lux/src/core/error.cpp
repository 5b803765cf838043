#include "core/error.h"

#include <cstdio>
#include <iterator>

namespace orx {

std::string hex32(uint32_t value) {
    char text[11];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(value));
    return text;
}

const char* returnCodeName(ReturnCode code) {
    // Indexed by code; must follow the numbering in orx_tarn_lux.h.
    static const char* const kNames[] = {
        "TARN_LUX_RETURN_CODE_SUCCESS",
        "TARN_LUX_RETURN_CODE_ERROR",
        "TARN_LUX_RETURN_CODE_INVALID_HANDLE",
        "TARN_LUX_RETURN_CODE_IO_ERROR",
        "TARN_LUX_RETURN_CODE_BUFFER_TOO_SMALL",
        "TARN_LUX_RETURN_CODE_INVALID_ARGUMENT",
        "TARN_LUX_RETURN_CODE_OUT_OF_RANGE",
        "TARN_LUX_RETURN_CODE_IMAGE_FORMAT_NOT_SUPPORTED",
        "TARN_LUX_RETURN_CODE_FORMAT_INTERPRETATION_ERROR",
        "TARN_LUX_RETURN_CODE_NOT_SUPPORTED",
        "TARN_LUX_RETURN_CODE_NOT_PERMITTED",
        "TARN_LUX_RETURN_CODE_BUSY",
        "TARN_LUX_RETURN_CODE_TIMEOUT",
    };
    static_assert(std::size(kNames) == TARN_LUX_RETURN_CODE_TIMEOUT + 1);
    if (code < 0 || code > TARN_LUX_RETURN_CODE_TIMEOUT) return "unknown return code";
    return kNames[code];
}

}  // namespace orx
