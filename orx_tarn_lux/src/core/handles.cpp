#include "core/handles.h"

#include <mutex>
#include <unordered_map>

#include "core/error.h"

namespace orx {
namespace {

// Lookups of different handles rarely meet on one lock, so calls from many
// threads do not serialise on the registry.
constexpr size_t kShardCount = 16;

struct Shard {
    std::mutex mutex;
    std::unordered_map<uintptr_t, Object*> objects;
};

Shard& shardOf(uintptr_t handle) {
    // Never destroyed: objects may still be released by threads that outlive
    // static destruction.
    static Shard* const shards = new Shard[kShardCount];
    return shards[handle % kShardCount];
}

std::atomic<uintptr_t> nextHandle{1};

std::string withArticle(HandleKind kind) {
    const char* name = handleKindName(kind);
    const bool vowel = std::string("aeiou").find(name[0]) != std::string::npos;
    return str(vowel ? "an " : "a ", name);
}

std::string handleText(uintptr_t handle) { return str("0x", std::hex, handle); }

}  // namespace

const char* handleKindName(HandleKind kind) {
    switch (kind) {
        case HandleKind::Image: return "image";
        case HandleKind::ImageConverter: return "image converter";
        case HandleKind::ImageTransformer: return "image transformer";
        case HandleKind::ColorCorrector: return "color corrector";
        case HandleKind::GammaCorrector: return "gamma corrector";
        case HandleKind::Gain: return "gain";
        case HandleKind::Binning: return "binning";
        case HandleKind::Decimation: return "decimation";
        case HandleKind::HotpixelCorrection: return "hot-pixel correction";
        case HandleKind::EdgeEnhancement: return "edge enhancement";
        case HandleKind::Sharpness: return "sharpness measurement";
        case HandleKind::PixelLine: return "pixel line";
        case HandleKind::Histogram: return "histogram";
        case HandleKind::VideoWriter: return "video writer";
    }
    return "unknown kind of";
}

uintptr_t Registry::insert(std::unique_ptr<Object> object) {
    const uintptr_t handle = nextHandle.fetch_add(1, std::memory_order_relaxed);
    object->handle_ = handle;
    Shard& shard = shardOf(handle);
    std::lock_guard<std::mutex> lock(shard.mutex);
    shard.objects.emplace(handle, object.get());
    return object.release()->handle_;
}

// Finds the live object under the caller's lock of the handle's shard.
static Object& find(Shard& shard, uintptr_t handle, HandleKind kind) {
    if (handle == 0) fail(TARN_LUX_RETURN_CODE_INVALID_HANDLE, "the ", handleKindName(kind), " handle is null");
    const auto found = shard.objects.find(handle);
    if (found == shard.objects.end()) {
        fail(TARN_LUX_RETURN_CODE_INVALID_HANDLE, handleKindName(kind), " handle ", handleText(handle),
             " names no live object (it was destroyed already, or never made)");
    }
    if (found->second->kind() != kind) {
        fail(TARN_LUX_RETURN_CODE_INVALID_HANDLE, "handle ", handleText(handle), " names ",
             withArticle(found->second->kind()), ", not ", withArticle(kind));
    }
    return *found->second;
}

Object& Registry::acquire(uintptr_t handle, HandleKind kind) {
    Shard& shard = shardOf(handle);
    std::lock_guard<std::mutex> lock(shard.mutex);
    Object& object = find(shard, handle, kind);
    object.users_.fetch_add(1, std::memory_order_relaxed);
    return object;
}

void Registry::release(Object& object) noexcept {
    if (object.users_.fetch_sub(1, std::memory_order_acq_rel) == 1) delete &object;
}

void Registry::addReference(uintptr_t handle, HandleKind kind) {
    Shard& shard = shardOf(handle);
    std::lock_guard<std::mutex> lock(shard.mutex);
    ++find(shard, handle, kind).owners_;
}

void Registry::dropReference(uintptr_t handle, HandleKind kind) {
    Shard& shard = shardOf(handle);
    Object* leaving = nullptr;
    {
        std::lock_guard<std::mutex> lock(shard.mutex);
        Object& object = find(shard, handle, kind);
        if (--object.owners_ == 0) {
            shard.objects.erase(handle);
            leaving = &object;
        }
    }
    // Outside the lock: destructors may take long (a video writer finishing).
    if (leaving != nullptr) release(*leaving);
}

size_t Registry::liveCount(HandleKind kind) {
    size_t count = 0;
    for (size_t index = 0; index < kShardCount; ++index) {
        Shard& shard = shardOf(index);
        std::lock_guard<std::mutex> lock(shard.mutex);
        for (const auto& entry : shard.objects) count += entry.second->kind() == kind ? 1 : 0;
    }
    return count;
}

}  // namespace orx
