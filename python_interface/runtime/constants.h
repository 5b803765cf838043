#pragma once

#include <cstddef>

namespace tarn::rt {

struct Constant {
  const char *name;
  long long value;
};

// kConstants[0] is SHARED_PTR_DISOWN, installed before the numpy import.
extern const Constant kConstants[];
extern const size_t kConstantCount;

}  // namespace tarn::rt
