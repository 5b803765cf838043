#include "runtime/numpy_api.h"

namespace tarn::rt::numpy {
namespace {

// Slot numbers in numpy's pointer table.
constexpr int kSlotAbiVersion = 0;
constexpr int kSlotArrayType = 2;
constexpr int kSlotNew = 93;
constexpr int kSlotEndianness = 210;
constexpr int kSlotFeatureVersion = 211;
constexpr int kEndianUnknown = 0;
constexpr int kEndianLittle = 1;

void **gApi = nullptr;

template <class F>
F slot(int index) {
  return reinterpret_cast<F>(gApi[index]);
}

}  // namespace

bool importArrayApi() {
  PyObject *module = PyImport_ImportModule("numpy.core._multiarray_umath");
  if (!module) return false;
  PyObject *capsule = PyObject_GetAttrString(module, "_ARRAY_API");
  Py_DECREF(module);
  if (!capsule) {
    PyErr_SetString(PyExc_AttributeError, "_ARRAY_API not found");
    return false;
  }
  if (!PyCapsule_CheckExact(capsule)) {
    PyErr_SetString(PyExc_RuntimeError, "_ARRAY_API is not PyCapsule object");
    Py_DECREF(capsule);
    return false;
  }
  gApi = static_cast<void **>(PyCapsule_GetPointer(capsule, nullptr));
  Py_DECREF(capsule);
  if (!gApi) {
    PyErr_SetString(PyExc_RuntimeError, "_ARRAY_API is NULL pointer");
    return false;
  }
  unsigned abi = slot<unsigned (*)()>(kSlotAbiVersion)();
  if (abi != kAbiVersion) {
    PyErr_Format(PyExc_RuntimeError, "module compiled against ABI version 0x%x but this version of numpy is 0x%x",
                 kAbiVersion, abi);
    gApi = nullptr;
    return false;
  }
  unsigned feature = slot<unsigned (*)()>(kSlotFeatureVersion)();
  if (feature < kMinimumFeatureVersion) {
    PyErr_Format(PyExc_RuntimeError, "module compiled against API version 0x%x but this version of numpy is 0x%x",
                 kMinimumFeatureVersion, feature);
    gApi = nullptr;
    return false;
  }
  int endianness = slot<int (*)()>(kSlotEndianness)();
  if (endianness == kEndianUnknown) {
    PyErr_SetString(PyExc_RuntimeError, "FATAL: module compiled as unknown endian");
    gApi = nullptr;
    return false;
  }
  if (endianness != kEndianLittle) {
    PyErr_SetString(PyExc_RuntimeError,
                    "FATAL: module compiled as little endian, but detected different endianness at runtime");
    gApi = nullptr;
    return false;
  }
  return true;
}

PyObject *newArray(int dimensions, const Py_intptr_t *shape, int typeNumber, void *data) {
  using New = PyObject *(*)(PyTypeObject *, int, const Py_intptr_t *, int, const Py_intptr_t *, void *, int, int,
                            PyObject *);
  auto *arrayType = static_cast<PyTypeObject *>(gApi[kSlotArrayType]);
  return slot<New>(kSlotNew)(arrayType, dimensions, shape, typeNumber, nullptr, data, 0,
                             kFlagsCContiguousAlignedWriteable, nullptr);
}

}  // namespace tarn::rt::numpy
