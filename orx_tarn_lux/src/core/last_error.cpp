#include "core/last_error.h"

namespace orx {
namespace {

LastError& record() noexcept {
    thread_local LastError error;
    return error;
}

}  // namespace

const LastError& lastError() noexcept { return record(); }

void setLastError(ReturnCode code, const char* operation, const char* description) noexcept {
    LastError& error = record();
    error.code = code;
    error.description.clear();  // keeps the capacity, so the appends below rarely allocate
    try {
        error.description.append(operation).append(": ").append(description);
    } catch (...) {
        // Whatever was appended before memory ran out stays: better than nothing.
    }
}

}  // namespace orx
