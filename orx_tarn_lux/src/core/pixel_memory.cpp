#include "core/pixel_memory.h"

#include <sys/mman.h>

#include <array>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "core/environment.h"

namespace orx {
namespace {

constexpr size_t kHugePage = size_t{2} << 20;
// Below this the heap serves well and keeps small images cheap.
constexpr size_t kMappingThreshold = size_t{256} << 10;
// From here on mappings are laid on huge-page borders.
constexpr size_t kHugeMappingThreshold = 2 * kHugePage;
// Smaller mappings are rounded up to this, so that frames of nearly the
// same size share cache entries.
constexpr size_t kMappingStep = size_t{64} << 10;
constexpr size_t kCachedMappings = 8;
constexpr size_t kDefaultCacheMiB = 256;
constexpr size_t kMiB = size_t{1} << 20;

size_t roundUp(size_t value, size_t step) { return (value + step - 1) / step * step; }

size_t cacheLimitFromEnvironment() {
    return environmentNumber("TARN_LUX_MAPPING_CACHE_MB", SIZE_MAX / kMiB).value_or(kDefaultCacheMiB) * kMiB;
}

// Released mappings kept for the next allocation of the same length. Lengths
// are multiples of kHugePage, so frames of one size always meet their own
// kind; the oldest entry makes room for a new one.
class MappingCache {
public:
    MappingCache() : limit_(cacheLimitFromEnvironment()) {}
    ~MappingCache() { clear(); }

    // A cached mapping of exactly `length` bytes, or null. The most
    // recently released one is the likeliest to still be in the caches.
    uint8_t* take(size_t length) noexcept {
        std::lock_guard<std::mutex> lock(mutex_);
        for (size_t i = count_; i-- > 0;) {
            if (entries_[i].length != length) continue;
            uint8_t* memory = entries_[i].memory;
            removeAt(i);
            return memory;
        }
        return nullptr;
    }

    // Keeps the mapping, or unmaps it when it does not fit.
    void give(uint8_t* memory, size_t length) noexcept {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (length <= limit_) {
                while (count_ > 0 && (count_ == kCachedMappings || bytes_ + length > limit_)) {
                    munmap(entries_[0].memory, entries_[0].length);
                    removeAt(0);
                }
                entries_[count_++] = Entry{memory, length};
                bytes_ += length;
                return;
            }
        }
        munmap(memory, length);
    }

    void clear() noexcept {
        std::lock_guard<std::mutex> lock(mutex_);
        while (count_ > 0) {
            munmap(entries_[0].memory, entries_[0].length);
            removeAt(0);
        }
    }

    MappingCacheState state() noexcept {
        std::lock_guard<std::mutex> lock(mutex_);
        return {count_, bytes_};
    }

private:
    struct Entry {
        uint8_t* memory;
        size_t length;
    };

    void removeAt(size_t i) noexcept {
        bytes_ -= entries_[i].length;
        for (size_t j = i + 1; j < count_; ++j) entries_[j - 1] = entries_[j];
        --count_;
    }

    std::mutex mutex_;
    const size_t limit_;
    std::array<Entry, kCachedMappings> entries_{};
    size_t count_ = 0;
    size_t bytes_ = 0;
};

MappingCache& mappingCache() {
    // Never destroyed: images released during exit still find it.
    static MappingCache* cache = new MappingCache();
    return *cache;
}

uint8_t* mapFresh(size_t length) {
    if (length < kHugeMappingThreshold) {
        void* memory = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        return memory == MAP_FAILED ? nullptr : static_cast<uint8_t*>(memory);
    }
    const size_t reserved = length + kHugePage;
    void* base = mmap(nullptr, reserved, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (base == MAP_FAILED) return nullptr;
    auto* start = static_cast<uint8_t*>(base);
    auto* aligned = reinterpret_cast<uint8_t*>(roundUp(reinterpret_cast<uintptr_t>(start), kHugePage));
    // Give back the slack before and after the aligned range.
    if (aligned > start) munmap(start, static_cast<size_t>(aligned - start));
    const size_t tail = static_cast<size_t>(start + reserved - (aligned + length));
    if (tail > 0) munmap(aligned + length, tail);
    madvise(aligned, length, MADV_HUGEPAGE);
    return aligned;
}

std::atomic<size_t> allocations{0};

}  // namespace

void ReleasePixels::operator()(uint8_t* memory) const noexcept {
    if (mappedBytes != 0)
        mappingCache().give(memory, mappedBytes);
    else
        std::free(memory);
}

PixelMemory allocatePixels(size_t bytes, Fill fill) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (bytes < kMappingThreshold || bytes > SIZE_MAX - 2 * kHugePage) {
        void* memory = fill == Fill::Zero ? std::calloc(bytes, 1) : std::malloc(bytes);
        return PixelMemory(static_cast<uint8_t*>(memory), ReleasePixels{});
    }
    const size_t length = roundUp(bytes, bytes < kHugeMappingThreshold ? kMappingStep : kHugePage);
    if (uint8_t* reused = mappingCache().take(length)) {
        if (fill == Fill::Zero) std::memset(reused, 0, bytes);
        return PixelMemory(reused, ReleasePixels{length});
    }
    // Fresh mappings come zeroed from the kernel.
    return PixelMemory(mapFresh(length), ReleasePixels{length});
}

size_t pixelAllocationCount() noexcept { return allocations.load(std::memory_order_relaxed); }

void releaseCachedMappings() noexcept { mappingCache().clear(); }

MappingCacheState mappingCacheState() noexcept { return mappingCache().state(); }

}  // namespace orx
