#include "core/environment.h"

#include <cerrno>
#include <cstdlib>

namespace orx {

std::optional<size_t> environmentNumber(const char* name, size_t limit) {
    const char* text = std::getenv(name);
    if (text == nullptr || *text < '0' || *text > '9') return std::nullopt;
    char* end = nullptr;
    errno = 0;
    const unsigned long long value = std::strtoull(text, &end, 10);
    if (*end != '\0' || errno == ERANGE || value > limit) return std::nullopt;
    return static_cast<size_t>(value);
}

}  // namespace orx
