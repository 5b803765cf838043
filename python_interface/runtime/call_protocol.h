// The call protocol shared by every wrapper: argument unpacking and its
// messages, scalar/object/string/buffer conversion, result conversion and the
// translation of native exceptions into Python errors.
//
// Conversions return false with the Python error set; `message` is always the
// complete literal "in method '<name>', argument <n> of type '<type>'".
#pragma once

#include <Python.h>

#include <cstdint>
#include <exception>
#include <memory>
#include <limits>
#include <type_traits>
#include <string>
#include <utility>

#include "runtime/call_scope.h"
#include "runtime/type_registry.h"
#include "runtime/type_table.h"
#include "runtime/wrapped_object.h"

namespace tarn::rt {

// --- errors ---------------------------------------------------------------

// Python exception class for a conversion status.
PyObject *exceptionForStatus(int status);
// Sets an error with the thread-state ensure/release pair around it.
void setError(PyObject *type, const char *message);
void setErrorObject(PyObject *type, PyObject *value);
bool argumentError(int status, const char *message);
bool nullReferenceError(const char *message);
bool notOwnedError(const char *message);

// --- argument counts --------------------------------------------------------

// Unpacks a METH_VARARGS tuple into argv; returns the count or -1.
Py_ssize_t unpackArguments(PyObject *args, const char *name, Py_ssize_t min, Py_ssize_t max, PyObject **argv);
// Raises the overload message, extending a pending TypeError.
PyObject *overloadError(const char *name, const char *prototypes);

// --- scalars ----------------------------------------------------------------

int toLongLong(PyObject *object, long long min, long long max, long long *value);
int toUnsignedLongLong(PyObject *object, unsigned long long max, unsigned long long *value);
int toDouble(PyObject *object, double *value);
int toFloat(PyObject *object, float *value);

template <class T>
inline int toSigned(PyObject *object, T *value) {
  long long wide;
  int status = toLongLong(object, static_cast<long long>(std::numeric_limits<T>::min()),
                          static_cast<long long>(std::numeric_limits<T>::max()), &wide);
  if (status == kOk) *value = static_cast<T>(wide);
  return status;
}

template <class T>
inline int toUnsigned(PyObject *object, T *value) {
  unsigned long long wide;
  int status = toUnsignedLongLong(object, std::numeric_limits<T>::max(), &wide);
  if (status == kOk) *value = static_cast<T>(wide);
  return status;
}

// Enumerations cross as 32-bit integers without enumerator checks.
template <class E>
inline int toEnum(PyObject *object, E *value) {
  int32_t raw;
  int status = toSigned(object, &raw);
  if (status == kOk) *value = static_cast<E>(raw);
  return status;
}

inline bool scalarArg(int status, const char *message) {
  return status == kOk || argumentError(status, message);
}

// --- objects ----------------------------------------------------------------

template <class T>
inline int toPointer(PyObject *object, TypeIndex type, T **value, int flags = 0, int *own = nullptr) {
  void *pointer = nullptr;
  int status = convertPointer(object, &pointer, types()[type], flags, own);
  if (succeeded(status)) *value = static_cast<T *>(pointer);
  return status;
}

// `T *` parameters: None gives a null pointer.
template <class T>
inline bool pointerArg(PyObject *object, TypeIndex type, T **value, const char *message) {
  int status = toPointer(object, type, value);
  return succeeded(status) || argumentError(status, message);
}

// `T &` parameters and the object of a method: None is a null reference.
template <class T>
inline bool referenceArg(PyObject *object, TypeIndex type, T **value, const char *message) {
  if (!pointerArg(object, type, value, message)) return false;
  return *value || nullReferenceError(message);
}

// A `void *` parameter takes the pointer of any wrapped object, or None.
// The wrapped object's memory is a native object of known size, whatever
// byte count the caller claims: calls bound what the library may read or
// write at the address by that size, and write only into plain-data objects
// (numbers only: any bytes leave a valid object). A claimed count beyond
// the object is passed on cut down to it, so that the library answers with
// its ordinary error for a buffer too small.
struct RawMemory {
  void *ptr = nullptr;
  size_t extent = 0;       // bytes that may be read at ptr
  bool writable = false;   // bytes up to extent may also be written
  operator void *() const { return ptr; }
};

bool voidPointerArg(PyObject *object, RawMemory *value, const char *message);

// At most `count` bytes, and no more than the object has. A null address
// keeps the count: the library refuses it as null, the clearer answer.
inline size_t readableBytes(const RawMemory &memory, size_t count) {
  if (!memory.ptr) return count;
  return count < memory.extent ? count : memory.extent;
}
inline size_t writableBytes(const RawMemory &memory, size_t count) {
  return !memory.ptr || memory.writable ? readableBytes(memory, count) : 0;
}
// The address when `size` bytes may be written there, else null (which the
// library refuses as a missing output).
inline void *writableAddress(const RawMemory &memory, size_t size) {
  return memory.writable && memory.extent >= size ? memory.ptr : nullptr;
}

// Size and writability of the native objects of the module's types
// (defined with the generated method table); {0, false} for the others.
struct TypeExtent {
  size_t size;
  bool plain;
};
TypeExtent typeExtent(size_t typeIndex);

// Owns the moved-from source of a move constructor; deletes it when the
// call ends (or later, while another call still works on it).
template <class T>
struct MovedFrom {
  T *value = nullptr;
  MovedFrom() = default;
  MovedFrom(const MovedFrom &) = delete;
  ~MovedFrom() { destroy(value); }
};

// `T &&` parameters: the wrapped object gives up its native object.
template <class T>
inline bool moveArg(PyObject *object, TypeIndex type, T **value, const char *message) {
  if (object == Py_None) return nullReferenceError(message);
  int status = toPointer(object, type, value, kRelease);
  if (status == kNotOwned) return notOwnedError(message);
  if (!succeeded(status)) return argumentError(status, message);
  return *value || nullReferenceError(message);
}

// Implicitly converted class arguments (PixelFormat): owns what it made.
template <class T>
struct ImplicitArg {
  T *value = nullptr;
  bool owned = false;
  ImplicitArg() = default;
  ImplicitArg(const ImplicitArg &) = delete;
  ~ImplicitArg() {
    if (owned) delete value;
  }
};

template <class T>
inline bool implicitArg(PyObject *object, TypeIndex type, ImplicitArg<T> &arg, const char *message) {
  int status = toPointer(object, type, &arg.value, kImplicitConversion);
  if (!succeeded(status)) return argumentError(status, message);
  arg.owned = isNewObject(status);
  return arg.value || nullReferenceError(message);
}

// `std::string const &` parameters.
struct StringArg {
  std::string *value = nullptr;
  bool owned = false;
  StringArg() = default;
  StringArg(const StringArg &) = delete;
  ~StringArg() {
    if (owned) delete value;
  }
};
bool stringArg(PyObject *object, StringArg &arg, const char *message);

// One Python buffer stands for an address and a byte length.
struct BufferArg {
  uint8_t *data = nullptr;
  size_t size = 0;
};
bool bufferArg(PyObject *object, BufferArg &arg, const char *message);

// --- dispatch checks (convert nothing, change nothing) ----------------------

bool isSigned(PyObject *object, long long min, long long max);
bool isUnsigned(PyObject *object, unsigned long long max);
bool isFloating(PyObject *object);
bool isFloat32(PyObject *object);
bool isPointer(PyObject *object, TypeIndex type, bool noNull);
bool isImplicit(PyObject *object, TypeIndex type);
bool isString(PyObject *object);

template <class T>
inline bool isSignedOf(PyObject *object) {
  return isSigned(object, std::numeric_limits<T>::min(), std::numeric_limits<T>::max());
}
template <class T>
inline bool isUnsignedOf(PyObject *object) {
  return isUnsigned(object, std::numeric_limits<T>::max());
}

// --- results ----------------------------------------------------------------

inline PyObject *fromBool(bool value) { return PyBool_FromLong(value); }
inline PyObject *fromSigned(long long value) { return PyLong_FromLongLong(value); }
inline PyObject *fromUnsigned(unsigned long long value) { return PyLong_FromUnsignedLongLong(value); }
inline PyObject *fromDouble(double value) { return PyFloat_FromDouble(value); }
PyObject *fromString(const std::string &value);
inline PyObject *none() { Py_RETURN_NONE; }

// A result that owns `object`; the object is deleted when the result
// cannot be made.
template <class T>
inline PyObject *adoptedResult(std::unique_ptr<T> object, TypeIndex type, int flags) {
  PyObject *result = newResultObject(object.get(), types()[type], flags);
  if (result) object.release();
  return result;
}

// Results that can sit on memory they do not own (an image converted into
// a caller's buffer) keep the call's export of that buffer.
template <class T, class = void>
struct SitsOnMemory : std::false_type {};
template <class T>
struct SitsOnMemory<T, std::void_t<decltype(std::declval<T &>().MemoryAddress()),
                                   decltype(std::declval<T &>().KeepMemoryAlive(std::shared_ptr<void>()))>>
    : std::true_type {};

// A proxy instance owning a heap copy (or move) of a value.
template <class T>
inline PyObject *ownedResult(T &&value, TypeIndex type) {
  using Plain = std::remove_cv_t<std::remove_reference_t<T>>;
  auto object = std::make_unique<Plain>(std::forward<T>(value));
  if constexpr (SitsOnMemory<Plain>::value) {
    if (CallScope *scope = CallScope::current(); scope && scope->holdsBuffers())
      if (std::shared_ptr<void> owner = scope->bufferHolding(object->MemoryAddress()))
        object->KeepMemoryAlive(std::move(owner));
  }
  return adoptedResult(std::move(object), type, kOwn);
}

template <class T>
inline PyObject *constructorResult(T *object, TypeIndex type) {
  return adoptedResult(std::unique_ptr<T>(object), type, kConstructorResult);
}

// --- native calls -------------------------------------------------------------

// Which extra clauses the translation puts before the common list.
enum class Clauses { Common, OutOfRange, OutOfRangeInvalidArgument };

void translateException(std::exception_ptr error, Clauses clauses);

// Runs `call`; with Release the interpreter lock is released around it.
// Returns false with the translated Python error set.
template <bool Release, Clauses C = Clauses::Common, class F>
inline bool invoke(F &&call) {
  std::exception_ptr error;
  if constexpr (Release) {
    PyThreadState *state = PyEval_SaveThread();
    try {
      call();
    } catch (...) {
      error = std::current_exception();
    }
    PyEval_RestoreThread(state);
  } else {
    try {
      call();
    } catch (...) {
      error = std::current_exception();
    }
  }
  if (!error) return true;
  translateException(error, C);
  return false;
}

}  // namespace tarn::rt
