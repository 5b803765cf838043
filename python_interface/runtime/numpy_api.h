// The slice of numpy's native array interface this module uses, reached
// through the pointer table that numpy publishes as a capsule.
#pragma once

#include <Python.h>

namespace tarn::rt::numpy {

constexpr unsigned kAbiVersion = 0x1000009;
constexpr unsigned kMinimumFeatureVersion = 0xd;
constexpr int kTypeUInt8 = 2;
constexpr int kTypeUInt16 = 4;
constexpr int kFlagsCContiguousAlignedWriteable = 0x501;

// Imports the table; on failure a Python error is set and false returned.
bool importArrayApi();

// An array over existing memory that neither owns it nor holds a base object.
PyObject *newArray(int dimensions, const Py_intptr_t *shape, int typeNumber, void *data);

}  // namespace tarn::rt::numpy
