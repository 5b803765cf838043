// The one place where failures become return codes. Every exported function
// runs its body through guard():
//
//     TARN_LUX_RETURN_CODE TARN_LUX_Image_Width(TARN_LUX_ImageHandle image, size_t* width) {
//         return api::guard(__func__, [&] { check::out(width, "width") = api::use(image)->width(); });
//     }
//
// No exception leaves the library; the thread's last error gets the code and
// "<operation>: <what went wrong>".
#pragma once

#include "core/error.h"

namespace orx::api {

// Call only from inside a catch block: records the exception being handled
// as this thread's last error and returns its code. Error keeps its code,
// std::bad_alloc becomes TARN_LUX_RETURN_CODE_ERROR with an out-of-memory
// description, anything else TARN_LUX_RETURN_CODE_ERROR with its text.
ReturnCode recordFailure(const char* operation) noexcept;

template <typename Body>
ReturnCode guard(const char* operation, Body&& body) noexcept {
    try {
        body();
        return TARN_LUX_RETURN_CODE_SUCCESS;
    } catch (...) {
        return recordFailure(operation);
    }
}

}  // namespace orx::api
