// The handle life cycle shared by the processing classes: the default
// constructor makes a library object, copies share it (one more reference),
// moves hand the handle over, and the destructor drops one reference.
#pragma once

#include <utility>

#include "library/error_mapping.h"
#include "orx_tarn_lux.h"

namespace tarn::lux {

template <class Derived, class Handle>
class LibraryHandle {
 public:
  struct Operations {
    TARN_LUX_RETURN_CODE (*construct)(Handle *);
    TARN_LUX_RETURN_CODE (*acquireReference)(Handle);
    TARN_LUX_RETURN_CODE (*destruct)(Handle);
  };

  LibraryHandle() { check(Derived::kOperations.construct(&handle_)); }
  LibraryHandle(const LibraryHandle &other) {
    if (other.handle_) check(Derived::kOperations.acquireReference(other.handle_));
    handle_ = other.handle_;
  }
  LibraryHandle(LibraryHandle &&other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  LibraryHandle &operator=(const LibraryHandle &) = delete;
  LibraryHandle &operator=(LibraryHandle &&) = delete;
  ~LibraryHandle() {
    if (handle_) Derived::kOperations.destruct(handle_);
  }

  Handle handle() const noexcept { return handle_; }

 private:
  Handle handle_ = nullptr;
};

}  // namespace tarn::lux
