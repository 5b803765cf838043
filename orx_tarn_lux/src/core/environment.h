// Settings the library takes from the environment when it first needs them.
#pragma once

#include <cstddef>
#include <optional>

namespace orx {

// The whole decimal number in environment variable `name`; nothing when the
// variable is unset, empty, not entirely a number or larger than `limit`.
std::optional<size_t> environmentNumber(const char* name, size_t limit);

}  // namespace orx
