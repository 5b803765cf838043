#include "core/pixel_memory.h"

#include <sys/mman.h>

#include <cstdlib>

namespace orx {
namespace {

constexpr size_t kHugePage = size_t{2} << 20;
// Below this the heap serves well and keeps small images cheap.
constexpr size_t kMappingThreshold = 2 * kHugePage;

size_t roundUp(size_t value, size_t step) { return (value + step - 1) / step * step; }

}  // namespace

void ReleasePixels::operator()(uint8_t* memory) const noexcept {
    if (mappedBytes != 0)
        munmap(memory, mappedBytes);
    else
        std::free(memory);
}

PixelMemory allocatePixels(size_t bytes) {
    if (bytes < kMappingThreshold || bytes > SIZE_MAX - 2 * kHugePage)
        return PixelMemory(static_cast<uint8_t*>(std::calloc(bytes, 1)), ReleasePixels{});
    const size_t length = roundUp(bytes, kHugePage);
    const size_t reserved = length + kHugePage;
    void* base = mmap(nullptr, reserved, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (base == MAP_FAILED) return PixelMemory(nullptr, ReleasePixels{});
    auto* start = static_cast<uint8_t*>(base);
    auto* aligned = reinterpret_cast<uint8_t*>(roundUp(reinterpret_cast<uintptr_t>(start), kHugePage));
    // Give back the slack before and after the aligned range.
    if (aligned > start) munmap(start, static_cast<size_t>(aligned - start));
    const size_t tail = static_cast<size_t>(start + reserved - (aligned + length));
    if (tail > 0) munmap(aligned + length, tail);
    madvise(aligned, length, MADV_HUGEPAGE);
    return PixelMemory(aligned, ReleasePixels{length});
}

}  // namespace orx
