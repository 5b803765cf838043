#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace orx {

// Releases pixel memory the way it was obtained: small blocks to the heap,
// large ones to the cache of recent mappings (or to the kernel when the cache
// is full).
struct ReleasePixels {
    size_t mappedBytes = 0;  // 0: heap block
    void operator()(uint8_t* memory) const noexcept;
};

using PixelMemory = std::unique_ptr<uint8_t, ReleasePixels>;

// What new pixel memory must hold before the caller writes to it.
enum class Fill {
    Zero,      // every byte 0
    Anything,  // whatever was there: for callers that overwrite every byte
};

// Memory for `bytes` pixel bytes, or null when none can be had.
//
// Images of 256 KiB and more get an anonymous mapping of their own; from
// 4 MiB on it lies on 2 MiB borders and is offered to the kernel as huge
// pages, so a fresh 5 MP RGB frame costs a handful of page faults instead of
// thousands. Released mappings are kept for reuse in a small cache, so that
// a loop producing a new frame per call (convert, scale, crop, clone) runs
// at memory speed instead of paying the kernel to fault in and zero every
// page anew; the heap, by contrast, hands large blocks back and forth to
// the kernel as they are freed. The cache holds at most 8 mappings and
// 256 MiB; the environment variable TARN_LUX_MAPPING_CACHE_MB sets another
// limit in MiB, 0 turns the cache off.
PixelMemory allocatePixels(size_t bytes, Fill fill);

// Calls of allocatePixels so far, in all threads; lets tests prove that a
// pooled operation takes no new pixel memory.
size_t pixelAllocationCount() noexcept;

// Returns every cached mapping to the kernel.
void releaseCachedMappings() noexcept;

// Mappings and bytes the cache holds now; for tests.
struct MappingCacheState {
    size_t mappings;
    size_t bytes;
};
MappingCacheState mappingCacheState() noexcept;

}  // namespace orx
