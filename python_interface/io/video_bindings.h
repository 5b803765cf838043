// What the video wrappers need beyond the common call protocol: shared
// encoders and containers as arguments and results, and the writer handed
// back by `<<` for chaining.
#pragma once

#include <Python.h>

#include <memory>

#include "io/codecs.h"
#include "io/video_writer.h"
#include "runtime/call_protocol.h"
#include "runtime/type_table.h"
#include "runtime/wrapped_object.h"

namespace tarn::rt {

// A `std::shared_ptr<T>` taken by value: one more reference to the object of
// a wrapped shared pointer of T or of a class derived from it; None gives an
// empty pointer. A derived object's pointer is converted on the heap; that
// temporary is released here.
template <class T>
bool sharedArg(PyObject *object, TypeIndex type, std::shared_ptr<T> &value, const char *message) {
  std::shared_ptr<T> *pointer = nullptr;
  int own = 0;
  int status = toPointer(object, type, &pointer, 0, &own);
  if (!succeeded(status)) return argumentError(status, message);
  if (pointer) value = *pointer;
  if (own & kNewMemory) delete pointer;
  return true;
}

// The object of an encoder or container method: as above, None refused.
template <class T>
bool sharedSelfArg(PyObject *object, TypeIndex type, std::shared_ptr<T> &value, const char *message) {
  if (!sharedArg(object, type, value, message)) return false;
  return value || nullReferenceError(message);
}

// A new owned proxy of the concrete class when the identifier says so (a
// failed downcast raises TypeError with `castMessage`), of the interface
// otherwise; None for an empty pointer.
template <class Concrete, class Base>
PyObject *concreteResult(std::shared_ptr<Base> held, unsigned short concreteId, TypeIndex concreteType,
                         TypeIndex baseType, const char *castMessage) {
  if (!held) return none();
  if (held->Id() != concreteId) return newResultObject(new std::shared_ptr<Base>(held), types()[baseType], kOwn);
  std::shared_ptr<Concrete> concrete = std::dynamic_pointer_cast<Concrete>(held);
  if (!concrete) {
    setError(PyExc_TypeError, castMessage);
    return nullptr;
  }
  return newResultObject(new std::shared_ptr<Concrete>(std::move(concrete)), types()[concreteType], kOwn);
}

inline PyObject *encoderResult(const lux::VideoWriter &writer) {
  return concreteResult<lux::encoder::MJPEGEncoder>(
      writer.Encoder(), TARN_LUX_VIDEO_ENCODER_MJPEG, T_std__shared_ptrT_tarn__lux__encoder__MJPEGEncoder_t,
      T_std__shared_ptrT_tarn__lux__encoder__IEncoder_t, "Cannot cast IEncoder to MJPEGEncoder!");
}

inline PyObject *containerResult(const lux::VideoWriter &writer) {
  return concreteResult<lux::container::AVIContainer>(
      writer.Container(), TARN_LUX_VIDEO_CONTAINER_AVI, T_std__shared_ptrT_tarn__lux__container__AVIContainer_t,
      T_std__shared_ptrT_tarn__lux__container__IContainer_t, "Cannot cast IContainer to AVIContainer!");
}

}  // namespace tarn::rt
