// The handle life cycle shared by every object-layer class that holds one
// reference-counted library object (the converter, transformer, correctors,
// gain, binning, decimation, hot pixels, edge enhancement, sharpness,
// histograms and pixel lines):
//
//  - default construction asks the library for a new object (Construct);
//  - a copy is shallow: it acquires one more library reference on the same
//    handle, so settings changed through either copy are seen by both; a
//    null source is copied as null without a library call;
//  - a move takes the handle and leaves the source null;
//  - destruction gives the reference back (Destruct) unless the handle is
//    null, ignores the library's answer and never throws.
//
// A class declares its operations once:
//
//   class ImageConverter
//       : public LibraryObject<TARN_LUX_ImageConverterHandle, TARN_LUX_ImageConverter_Construct,
//                              TARN_LUX_ImageConverter_AcquireReference, TARN_LUX_ImageConverter_Destruct> {
//     using LibraryObject::LibraryObject;
//     ...
//   };
//
// Classes whose library Construct takes arguments (histograms, pixel lines)
// pass nullptr for Construct, start from LibraryObject(kNoHandle) and adopt
// the handle their own library call writes through adopt(). A derived constructor that fails after the base made the
// handle leaves it to the base destructor, so the library object is released.
#pragma once

#include "library/error_mapping.h"
#include "library/exceptions.h"
#include "orx_tarn_lux.h"

namespace tarn::lux {

struct NoHandle {};
inline constexpr NoHandle kNoHandle{};

template <class Handle, TARN_LUX_RETURN_CODE (*Construct)(Handle *), TARN_LUX_RETURN_CODE (*AcquireReference)(Handle),
          TARN_LUX_RETURN_CODE (*Destruct)(Handle)>
class LibraryObject {
 public:
  LibraryObject() {
    // Not a static_assert: under the sanitizers GCC does not take a function's address as a constant expression.
    if (Construct == nullptr) throw Exception("this class is constructed from arguments");
    check(Construct(&handle_));
  }
  LibraryObject(const LibraryObject &other) {
    if (other.handle_ != nullptr) {
      check(AcquireReference(other.handle_));
      handle_ = other.handle_;
    }
  }
  LibraryObject(LibraryObject &&other) noexcept : handle_(other.handle_) { other.handle_ = nullptr; }
  LibraryObject &operator=(const LibraryObject &) = delete;
  LibraryObject &operator=(LibraryObject &&) = delete;
  ~LibraryObject() { release(); }

  Handle handle() const noexcept { return handle_; }

 protected:
  explicit LibraryObject(NoHandle) noexcept {}

  // Takes over a handle the library wrote for this object.
  void adopt(Handle handle) noexcept {
    release();
    handle_ = handle;
  }

 private:
  void release() noexcept {
    if (handle_ != nullptr) Destruct(handle_);
    handle_ = nullptr;
  }

  Handle handle_ = nullptr;
};

}  // namespace tarn::lux
