#include "core/guard.h"

#include <new>

#include "core/last_error.h"

namespace orx::api {
namespace {

ReturnCode record(const char* operation, ReturnCode code, const char* description) noexcept {
    setLastError(code, operation, description);
    return code;
}

}  // namespace

ReturnCode recordFailure(const char* operation) noexcept {
    try {
        throw;
    } catch (const Error& error) {
        return record(operation, error.code(), error.what());
    } catch (const std::bad_alloc&) {
        return record(operation, TARN_LUX_RETURN_CODE_ERROR,
                      "out of memory; the operation was abandoned and changed nothing");
    } catch (const std::exception& error) {
        return record(operation, TARN_LUX_RETURN_CODE_ERROR, error.what());
    } catch (...) {
        return record(operation, TARN_LUX_RETURN_CODE_ERROR, "unexpected internal failure");
    }
}

}  // namespace orx::api
