#include "core/kernel_dispatch.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace orx {
namespace {

bool scalarForcedByEnvironment() {
    const char* value = std::getenv("TARN_LUX_FORCE_SCALAR");
    return value != nullptr && std::strcmp(value, "1") == 0;
}

bool processorHasFastKernels() {
#if ORX_HAVE_FAST_KERNELS
    return __builtin_cpu_supports("avx2");
#else
    return false;
#endif
}

bool processorHasWideKernels() {
#if ORX_HAVE_FAST_KERNELS
    return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
           __builtin_cpu_supports("avx512vbmi");
#else
    return false;
#endif
}

std::atomic<bool>& forceScalar() {
    static std::atomic<bool> forced{scalarForcedByEnvironment()};
    return forced;
}

}  // namespace

bool useFastKernels() {
    static const bool available = processorHasFastKernels();
    return available && !forceScalar().load(std::memory_order_relaxed);
}

bool useWideKernels() {
    static const bool available = processorHasWideKernels();
    return available && useFastKernels();
}

void setForceScalar(bool force) { forceScalar().store(force, std::memory_order_relaxed); }

}  // namespace orx
