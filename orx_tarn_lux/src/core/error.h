// Failures inside the library: an Error carries the return code the caller
// will see and a description saying what was wrong and with which value.
// Entry points turn it into the thread's last error (see core/guard.h), so
// code below them simply throws.
#pragma once

#include <cstdint>
#include <sstream>
#include <stdexcept>
#include <string>

#include "orx_tarn_lux.h"

namespace orx {

using ReturnCode = TARN_LUX_RETURN_CODE;

class Error : public std::runtime_error {
public:
    Error(ReturnCode code, const std::string& description)
        : std::runtime_error(description), code_(code) {}

    ReturnCode code() const noexcept { return code_; }

private:
    ReturnCode code_;
};

// Concatenates anything streamable; the building block of every description.
// Note that uint8_t streams as a character: widen it first.
template <typename... Parts>
std::string str(const Parts&... parts) {
    std::ostringstream text;
    (text << ... << parts);
    return text.str();
}

template <typename... Parts>
[[noreturn]] void fail(ReturnCode code, const Parts&... parts) {
    throw Error(code, str(parts...));
}

// "0x010C0047": how descriptions show enumeration values that mean nothing
// to the library.
std::string hex32(uint32_t value);

// The constant's name ("TARN_LUX_RETURN_CODE_BUFFER_TOO_SMALL"), or
// "unknown return code" for a value outside the list.
const char* returnCodeName(ReturnCode code);

}  // namespace orx
