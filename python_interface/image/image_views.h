// Views of an image's pixel memory: a read-only memory view and writable numpy
// arrays of 8- or 16-bit elements.  Nothing is copied; the arrays do not keep
// the image alive (the memory view does).
#pragma once

#include <Python.h>

#include "image/image.h"

namespace tarn::lux::views {

PyObject *DataView(const Image &image, PyObject *owner);
PyObject *get_numpy_1D(const Image &image);
PyObject *get_numpy_2D(const Image &image);
PyObject *get_numpy_3D(const Image &image);
PyObject *get_numpy_1D_16(const Image &image);
PyObject *get_numpy_2D_16(const Image &image);
PyObject *get_numpy_3D_16(const Image &image);

}  // namespace tarn::lux::views
