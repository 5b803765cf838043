// What an exported function needs, in one include. A typical entry point:
//
//     extern "C" TARN_LUX_RETURN_CODE TARN_LUX_Image_Clone(TARN_LUX_ImageHandle image,
//                                                          TARN_LUX_ImageHandle* clone) {
//         return api::guard(__func__, [&] {
//             TARN_LUX_ImageHandle& result = check::out(clone, "clone");  // check out-parameters first
//             api::publish(result, api::use(image)->clone());
//         });
//     }
//
// guard() turns every failure into a return code and the thread's last error;
// use() checks an incoming handle and holds its object for the call;
// publish() registers a new object and writes its handle; failures are raised
// with fail() (core/error.h) or the shared checks (core/check.h).
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "core/check.h"
#include "core/error.h"
#include "core/guard.h"
#include "core/handles.h"

namespace orx::api {

template <typename Handle>
using Target = typename HandleTarget<Handle>::type;

template <typename Handle>
uintptr_t handleValue(Handle handle) noexcept {
    return reinterpret_cast<uintptr_t>(handle);
}

// The object behind an incoming handle, alive until the Ref ends.
template <typename Handle>
Ref<Target<Handle>> use(Handle handle) {
    Object& object = Registry::acquire(handleValue(handle), HandleKindOf<Handle>::value);
    return Ref<Target<Handle>>(static_cast<Held<Target<Handle>>&>(object));
}

// Builds a new object from `args` (e.g. a finished orx::Image, moved in) and
// writes its handle to `slot`, which then owns one reference. Write nothing
// else after this: the call must not fail once a handle is out.
template <typename Handle, typename... Args>
void publish(Handle& slot, Args&&... args) {
    auto object = std::make_unique<Held<Target<Handle>>>(HandleKindOf<Handle>::value, std::forward<Args>(args)...);
    slot = reinterpret_cast<Handle>(Registry::insert(std::move(object)));
}

// The bodies of AcquireReference and Destruct.
template <typename Handle>
void addReference(Handle handle) {
    Registry::addReference(handleValue(handle), HandleKindOf<Handle>::value);
}

template <typename Handle>
void destruct(Handle handle) {
    Registry::dropReference(handleValue(handle), HandleKindOf<Handle>::value);
}

[[noreturn]] void listTooSmall(size_t capacity, size_t needed);

// Answers a two-call size query for a list: with a null `array` only the
// number of elements goes to *count; otherwise *count holds the array's
// capacity, the elements are copied and *count becomes their number. Too
// small a capacity answers TARN_LUX_RETURN_CODE_BUFFER_TOO_SMALL with *count
// set to the number needed.
template <typename T>
void answerList(const T* values, size_t available, T* array, size_t* count) {
    size_t& capacity = check::out(count, "count");
    if (array != nullptr) {
        if (capacity < available) {
            const size_t given = std::exchange(capacity, available);
            listTooSmall(given, available);
        }
        std::copy_n(values, available, array);
    }
    capacity = available;
}

template <typename T>
void answerList(const std::vector<T>& values, T* array, size_t* count) {
    answerList(values.data(), values.size(), array, count);
}

}  // namespace orx::api
