#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace orx {

// Releases pixel memory the way it was obtained: small blocks from the heap,
// large ones as their own anonymous mapping.
struct ReleasePixels {
    size_t mappedBytes = 0;  // 0: heap block
    void operator()(uint8_t* memory) const noexcept;
};

using PixelMemory = std::unique_ptr<uint8_t, ReleasePixels>;

// Zero-filled memory for `bytes` pixels bytes, or null when none can be had.
// Frames of megabytes are mapped on 2 MiB borders and offered to the kernel
// as huge pages: a fresh 5 MP RGB frame then costs a handful of page faults
// instead of thousands, which otherwise dominate every operation that
// returns a new image.
PixelMemory allocatePixels(size_t bytes);

}  // namespace orx
