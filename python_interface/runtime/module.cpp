// Module entry: creates the module, joins the type registry, imports numpy's
// array interface and installs the integer constants, in that order.
#include <Python.h>

#include <mutex>

#include "runtime/constants.h"
#include "runtime/numpy_api.h"
#include "runtime/type_registry.h"
#include "runtime/wrapped_object.h"
#include "wrappers/method_table.h"

namespace tarn::rt {

PyObject *containerName() {
  static PyObject *name = nullptr;
  static std::once_flag once;
  std::call_once(once, [] { name = PyUnicode_InternFromString("__swig_container"); });
  return name;
}

PyObject *lookupCache();

namespace {

PyModuleDef gModuleDefinition = {
    PyModuleDef_HEAD_INIT, "_tarn_lux_python_interface", nullptr, -1, wrappers::methodTable(),
    nullptr, nullptr, nullptr, nullptr};

constexpr int kApiVersion = 1013;

void installConstant(PyObject *dictionary, const Constant &constant) {
  PyObject *value = PyLong_FromLongLong(constant.value);
  PyDict_SetItemString(dictionary, constant.name, value);
  Py_XDECREF(value);
}

}  // namespace
}  // namespace tarn::rt

extern "C" __attribute__((visibility("default"))) PyObject *PyInit__tarn_lux_python_interface() {
  using namespace tarn::rt;
  thisName();
  lookupCache();
  packedObjectType();
  wrappedObjectType();
  PyObject *module = PyModule_Create2(&gModuleDefinition, kApiVersion);
  if (!module) return nullptr;
  PyObject *dictionary = PyModule_GetDict(module);
  initializeRegistry();
  installConstant(dictionary, kConstants[0]);
  if (!numpy::importArrayApi()) {
    PyErr_Print();
    PyErr_SetString(PyExc_ImportError, "numpy.core.multiarray failed to import");
    Py_DECREF(module);
    return nullptr;
  }
  for (size_t i = 1; i < kConstantCount; ++i) installConstant(dictionary, kConstants[i]);
  containerName();
  return module;
}
