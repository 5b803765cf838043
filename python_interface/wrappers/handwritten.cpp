// Wrappers whose failures answer NotImplemented instead of raising, so that
// Python falls back to its own comparison.
#include "library/object_layer.h"
#include "runtime/call_protocol.h"

namespace tarn::wrappers {
namespace {

// Runs a comparison; any conversion or library failure gives NotImplemented.
template <class Compare>
PyObject *compareOrNotImplemented(PyObject *args, const char *name, Compare compare) {
  rt::CallScope scope;
  PyObject *argv[2];
  if (rt::unpackArguments(args, name, 2, 2, argv) < 0) return nullptr;
  PyObject *result = compare(argv[0], argv[1]);
  if (!result) {
    PyErr_Clear();
    Py_RETURN_NOTIMPLEMENTED;
  }
  return result;
}

PyObject *compareImages(PyObject *args, const char *name, bool equal) {
  return compareOrNotImplemented(args, name, [equal](PyObject *left, PyObject *right) -> PyObject * {
    lux::Image *self = nullptr, *other = nullptr;
    if (!rt::succeeded(rt::toPointer(left, rt::T_tarn__lux__Image, &self, rt::kNoNull)) ||
        !rt::succeeded(rt::toPointer(right, rt::T_tarn__lux__Image, &other, rt::kNoNull)) || !self || !other)
      return nullptr;
    bool same = false;
    try {
      same = *self == *other;
    } catch (...) {
      return nullptr;
    }
    return rt::fromBool(same == equal);
  });
}

}  // namespace

PyObject *w_Image___eq__(PyObject *, PyObject *args) { return compareImages(args, "Image___eq__", true); }
PyObject *w_Image___ne__(PyObject *, PyObject *args) { return compareImages(args, "Image___ne__", false); }

PyObject *w_PixelFormat___eq__(PyObject *, PyObject *args) {
  return compareOrNotImplemented(args, "PixelFormat___eq__", [](PyObject *left, PyObject *right) -> PyObject * {
    lux::PixelFormat *self = nullptr;
    rt::ImplicitArg<lux::PixelFormat> other;
    if (!rt::succeeded(rt::toPointer(left, rt::T_tarn__lux__PixelFormat, &self, rt::kNoNull)) || !self) return nullptr;
    int status = rt::toPointer(right, rt::T_tarn__lux__PixelFormat, &other.value, rt::kImplicitConversion);
    if (!rt::succeeded(status) || !other.value) return nullptr;
    other.owned = rt::isNewObject(status);
    return rt::fromBool(*self == *other.value);
  });
}

}  // namespace tarn::wrappers
