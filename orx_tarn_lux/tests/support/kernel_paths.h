// Runs one operation on every kernel path (scalar reference, fast kernels;
// one thread, the whole pool) so tests can demand identical bytes from all.
#pragma once

#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "core/kernel_dispatch.h"
#include "core/parallel.h"

namespace orx::testing {

struct KernelPath {
    const char* name;
    bool forceScalar;
    size_t threads;  // 0: the whole pool
};

inline const std::vector<KernelPath>& kernelPaths() {
    static const std::vector<KernelPath> paths = {
        {"scalar, 1 thread", true, 1},
        {"fast, 1 thread", false, 1},
        {"fast, all threads", false, 0},
        {"scalar, all threads", true, 0},
    };
    return paths;
}

// Restores the default path when a test ends, also when it fails midway.
class PathScope {
public:
    explicit PathScope(const KernelPath& path) {
        setForceScalar(path.forceScalar);
        setThreadLimit(path.threads);
    }
    ~PathScope() {
        setForceScalar(false);
        setThreadLimit(0);
    }
    PathScope(const PathScope&) = delete;
    PathScope& operator=(const PathScope&) = delete;
};

// Runs `produce` on every path; returns the name of the first path whose
// bytes differ from the scalar single-thread result, or "" when all agree.
inline std::string firstDisagreeingPath(const std::function<std::vector<uint8_t>()>& produce) {
    std::vector<uint8_t> reference;
    for (const KernelPath& path : kernelPaths()) {
        PathScope scope(path);
        std::vector<uint8_t> result = produce();
        if (&path == &kernelPaths().front())
            reference = std::move(result);
        else if (result != reference)
            return path.name;
    }
    return "";
}

// Deterministic noise, so that every sample value and neighbour combination
// occurs without tests depending on a random seed.
inline std::vector<uint8_t> noiseBytes(size_t count, uint32_t seed) {
    std::mt19937 generator(seed);
    std::vector<uint8_t> bytes(count);
    for (auto& byte : bytes) byte = static_cast<uint8_t>(generator());
    return bytes;
}

}  // namespace orx::testing
