// Handles: the names under which library objects cross the C interface.
//
// A handle is not an address but a number that the registry maps to a live
// object, so a null, destroyed, never-issued or wrong-kind handle is detected
// and refused instead of being dereferenced.
//
// Two counts keep an object alive. Owners are the callers' references
// (Construct and AcquireReference add one, Destruct drops one); when the last
// owner goes, the handle leaves the registry at once and turns stale. Users
// are the calls working on the object right now: a lookup holds a Ref for the
// length of the call, so another thread's Destruct cannot free an object in
// use; the object is deleted when the last Ref of a stale handle ends.
//
// Entry points use the helpers of core/api.h (use, publish, ...) rather than
// this file directly.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>

#include "orx_tarn_lux.h"

namespace orx {

enum class HandleKind : uint8_t {
    Image,
    ImageConverter,
    ImageTransformer,
    ColorCorrector,
    GammaCorrector,
    Gain,
    Binning,
    Decimation,
    HotpixelCorrection,
    EdgeEnhancement,
    Sharpness,
    PixelLine,
    Histogram,
    VideoWriter,
};

// "image converter": how descriptions name a kind.
const char* handleKindName(HandleKind kind);

// The kind each C handle type names; fixed by the interface.
template <typename Handle>
struct HandleKindOf;

#define ORX_HANDLE_KIND(HANDLE, KIND) \
    template <>                       \
    struct HandleKindOf<HANDLE> {     \
        static constexpr HandleKind value = HandleKind::KIND; \
    }
ORX_HANDLE_KIND(TARN_LUX_ImageHandle, Image);
ORX_HANDLE_KIND(TARN_LUX_ImageConverterHandle, ImageConverter);
ORX_HANDLE_KIND(TARN_LUX_ImageTransformerHandle, ImageTransformer);
ORX_HANDLE_KIND(TARN_LUX_ColorCorrectorHandle, ColorCorrector);
ORX_HANDLE_KIND(TARN_LUX_GammaCorrectorHandle, GammaCorrector);
ORX_HANDLE_KIND(TARN_LUX_GainHandle, Gain);
ORX_HANDLE_KIND(TARN_LUX_BinningHandle, Binning);
ORX_HANDLE_KIND(TARN_LUX_DecimationHandle, Decimation);
ORX_HANDLE_KIND(TARN_LUX_HotpixelCorrectionHandle, HotpixelCorrection);
ORX_HANDLE_KIND(TARN_LUX_EdgeEnhancementHandle, EdgeEnhancement);
ORX_HANDLE_KIND(TARN_LUX_SharpnessHandle, Sharpness);
ORX_HANDLE_KIND(TARN_LUX_PixelLineHandle, PixelLine);
ORX_HANDLE_KIND(TARN_LUX_HistogramHandle, Histogram);
ORX_HANDLE_KIND(TARN_LUX_VideoWriterHandle, VideoWriter);
#undef ORX_HANDLE_KIND

// The C++ type that objects of a handle kind hold. Each kind binds its type
// once, at global scope in the header that defines the type:
//     ORX_BIND_HANDLE(TARN_LUX_ImageConverterHandle, orx::ImageConverter);
template <typename Handle>
struct HandleTarget;

#define ORX_BIND_HANDLE(HANDLE, TYPE)  \
    template <>                        \
    struct orx::HandleTarget<HANDLE> { \
        using type = TYPE;             \
    }

// Base of everything the registry holds.
class Object {
public:
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;
    virtual ~Object() = default;

    HandleKind kind() const noexcept { return kind_; }

protected:
    explicit Object(HandleKind kind) noexcept : kind_(kind) {}

private:
    friend struct Registry;
    const HandleKind kind_;
    uintptr_t handle_ = 0;
    // Guarded by the registry's lock for this handle.
    size_t owners_ = 1;
    // One for being in the registry plus one per Ref.
    std::atomic<size_t> users_{1};
};

template <typename T>
class Held final : public Object {
public:
    template <typename... Args>
    explicit Held(HandleKind kind, Args&&... args)
        : Object(kind), value(std::forward<Args>(args)...) {}

    T value;
};

// The registry itself; entry points reach it through core/api.h.
struct Registry {
    // Takes ownership and returns the new handle value, with one owner.
    static uintptr_t insert(std::unique_ptr<Object> object);
    // The live object of `kind` named by `handle`, with one more user;
    // throws Error(TARN_LUX_RETURN_CODE_INVALID_HANDLE) otherwise.
    static Object& acquire(uintptr_t handle, HandleKind kind);
    // Ends one use; the last use of an object whose owners are gone deletes it.
    static void release(Object& object) noexcept;
    // What AcquireReference and Destruct do to a handle.
    static void addReference(uintptr_t handle, HandleKind kind);
    static void dropReference(uintptr_t handle, HandleKind kind);
    // Objects of `kind` alive now; lets tests prove that nothing leaks.
    static size_t liveCount(HandleKind kind);
};

// A counted reference to the value behind a handle, for the length of a call.
template <typename T>
class Ref {
public:
    explicit Ref(Held<T>& held) noexcept : held_(&held) {}
    Ref(Ref&& other) noexcept : held_(std::exchange(other.held_, nullptr)) {}
    Ref& operator=(Ref&&) = delete;
    ~Ref() {
        if (held_ != nullptr) Registry::release(*held_);
    }

    T& operator*() const noexcept { return held_->value; }
    T* operator->() const noexcept { return &held_->value; }

private:
    Held<T>* held_;
};

}  // namespace orx
