#include "image/image_views.h"

#include <string>

#include "library/exceptions.h"
#include "runtime/numpy_api.h"

namespace tarn::lux::views {
namespace {

using rt::numpy::kTypeUInt16;
using rt::numpy::kTypeUInt8;

// Packed formats (significant bits not whole bytes and equal to the storage
// bits) have no element type; the 16-bit variants of 8-bit formats would reach
// past the image, so they are refused as well.
void refusePacked(const Image &image, const char *function) {
  PixelFormat format = image.GetPixelFormat();
  if (format.NumSignificantBitsPerPixel() % 8 == 0) return;
  if (format.NumSignificantBitsPerPixel() == format.NumStorageBitsPerPixel())
    throw Exception(std::string(function) + " does not support packed pixel formats like " + format.Name() + "!");
}

// Shapes are whole bytes or words per pixel; where that covers more than the
// image's memory (8-bit formats as 16-bit words, subsampled YUV) the view
// would reach past the image, so it is refused.
void refuseOverreach(const Image &image, const char *function, size_t viewBytes) {
  if (viewBytes > image.ByteCount())
    throw Exception(std::string(function) + " cannot show " + image.GetPixelFormat().Name() +
                    " pixels in whole elements without reaching past the image!");
}

size_t bytesPerPixel(size_t storageBits) { return storageBits / 8 + (storageBits % 8 != 0 ? 1 : 0); }
size_t wordsPerPixel(size_t storageBits) { return storageBits / 16 + (storageBits / 8) % 2; }

PyObject *flat(const Image &image, const char *function, bool words) {
  refusePacked(image, function);
  uint8_t *data = image.Data();
  Py_intptr_t shape[1] = {static_cast<int32_t>(words ? image.ByteCount() / 2 : image.ByteCount())};
  return rt::numpy::newArray(1, shape, words ? kTypeUInt16 : kTypeUInt8, data);
}

PyObject *shaped(const Image &image, const char *function, bool words, bool threeDimensional) {
  refusePacked(image, function);
  uint8_t *data = image.Data();
  PixelFormat format = image.GetPixelFormat();
  size_t storage = format.NumStorageBitsPerPixel();
  int32_t perPixel = static_cast<int32_t>(words ? wordsPerPixel(storage) : bytesPerPixel(storage));
  int32_t width = static_cast<int32_t>(image.Width());
  int32_t height = static_cast<int32_t>(image.Height());
  int type = words ? kTypeUInt16 : kTypeUInt8;
  refuseOverreach(image, function, static_cast<size_t>(height) * width * perPixel * (words ? 2 : 1));
  if (threeDimensional) {
    Py_intptr_t shape[3] = {height, width, perPixel};
    return rt::numpy::newArray(3, shape, type, data);
  }
  Py_intptr_t shape[2] = {height, static_cast<int32_t>(perPixel * width)};
  return rt::numpy::newArray(2, shape, type, data);
}

}  // namespace

PyObject *DataView(const Image &image, PyObject *owner) {
  size_t bytes = image.ByteCount();
  uint8_t *data = image.Data();
  Py_buffer buffer;
  if (PyBuffer_FillInfo(&buffer, owner, data, static_cast<Py_ssize_t>(bytes), 1, PyBUF_ND) != 0) {
    PyErr_Clear();
    PyErr_SetString(PyExc_RuntimeError, "Can't create buffer view!");
    return nullptr;
  }
  PyObject *view = PyMemoryView_FromBuffer(&buffer);
  if (!view) {
    PyBuffer_Release(&buffer);
    return nullptr;
  }
  // The view adopts the record's reference to the image's Python object, so
  // the image lives as long as the view; releasing the view drops it.
  auto *memory = reinterpret_cast<PyMemoryViewObject *>(view);
  memory->mbuf->master.obj = buffer.obj;
  memory->view.obj = buffer.obj;
  return view;
}

PyObject *get_numpy_1D(const Image &image) { return flat(image, "get_numpy_1D()", false); }
PyObject *get_numpy_2D(const Image &image) { return shaped(image, "get_numpy_2D()", false, false); }
PyObject *get_numpy_3D(const Image &image) { return shaped(image, "get_numpy_3D()", false, true); }
PyObject *get_numpy_1D_16(const Image &image) { return flat(image, "get_numpy_1D_16()", true); }
PyObject *get_numpy_2D_16(const Image &image) { return shaped(image, "get_numpy_2D_16()", true, false); }
PyObject *get_numpy_3D_16(const Image &image) { return shaped(image, "get_numpy_3D_16()", true, true); }

}  // namespace tarn::lux::views
