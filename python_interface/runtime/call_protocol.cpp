#include "runtime/call_protocol.h"

#include <cfloat>
#include <cmath>
#include <cstring>
#include <stdexcept>

#include "library/exceptions.h"
#include "runtime/iterators.h"

namespace tarn::rt {

// --- errors ---------------------------------------------------------------

PyObject *exceptionForStatus(int status) {
  switch (status) {
    case -12: return PyExc_MemoryError;
    case -11: return PyExc_AttributeError;
    case -10: return PyExc_SystemError;
    case -9: return PyExc_ValueError;
    case -8: return PyExc_SyntaxError;
    case -7: return PyExc_OverflowError;
    case -6: return PyExc_ZeroDivisionError;
    case -5:
    case -1: return PyExc_TypeError;
    case -4: return PyExc_IndexError;
    case -2: return PyExc_IOError;
    default: return PyExc_RuntimeError;
  }
}

void setError(PyObject *type, const char *message) {
  PyGILState_STATE state = PyGILState_Ensure();
  PyErr_SetString(type, message);
  PyGILState_Release(state);
}

void setErrorObject(PyObject *type, PyObject *value) {
  PyGILState_STATE state = PyGILState_Ensure();
  PyErr_SetObject(type, value);
  PyGILState_Release(state);
}

bool argumentError(int status, const char *message) {
  if (status == kStaleReference) {
    std::string text = std::string(message) +
                       ": the object it referred to (a vector element, a member or an argument of the call that "
                       "made it) no longer exists";
    setError(PyExc_IndexError, text.c_str());
    return false;
  }
  setError(exceptionForStatus(status), message);
  return false;
}

bool nullReferenceError(const char *message) {
  std::string text = std::string("invalid null reference ") + message;
  setError(PyExc_ValueError, text.c_str());
  return false;
}

bool notOwnedError(const char *message) {
  // "in method 'f', argument n of type 'T'" becomes
  // "in method 'f', cannot release ownership as memory is not owned for argument n of type 'T'".
  std::string text = message;
  size_t comma = text.find(", argument ");
  if (comma != std::string::npos)
    text.replace(comma, 2, ", cannot release ownership as memory is not owned for ");
  setError(PyExc_RuntimeError, text.c_str());
  return false;
}

// --- argument counts --------------------------------------------------------

Py_ssize_t unpackArguments(PyObject *args, const char *name, Py_ssize_t min, Py_ssize_t max, PyObject **argv) {
  if (!args) {
    PyErr_Format(PyExc_TypeError, "%s expected %s%d arguments, got none", name, min == max ? "" : "at least ",
                 static_cast<int>(min));
    return -1;
  }
  if (!PyTuple_Check(args)) {
    if (min <= 1 && max >= 1) {
      argv[0] = args;
      for (Py_ssize_t i = 1; i < max; ++i) argv[i] = nullptr;
      return 1;
    }
    PyErr_SetString(PyExc_SystemError, "UnpackTuple() argument list is not a tuple");
    return -1;
  }
  Py_ssize_t count = PyTuple_GET_SIZE(args);
  if (count < min) {
    PyErr_Format(PyExc_TypeError, "%s expected %s%d arguments, got %d", name, min == max ? "" : "at least ",
                 static_cast<int>(min), static_cast<int>(count));
    return -1;
  }
  if (count > max) {
    PyErr_Format(PyExc_TypeError, "%s expected %s%d arguments, got %d", name, min == max ? "" : "at most ",
                 static_cast<int>(max), static_cast<int>(count));
    return -1;
  }
  for (Py_ssize_t i = 0; i < count; ++i) argv[i] = PyTuple_GET_ITEM(args, i);
  for (Py_ssize_t i = count; i < max; ++i) argv[i] = nullptr;
  return count;
}

PyObject *overloadError(const char *name, const char *prototypes) {
  std::string message = std::string("Wrong number or type of arguments for overloaded function '") + name +
                        "'.\n  Possible C/C++ prototypes are:\n" + prototypes;
  if (PyErr_Occurred() && PyErr_ExceptionMatches(PyExc_TypeError)) {
    PyObject *type, *value, *traceback;
    PyErr_Fetch(&type, &value, &traceback);
    PyErr_NormalizeException(&type, &value, &traceback);
    PyObject *extended = PyUnicode_FromFormat("%S\nAdditional information:\n%s", value, message.c_str());
    Py_XDECREF(type);
    Py_XDECREF(value);
    Py_XDECREF(traceback);
    if (extended) {
      PyErr_SetObject(PyExc_TypeError, extended);
      Py_DECREF(extended);
    }
    return nullptr;
  }
  PyErr_Clear();
  setError(PyExc_TypeError, message.c_str());
  return nullptr;
}

// --- scalars ----------------------------------------------------------------

int toLongLong(PyObject *object, long long min, long long max, long long *value) {
  if (!PyLong_Check(object)) return kTypeError;
  int overflow = 0;
  long long wide = PyLong_AsLongLongAndOverflow(object, &overflow);
  if (overflow) return kOverflowError;
  if (wide == -1 && PyErr_Occurred()) {
    PyErr_Clear();
    return kTypeError;
  }
  if (wide < min || wide > max) return kOverflowError;
  *value = wide;
  return kOk;
}

int toUnsignedLongLong(PyObject *object, unsigned long long max, unsigned long long *value) {
  if (!PyLong_Check(object)) return kTypeError;
  unsigned long long wide = PyLong_AsUnsignedLongLong(object);
  if (wide == static_cast<unsigned long long>(-1) && PyErr_Occurred()) {
    PyErr_Clear();
    return kOverflowError;
  }
  if (wide > max) return kOverflowError;
  *value = wide;
  return kOk;
}

int toDouble(PyObject *object, double *value) {
  if (PyFloat_Check(object)) {
    *value = PyFloat_AS_DOUBLE(object);
    return kOk;
  }
  if (PyLong_Check(object)) {
    double converted = PyLong_AsDouble(object);
    if (converted == -1.0 && PyErr_Occurred()) {
      PyErr_Clear();
      return kTypeError;
    }
    *value = converted;
    return kOk;
  }
  return kTypeError;
}

int toFloat(PyObject *object, float *value) {
  double wide;
  int status = toDouble(object, &wide);
  if (status != kOk) return status;
  if (std::isfinite(wide) && std::fabs(wide) > FLT_MAX) return kOverflowError;
  *value = static_cast<float>(wide);
  return kOk;
}

// --- objects ----------------------------------------------------------------

bool voidPointerArg(PyObject *object, RawMemory *value, const char *message) {
  *value = RawMemory{};
  if (object == Py_None) return true;
  WrappedObject *wrapped = wrappedObjectOf(object);
  if (!wrapped) return argumentError(kError, message);
  value->ptr = resolvedPointer(wrapped);
  if (!value->ptr) return true;
  if (CallScope *scope = CallScope::current()) scope->use(value->ptr);
  // Objects of other modules' types have no size known here: nothing of
  // them is read or written.
  for (size_t i = 0; i < kTypeCount; ++i) {
    if (types()[i] == wrapped->type) {
      TypeExtent extent = typeExtent(i);
      value->extent = extent.size;
      value->writable = extent.plain;
      break;
    }
  }
  return true;
}

namespace {

TypeInfo *charType() {
  static TypeInfo *type = lookupType("_p_char");
  return type;
}

TypeInfo *stringType() {
  static TypeInfo *type = lookupType("std::string *");
  return type;
}

}  // namespace

bool stringArg(PyObject *object, StringArg &arg, const char *message) {
  if (PyUnicode_Check(object)) {
    Py_ssize_t size = 0;
    const char *bytes = PyUnicode_AsUTF8AndSize(object, &size);
    if (!bytes) {
      PyErr_Clear();
      return argumentError(kError, message);
    }
    arg.value = new std::string(bytes, static_cast<size_t>(size));
    arg.owned = true;
    return true;
  }
  if (object == Py_None) return nullReferenceError(message);
  if (wrappedObjectOf(object)) {
    void *pointer = nullptr;
    if (charType() && succeeded(convertPointer(object, &pointer, charType(), 0)) && pointer) {
      arg.value = new std::string(static_cast<const char *>(pointer));
      arg.owned = true;
      return true;
    }
    if (stringType() && succeeded(convertPointer(object, &pointer, stringType(), 0)) && pointer) {
      arg.value = static_cast<std::string *>(pointer);
      return true;
    }
  }
  return argumentError(kError, message);
}

bool bufferArg(PyObject *object, BufferArg &arg, const char *message) {
  Py_buffer view;
  if (PyObject_GetBuffer(object, &view, PyBUF_WRITABLE) != 0) {
    PyErr_Clear();
    return argumentError(kTypeError, message);
  }
  arg.data = static_cast<uint8_t *>(view.buf);
  arg.size = static_cast<size_t>(view.len);
  // The export lasts as long as the call: code run by a later conversion,
  // or another thread while the lock is released, cannot resize or free
  // the memory the library is about to write.
  if (CallScope *scope = CallScope::current())
    scope->holdBuffer(view);
  else
    PyBuffer_Release(&view);
  return true;
}

// --- dispatch checks ----------------------------------------------------------

bool isSigned(PyObject *object, long long min, long long max) {
  long long value;
  return toLongLong(object, min, max, &value) == kOk;
}

bool isUnsigned(PyObject *object, unsigned long long max) {
  unsigned long long value;
  return toUnsignedLongLong(object, max, &value) == kOk;
}

bool isFloating(PyObject *object) {
  double value;
  return toDouble(object, &value) == kOk;
}

bool isFloat32(PyObject *object) {
  float value;
  return toFloat(object, &value) == kOk;
}

bool isPointer(PyObject *object, TypeIndex type, bool noNull) {
  return succeeded(convertPointer(object, nullptr, types()[type], noNull ? kNoNull : 0));
}

bool isImplicit(PyObject *object, TypeIndex type) {
  return succeeded(convertPointer(object, nullptr, types()[type], kImplicitConversion));
}

bool isString(PyObject *object) {
  if (PyUnicode_Check(object)) {
    if (PyUnicode_AsUTF8AndSize(object, nullptr)) return true;
    PyErr_Clear();
    return false;
  }
  if (object == Py_None) return true;  // the body then reports the null reference
  void *pointer = nullptr;
  return (charType() && succeeded(convertPointer(object, &pointer, charType(), kNoNull))) ||
         (stringType() && succeeded(convertPointer(object, &pointer, stringType(), kNoNull)));
}

// --- results ------------------------------------------------------------------

PyObject *fromString(const std::string &value) {
  return PyUnicode_DecodeUTF8(value.data(), static_cast<Py_ssize_t>(value.size()), "surrogateescape");
}

// --- exception translation ------------------------------------------------------

namespace {

// The class registered for an exception type; a registered class that is
// no exception class cannot be raised, so RuntimeError stands in for it.
PyObject *registeredClass(TypeIndex type) {
  ClassData *data = types()[type]->clientData;
  return data && data->proxyClass && PyExceptionClass_Check(data->proxyClass) ? data->proxyClass
                                                                               : PyExc_RuntimeError;
}

void raise(TypeIndex type, const std::exception &error) { PyErr_SetString(registeredClass(type), error.what()); }

}  // namespace

void translateException(std::exception_ptr error, Clauses clauses) {
  PyGILState_STATE state = PyGILState_Ensure();
  try {
    std::rethrow_exception(error);
  } catch (const swig::stop_iteration &) {
    PyErr_SetObject(PyExc_StopIteration, Py_None);  // only iterators throw it
  } catch (const std::out_of_range &e) {
    PyErr_SetString(clauses == Clauses::Common ? PyExc_RuntimeError : PyExc_IndexError, e.what());
  } catch (const std::invalid_argument &e) {
    PyErr_SetString(clauses == Clauses::OutOfRangeInvalidArgument ? PyExc_ValueError : PyExc_RuntimeError,
                    e.what());
  } catch (const lux::OutOfRangeException &e) {
    raise(T_tarn__lux__OutOfRangeException, e);
  } catch (const lux::InvalidArgumentException &e) {
    raise(T_tarn__lux__InvalidArgumentException, e);
  } catch (const lux::ImageFormatNotSupportedException &e) {
    raise(T_tarn__lux__ImageFormatNotSupportedException, e);
  } catch (const lux::ImageFormatInterpretationException &e) {
    raise(T_tarn__lux__ImageFormatInterpretationException, e);
  } catch (const lux::IOException &e) {
    raise(T_tarn__lux__IOException, e);
  } catch (const lux::BusyException &e) {
    raise(T_tarn__lux__BusyException, e);
  } catch (const lux::NotPermittedException &e) {
    raise(T_tarn__lux__NotPermittedException, e);
  } catch (const lux::TimeoutException &e) {
    raise(T_tarn__lux__TimeoutException, e);
  } catch (const lux::Exception &e) {
    raise(T_tarn__lux__Exception, e);
  } catch (const std::exception &e) {
    PyErr_SetString(PyExc_RuntimeError, e.what());
  } catch (...) {
    PyErr_SetString(PyExc_RuntimeError, "Unknown exception caught!");
  }
  PyGILState_Release(state);
}

}  // namespace tarn::rt
