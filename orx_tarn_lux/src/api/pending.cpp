// Operations whose implementation has not landed yet. Each answers
// TARN_LUX_RETURN_CODE_NOT_SUPPORTED with a description naming it, so the
// interface is complete from the start. Whoever implements one deletes its
// line here and defines it in their own file; the compiler checks every line
// below against the declaration in orx_tarn_lux.h.
#include "core/api.h"

namespace {

orx::ReturnCode notAvailable(const char* operation) {
    return orx::api::guard(operation, [] {
        orx::fail(TARN_LUX_RETURN_CODE_NOT_SUPPORTED, "this operation is not available in this version of the library");
    });
}

}  // namespace

#define ORX_PENDING(NAME, ...) \
    extern "C" TARN_LUX_RETURN_CODE NAME(__VA_ARGS__) { return notAvailable(#NAME); }

// clang-format off
// clang-format on
