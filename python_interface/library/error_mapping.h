// The error-mapping step around every library call: a nonzero return code
// becomes the typed exception of the code that the library's last error names.
#pragma once

#include <cstdint>
#include <string>

#include "orx_tarn_lux.h"

namespace tarn::lux {

// Name printed for a return code ("" for codes outside the table).
const char *returnCodeName(int32_t code);

// Fetches the calling thread's last error and throws its exception.
[[noreturn]] void throwLastError();

inline void check(TARN_LUX_RETURN_CODE code) {
  if (code != TARN_LUX_RETURN_CODE_SUCCESS) throwLastError();
}

// One checked query whose answer comes through a single out-parameter.
template <class T, class Operation, class Subject>
T query(Operation operation, Subject subject) {
  T value{};
  check(operation(subject, &value));
  return value;
}

}  // namespace tarn::lux
