// Wrapped objects: the Python carrier of a native pointer, its descriptor and
// an ownership flag, plus proxy-class registration and result construction.
#pragma once

#include <Python.h>

#include "runtime/type_registry.h"

namespace tarn::rt {

struct WrappedObject {
  PyObject_HEAD
  void *ptr;
  TypeInfo *type;
  int own;
  PyObject *next;
};

struct PackedObject {
  PyObject_HEAD
  void *pack;
  TypeInfo *type;
  size_t size;
};

// Class data hung on a descriptor by <Class>_swigregister.
struct ClassData {
  PyObject *proxyClass;
  PyObject *rawNew;
  PyObject *rawNewArgs;
  PyObject *destroy;
  int destroyTakesTemporary;
  int implicitConversionActive;
  PyTypeObject *pytype;  // unused; keeps the shared layout
};

// Result flags.
constexpr int kOwn = 0x1;
constexpr int kBare = 0x2;
constexpr int kConstructorResult = kOwn | kBare;

PyTypeObject *wrappedObjectType();
PyTypeObject *packedObjectType();

bool isWrappedObject(PyObject *object);
// The wrapped object behind any Python object (borrowed), or nullptr.
WrappedObject *wrappedObjectOf(PyObject *object);

// Sets `own`, keeping the capsule reference in step with it.
void setOwn(WrappedObject *object, int own);

PyObject *newBareObject(void *ptr, TypeInfo *type, int own);
// A proxy instance (or a bare object) for a native pointer; None for null.
PyObject *newResultObject(void *ptr, TypeInfo *type, int flags);
// The same for a bare wrapped object made by the caller (the reference is
// taken over; nullptr passes through).
PyObject *resultFor(PyObject *bare, TypeInfo *type, int flags);

// What dying does to a wrapped object short of freeing its memory: destroys
// an owned native object, releases the chain.  For types derived from it.
void releaseWrappedObject(WrappedObject *object);

// After a delete: the wrapped object (in the chain of `object`) that carried
// `ptr` forgets it, so later calls see a null object instead of freed memory.
void forgetPointer(PyObject *object, void *ptr);

// Module functions shared by every class.
PyObject *registerProxyClass(TypeInfo *type, PyObject *arg);
PyObject *initProxyInstance(PyObject *module, PyObject *args);

// Frees the class data of a descriptor (capsule destruction).
void freeClassData(ClassData *data);

}  // namespace tarn::rt
