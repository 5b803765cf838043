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
  // Set on an object that handed its ownership on to another wrapped object
  // (the in-place iterator operators): a strong reference to that object,
  // through which its native pointer is found from then on.
  PyObject *keeper;
  // Set once the object has been some object's `next`: only then can it
  // already stand in a chain, which append must not close into a loop.
  int linked;
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
// The wrapped object behind any Python object, or nullptr. Proxies are
// followed through their "this" attribute, at most kMaxThisDepth times, so
// that chains of proxies that name each other end; what the lookups made is
// kept alive by the current call scope (call_scope.h).
constexpr int kMaxThisDepth = 8;
WrappedObject *wrappedObjectOf(PyObject *object);

// The native object a wrapped object stands for now: its pointer, or what
// its owner or keeper holds at this moment for the borrowed kinds.
void *resolvedPointer(WrappedObject *object);

// Sets `own`, keeping the capsule reference in step with it.
void setOwn(WrappedObject *object, int own);

PyObject *newBareObject(void *ptr, TypeInfo *type, int own);
// A proxy instance (or a bare object) for a native pointer; None for null.
// Ownership passes only on success: when the result cannot be made, the
// native object is still the caller's, to free.
PyObject *newResultObject(void *ptr, TypeInfo *type, int flags);
// The same for a bare wrapped object made by the caller (the reference is
// taken over; nullptr passes through). On failure the bare object is emptied
// (disowned, pointer cleared) before it is released.
PyObject *resultFor(PyObject *bare, TypeInfo *type, int flags);

// Hands the ownership of `object`'s native object on to the owning wrapped
// object `heir`; `object` keeps `heir` alive and finds its pointer through it.
void handOwnershipTo(WrappedObject *object, PyObject *heir);

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
