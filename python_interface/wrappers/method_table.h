#pragma once

#include <Python.h>

namespace tarn::wrappers {

// The module's method table (generated from the wrapper descriptions).
PyMethodDef *methodTable();

}  // namespace tarn::wrappers
