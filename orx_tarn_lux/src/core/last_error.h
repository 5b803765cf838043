// The last error of each thread, which TARN_LUX_GetLastError reports. Threads
// never see each other's failures, so a caller may ask right after its own
// failed call while other threads keep working.
#pragma once

#include <cstdint>
#include <string>

#include "core/error.h"

namespace orx {

struct LastError {
    ReturnCode code = TARN_LUX_RETURN_CODE_SUCCESS;
    std::string description;
};

// This thread's record; successful calls leave it as it is.
const LastError& lastError() noexcept;

// Replaces this thread's record with the code and "<operation>: <description>".
// Never throws: when the text cannot be stored for lack of memory, the record
// keeps the code and as much of the text as fits.
void setLastError(ReturnCode code, const char* operation, const char* description) noexcept;

}  // namespace orx
